// The built Keswel's options for a first run: listing the directory,
// choosing city and provider by number, and checking the setup.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "tests/support/cp1251_words.h"
#include "tests/support/loopback.h"
#include "tests/support/sandbox.h"
#include "tests/support/scoped_env.h"

namespace testing_support {
namespace {

class KeswelSetup : public ::testing::Test {
protected:
    Sandbox box;
    std::string keswel = box.install(KESWEL_EXE);
    LoopbackListener listener;
    ScopedEnv locale{"LC_ALL", "C"};

    // Northtown (NetOne with one live retracker, Link Two) and Southport
    // (NetOne). A comment line and CR LF ends show that writes keep bytes.
    void SetUp() override {
        box.write("retrackers.ini", "[" CP1251_CITY "]\r\n1=Northtown\r\n2=Southport\r\n"
                                    "[" CP1251_PROVIDERS " Northtown]\r\n1=NetOne\r\n2=Link Two\r\n"
                                    "[" CP1251_PROVIDERS " Southport]\r\n1=NetOne\r\n"
                                    "[" CP1251_RETRACKERS " Northtown NetOne]\r\n" CP1251_COUNT "=1\r\n1=" +
                                        listener.url() + "\r\n");
        box.write("Settings.ini", kSettings);
    }
    static constexpr const char* kSettings = "; mine\r\n[Settings]\r\nTrackersFile=retrackers.ini\r\n"
                                             "TrackerIniIndex=1 0\r\nLaunchPath=\r\n";

    RunResult keswelWith(const std::vector<std::string>& arguments, const std::string& input = "") {
        return runProgramWithInput(keswel, arguments, box.dir().string(), input);
    }
};

TEST_F(KeswelSetup, ListMarksTheCurrentChoice) {
    const RunResult result = keswelWith({"--list"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "  1 Northtown\n      1 NetOne\n      2 Link Two\n* 2 Southport\n    * 1 NetOne\n");
}

TEST_F(KeswelSetup, ChooseAsksAgainUntilTheAnswerIsListedThenProbes) {
    const RunResult result = keswelWith({"--choose"}, "3\nabc\n1\n 1 \r\n");
    EXPECT_EQ(result.exitCode, 0);
    const std::vector<std::string> lines = splitLines(result.output);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_NE(result.output.find("No city 3 in the list"), std::string::npos);
    EXPECT_NE(result.output.find("No city abc in the list"), std::string::npos);
    EXPECT_NE(result.output.find("TrackerIniIndex=0 0 (Northtown, NetOne)\n"), std::string::npos);
    EXPECT_EQ(lines.back(), "TrackerCheck=1 0");
    // Only the two values changed; the comment and the line ends stayed.
    EXPECT_EQ(box.read("Settings.ini"), "; mine\r\n[Settings]\r\nTrackersFile=retrackers.ini\r\n"
                                        "TrackerIniIndex=0 0\r\nLaunchPath=\r\nTrackerCheck=1 0\r\n");
}

TEST_F(KeswelSetup, ChooseChangesNothingOnEmptyAnswerOrEndOfInput) {
    for (const char* input : {"", "\n", "1\n", "1\n\n"}) {
        SCOPED_TRACE(input);
        const RunResult result = keswelWith({"--choose"}, input);
        EXPECT_EQ(result.exitCode, 0);
        const std::string last = "TrackerIniIndex unchanged\n";
        EXPECT_EQ(result.output.substr(result.output.size() - last.size()), last);
        EXPECT_EQ(box.read("Settings.ini"), kSettings);
    }
}

TEST_F(KeswelSetup, SelectStoresAndProbesOrRefusesUnlistedNumbers) {
    struct Row {
        std::vector<std::string> arguments;
        int exitCode;
        std::string lastLine;
    };
    const Row rows[] = {
        {{"--select", "3", "1"}, 1, "No city 3 in " + box.path("retrackers.ini") + "; Keswel --list shows the numbers"},
        {{"--select", "2", "2"}, 1, "No provider 2 for city Southport; Keswel --list shows the numbers"},
        {{"--select", "1", "1"}, 0, "TrackerCheck=1 0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments[1] + " " + row.arguments[2]);
        const RunResult result = keswelWith(row.arguments);
        EXPECT_EQ(result.exitCode, row.exitCode);
        EXPECT_EQ(splitLines(result.output).back(), row.lastLine);
    }
    EXPECT_NE(box.read("Settings.ini").find("\r\nTrackerIniIndex=0 0\r\n"), std::string::npos);
}

TEST_F(KeswelSetup, HelpAndUnknownOptions) {
    const RunResult help = keswelWith({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.output.rfind("usage: Keswel", 0), 0u);
    const RunResult unknown = keswelWith({"--probe-everything"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_EQ(unknown.output, help.output);
    EXPECT_EQ(box.read("Settings.ini"), kSettings);
}

TEST_F(KeswelSetup, CheckNamesTheFilesAndExitsZeroOnlyWhenAllIsInOrder) {
    RunResult result = keswelWith({"--check"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(splitLines(result.output).front(), "Settings: " + box.path("Settings.ini"));
    EXPECT_EQ(splitLines(result.output)[1], "Directory: " + box.path("retrackers.ini"));
    EXPECT_EQ(splitLines(result.output).back(), "3 problems found");  // section, TrackerCheck, LaunchPath
    box.write("Settings.ini", "[Settings]\r\nTrackersFile=retrackers.ini\r\nTrackerIniIndex=0 0\r\nTrackerCheck=1 0\r\n"
                              "LaunchPath=" + std::string(FAKE_CLIENT_EXE) + "\r\n");
    result = keswelWith({"--check"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(splitLines(result.output).back(), "Setup is in order");
}

// --apply names in one line what keeps it from the client; a plain run keeps
// the probe's exit code and says the same after storing TrackerCheck.
TEST_F(KeswelSetup, ApplySaysInOneLineWhyTheClientCannotBeUsed) {
    const std::string base = "[Settings]\r\nTrackersFile=retrackers.ini\r\nTrackerIniIndex=0 0\r\nTrackerCheck=1 0\r\n";
    // Nothing listens on port 1 of loopback.
    const std::string closed = "ClientRpc=transmission\r\nClientRpcUrl=http://127.0.0.1:1/rpc\r\nClientRpcPassword=pw\r\n";
    struct Row {
        std::string keys;
        std::string line;
    };
    const Row rows[] = {
        {"", "ClientRpc is not set in " + box.path("Settings.ini") + ": no client to add the retrackers to"},
        {"ClientRpc=deluge\r\n", "ClientRpc must be transmission or qbittorrent, not \"deluge\""},
        {closed, "Cannot reach Transmission at http://127.0.0.1:1/rpc: Couldn't connect to server"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        box.write("Settings.ini", base + row.keys);
        const RunResult result = keswelWith({"--apply"});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.output, row.line + "\n");
    }
    EXPECT_EQ(std::filesystem::status(box.path("Settings.ini")).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    const RunResult plain = keswelWith({});
    EXPECT_EQ(plain.exitCode, 0);
    const std::vector<std::string> lines = splitLines(plain.output);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "TrackerCheck=1 0");
    EXPECT_EQ(lines.back(), rows[2].line);
}

// A line break in the Exec line would make keys of its own in Settings.ini.
TEST_F(KeswelSetup, AdoptClientRefusesALineBreakAndWritesNothing) {
    const RunResult result =
        keswelWith({"--adopt-client", std::string(FAKE_CLIENT_EXE) + " \"x\\nTrackersFile=/tmp/evil.ini\" %U"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output, "Client not taken over: its LaunchArguments holds a line break (CR or LF), which "
                             "Settings.ini cannot store\n");
    EXPECT_EQ(box.read("Settings.ini"), kSettings);
}

// Arguments without an option change nothing: the run probes.
TEST_F(KeswelSetup, ArgumentsWithoutAnOptionAreIgnored) {
    box.write("Settings.ini", "[Settings]\r\nTrackersFile=retrackers.ini\r\nTrackerIniIndex=0 0\r\n");
    const RunResult result = keswelWith({"x", "y"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(splitLines(result.output).back(), "TrackerCheck=1 0");
}

TEST_F(KeswelSetup, AdoptClientFillsAnEmptyLaunchPathOnly) {
    RunResult result = keswelWith({"--adopt-client", std::string(FAKE_CLIENT_EXE) + " --add %U"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "Set LaunchPath=" FAKE_CLIENT_EXE "\nSet LaunchArguments=--add %1\n");
    result = keswelWith({"--adopt-client", "/usr/bin/other %f"});
    EXPECT_EQ(result.output, "Keeping LaunchPath=" FAKE_CLIENT_EXE "\n");
    EXPECT_EQ(box.read("Settings.ini"), "; mine\r\n[Settings]\r\nTrackersFile=retrackers.ini\r\nTrackerIniIndex=1 0\r\n"
                                        "LaunchPath=" FAKE_CLIENT_EXE "\r\nLaunchArguments=--add %1\r\n");
}

}  // namespace
}  // namespace testing_support
