// The built Keswel, run beside its Settings.ini and a retracker directory,
// probing loopback listeners only.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <csignal>
#include <sys/resource.h>

#include "bencoding/reader.h"
#include "tests/probe/probe_lines.h"
#include "tests/support/loopback.h"
#include "tests/support/cp1251_words.h"
#include "tests/support/sandbox.h"
#include "tests/support/scoped_env.h"

namespace testing_support {
namespace {

using probe_testing::checkProbeLines;
using probe_testing::withoutTimes;

// Windows-1251 texts of the directory and of the console lines.
const std::string kCitySection = CP1251_CITY;
const std::string kProviders = CP1251_PROVIDERS " ";
const std::string kRetrackers = CP1251_RETRACKERS " ";
const std::string kCount = CP1251_COUNT;
const std::string kTver = "\xD2\xE2\xE5\xF0\xFC";                                // Тверь
const std::string kChecking = "Checking \xE0\xE1\xE2\xED ";                      // "Checking абвн "
const std::string kSection = kRetrackers + kTver + " NetOne";
const std::string kUnresolvable = "http://no-such..host.invalid/announce";

// The same texts in UTF-8.
const std::string kTverUtf8 = "\xD0\xA2\xD0\xB2\xD0\xB5\xD1\x80\xD1\x8C";
const std::string kSectionUtf8 =
    "\xD0\xA0\xD0\xB5\xD1\x82\xD1\x80\xD0\xB5\xD0\xBA\xD0\xB5\xD1\x80\xD1\x8B " + kTverUtf8 + " NetOne";
const std::string kCheckingUtf8 = "Checking \xD0\xB0\xD0\xB1\xD0\xB2\xD0\xBD ";

// The last console line, or "" when the program printed nothing.
std::string lastLine(const std::string& output) {
    std::vector<std::string> lines = splitLines(output);
    return lines.empty() ? std::string() : lines.back();
}

class KeswelTest : public ::testing::Test {
protected:
    Sandbox box;
    std::string keswel = box.install(KESWEL_EXE);
    std::vector<std::unique_ptr<LoopbackListener>> listeners;

    std::string reachable() {
        listeners.push_back(std::make_unique<LoopbackListener>());
        return listeners.back()->url();
    }

    void writeSettings(const std::string& lines) {
        box.write("Settings.ini", "[Settings]\r\nTrackersFile=retrackers.ini\r\n" + lines);
    }

    // Cities Тверь (providers NetOne, Link Two), Northtown (NetOne, no
    // retracker section) and Southport (no provider 0); the retracker
    // section of Тверь NetOne holds `retrackerLines`.
    void writeDirectory(const std::string& retrackerLines) {
        box.write("retrackers.ini", "[" + kCitySection + "]\r\n1=" + kTver + "\r\n2=Northtown\r\n3=Southport\r\n" +
                                        "[" + kProviders + kTver + "]\r\n1=NetOne\r\n2=Link Two\r\n" + "[" +
                                        kProviders + "Northtown]\r\n1=NetOne\r\n" + "[" + kProviders +
                                        "Southport]\r\n1=NetOne\r\n" + "[" + kRetrackers + kTver + " Link Two]\r\n" +
                                        kCount + "=0\r\n1=http://127.0.0.1:1/\r\n" + "[" + kSection + "]\r\n" +
                                        retrackerLines);
    }

    // A Windows-1251 locale shows the directory's bytes unchanged, as the
    // Windows console does; it need not be installed, its name tells the set.
    RunResult run(const char* locale = "en_US.CP1251") {
        ScopedEnv env("LC_ALL", locale);
        return runProgram(keswel, {}, box.dir().string());
    }
};

// Each early exit prints its line and then the cause line that --check and
// Tavrin's log give.
TEST_F(KeswelTest, EarlyExitsPrintTheirLineAndKeepSettings) {
    struct Row {
        std::string name;
        std::string settings;
        std::string output;
    };
    const std::string of = "] of \"" + box.path("retrackers.ini") + "\"\n";
    const Row rows[] = {
        {"index absent", "", "Bad city 0\nNo city 0 in section [" + kCitySection + of},
        {"index empty", "TrackerIniIndex=\r\n", "Bad city 0\nNo city 0 in section [" + kCitySection + of},
        {"single number 2", "TrackerIniIndex=2\r\n",
         "Bad provider 0 for city Southport\nNo provider 0 in section [" + kProviders + "Southport" + of},
        {"city beyond the list", "TrackerIniIndex=3 0\r\n", "Bad city 4\nNo city 4 in section [" + kCitySection + of},
        {"provider beyond the list", "TrackerIniIndex=0 2\r\n",
         "Bad provider 3 for city " + kTver + "\nNo provider 3 in section [" + kProviders + kTver + of},
        {"no retracker section", "TrackerIniIndex=1 0\r\n",
         "No active trackers\nNo section [" + kRetrackers + "Northtown NetOne" + of},
        {"count 0", "TrackerIniIndex=0 1\r\n",
         "No active trackers\nSection [" + kRetrackers + kTver + " Link Two] of \"" + box.path("retrackers.ini") +
             "\" has " + kCount + " 0 or none\n"},
        {"no directory named", "TrackerIniIndex=0 0\r\n",
         "Bad city 1\nTrackersFile is empty in \"" + box.path("Settings.ini") + "\"\n"},
    };
    writeDirectory(kCount + "=1\r\n1=" + reachable() + "\r\n");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // An earlier run's value must stay in force.
        const std::string settings =
            row.name == "no directory named"
                ? "[Settings]\r\nTrackerCheck=2 0\r\n" + row.settings
                : "[Settings]\r\nTrackersFile=retrackers.ini\r\nTrackerCheck=2 0\r\n" + row.settings;
        box.write("Settings.ini", settings);
        const RunResult result = run();
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.output, row.output);
        EXPECT_EQ(box.read("Settings.ini"), settings);
    }
}

TEST_F(KeswelTest, GapInTheKeysKeepsRetrackerNumbers) {
    const std::string first = reachable(), third = reachable();
    writeDirectory(kCount + "=3\r\n1=" + first + "\r\n3=" + third + "\r\n");
    writeSettings("TrackerIniIndex=0 0\r\n");
    const RunResult result = run();
    EXPECT_EQ(result.exitCode, 0);
    std::vector<std::string> lines = splitLines(result.output);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines.front(), kChecking + kSection + ", 3 providers");
    EXPECT_EQ(lines.back(), "TrackerCheck=1 3 0");
    const size_t probeStart = result.output.find('\n') + 1;
    const size_t probeEnd = result.output.rfind("TrackerCheck=");
    checkProbeLines(result.output.substr(probeStart, probeEnd - probeStart), {first, third});
    EXPECT_EQ(box.read("Settings.ini"),
              "[Settings]\r\nTrackersFile=retrackers.ini\r\nTrackerIniIndex=0 0\r\nTrackerCheck=1 3 0\r\n");
}

TEST_F(KeswelTest, CountWithEmptyKeysStoresTheEmptyList) {
    writeDirectory(kCount + "=2\r\n1=\r\n");
    writeSettings("TrackerIniIndex=0 0\r\nTrackerCheck=1 2 0\r\n");
    const RunResult result = run();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(withoutTimes(result.output),
              (std::vector<std::string>{kChecking + kSection + ", 2 providers", "<-----T remains 0", "Total T msec",
                                        "TrackerCheck= 0"}));
    EXPECT_EQ(box.read("Settings.ini"),
              "[Settings]\r\nTrackersFile=retrackers.ini\r\nTrackerIniIndex=0 0\r\nTrackerCheck= 0\r\n");
}

TEST_F(KeswelTest, AllFiveReachable) {
    std::string keys = kCount + "=5\r\n";
    for (int i = 1; i <= 5; ++i) keys += std::to_string(i) + "=" + reachable() + "\r\n";
    writeDirectory(keys);
    writeSettings("TrackerIniIndex=0 0\r\n");
    const RunResult result = run();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(lastLine(result.output), "TrackerCheck=1 2 3 4 5 0");
    EXPECT_NE(box.read("Settings.ini").find("\r\nTrackerCheck=1 2 3 4 5 0\r\n"), std::string::npos);
}

TEST_F(KeswelTest, OnlyAcceptedConnectionsCount) {
    const std::string first = reachable(), refused = refusedUrl(), fourth = reachable();
    writeDirectory(kCount + "=4\r\n1=" + first + "\r\n2=" + refused + "\r\n3=" + kUnresolvable + "\r\n4=" + fourth +
                   "\r\n");
    writeSettings("TrackerIniIndex=0 0\r\n");
    const RunResult result = run();
    EXPECT_EQ(result.exitCode, 0);
    const size_t probeStart = result.output.find('\n') + 1;
    const size_t probeEnd = result.output.rfind("TrackerCheck=");
    const auto probe = checkProbeLines(result.output.substr(probeStart, probeEnd - probeStart), {first, refused, fourth});
    EXPECT_EQ(probe.outcome.at(refused), "can't connected");
    EXPECT_EQ(lastLine(result.output), "TrackerCheck=1 4 0");
}

TEST_F(KeswelTest, OnlyTheTrackerCheckLineChanges) {
    writeDirectory(kCount + "=1\r\n1=" + reachable() + "\r\n");
    const std::string before = "; kept comment\n[Other]\nTrackerCheck=9 0\n\n[Settings]\r\n  TrackersFile = retrackers.ini  \r\n"
                               "TrackerIniIndex=0 0\r\n trackercheck = 7 0 \n; c2\r\n\r\nAddStat=True\r\n[Tail]\r\n"
                               "x=\xE0\xFF\r\n";
    box.write("Settings.ini", before);
    EXPECT_EQ(run().exitCode, 0);
    std::string expected = before;
    expected.replace(expected.find(" trackercheck = 7 0 "), 20, "trackercheck=1 0");
    EXPECT_EQ(box.read("Settings.ini"), expected);
}

TEST_F(KeswelTest, LocaleDecidesHowNamesShow) {
    writeDirectory(kCount + "=1\r\n1=\r\n");
    writeSettings("TrackerIniIndex=0 0\r\n");
    RunResult result = run("C.UTF-8");
    EXPECT_EQ(splitLines(result.output).front(), kCheckingUtf8 + kSectionUtf8 + ", 1 providers");
    writeSettings("TrackerIniIndex=0 5\r\n");
    result = run("C.UTF-8");
    EXPECT_EQ(splitLines(result.output),
              (std::vector<std::string>{"Bad provider 6 for city " + kTverUtf8,
                                        "No provider 6 in section [\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB2\xD0\xB0\xD0\xB9\xD0"
                                        "\xB4\xD0\xB5\xD1\x80\xD1\x8B " + kTverUtf8 + "] of \"" +
                                            box.path("retrackers.ini") + "\""}));
    // A locale without Cyrillic shows "?" for each letter it lacks.
    result = run("C");
    EXPECT_EQ(splitLines(result.output).front(), "Bad provider 6 for city ?????");
}

TEST_F(KeswelTest, FailedWriteIsReported) {
    writeDirectory(kCount + "=1\r\n1=\r\n");
    writeSettings("TrackerIniIndex=0 0\r\n");
    const std::string before = box.read("Settings.ini");
    // A file size limit smaller than Settings.ini makes the write fail even
    // for a user whom permissions do not stop; both settings pass to the child.
    rlimit oldLimit{};
    getrlimit(RLIMIT_FSIZE, &oldLimit);
    rlimit small = oldLimit;
    small.rlim_cur = 16;
    void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const RunResult result = run();
    setrlimit(RLIMIT_FSIZE, &oldLimit);
    signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(lastLine(result.output), "Cannot write TrackerCheck to " + box.path("Settings.ini"));
    EXPECT_EQ(box.read("Settings.ini"), before);
}

// A count of 2^31 - 1 visits only the keys present: the same list, at once.
TEST_F(KeswelTest, HugeCountProbesTheKeysPresent) {
    const std::string first = reachable(), third = reachable();
    writeDirectory(kCount + "=2147483647\r\n1=" + first + "\r\n3=" + third + "\r\n");
    writeSettings("TrackerIniIndex=0 0\r\n");
    const auto started = std::chrono::steady_clock::now();
    const RunResult result = run();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(splitLines(result.output).front(), kChecking + kSection + ", 2147483647 providers");
    EXPECT_EQ(lastLine(result.output), "TrackerCheck=1 3 0");
}

// Named apart from KeswelTest: an address-space limit also stops valgrind in the child.
class KeswelOutOfMemory : public KeswelTest {};

// Running out of memory ends the run with one line and Settings.ini as it was.
TEST_F(KeswelOutOfMemory, EndsWithOneLineAndKeepsSettings) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the sanitizer's shadow memory does not fit an address-space limit";
#endif
    // A 32-bit process cannot take in a 2 GiB file at all: its read fails
    // cleanly and the directory reads as empty ("Bad city 1").
    if (sizeof(void*) < 8) GTEST_SKIP() << "needs a 64-bit address space";
    // A sparse directory of 2 GiB: reading it needs more memory than the limit allows.
    box.write("retrackers.ini", "");
    std::filesystem::resize_file(box.path("retrackers.ini"), std::uintmax_t{2} << 30);
    writeSettings("TrackerIniIndex=0 0\r\nTrackerCheck=2 0\r\n");
    const std::string before = box.read("Settings.ini");
    rlimit oldLimit{};
    getrlimit(RLIMIT_AS, &oldLimit);
    rlimit small = oldLimit;
    small.rlim_cur = rlim_t{1} << 30;
    setrlimit(RLIMIT_AS, &small);
    const RunResult result = run();
    setrlimit(RLIMIT_AS, &oldLimit);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output, "Keswel failed: out of memory\n");
    EXPECT_EQ(box.read("Settings.ini"), before);
}

TEST_F(KeswelTest, TavrinAddsExactlyTheRetrackersThatAnswered) {
    const std::string first = reachable(), refused = refusedUrl(), third = reachable();
    writeDirectory(kCount + "=3\r\n1=" + first + "\r\n2=" + refused + "\r\n3=" + third + "\r\n");
    writeSettings("TrackerIniIndex=0 0\r\n");
    const RunResult probed = run();
    ASSERT_EQ(probed.exitCode, 0);
    const std::string tavrin = box.install(TAVRIN_EXE);
    const std::string own = "http://127.0.0.1:9/own";
    box.write("in.torrent", "d8:announce" + std::to_string(own.size()) + ":" + own +
                                "4:infod6:lengthi1e4:name1:xee");
    ASSERT_EQ(runProgram(tavrin, {"in.torrent", "out.torrent"}, box.dir().string()).exitCode, 0);
    auto tier = [](const std::string& url) { return "l" + std::to_string(url.size()) + ":" + url + "e"; };
    EXPECT_NE(box.read("out.torrent").find("13:announce-listl" + tier(own) + tier(first) + tier(third) + "e"),
              std::string::npos)
        << "Keswel printed:\n" << probed.output << "Tavrin wrote:\n" << box.read("out.torrent");
}

}  // namespace
}  // namespace testing_support
