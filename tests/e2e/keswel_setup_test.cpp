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
    // No client of this machine is found: PATH and the entry folders are the box's own.
    ScopedEnv path{"PATH", box.path("bin").c_str()};
    ScopedEnv dataDirs{"XDG_DATA_DIRS", box.path("share").c_str()};

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
    const RunResult result = keswelWith({"--choose", "--no-handler"}, "3\nabc\n1\n 1 \r\n");
    EXPECT_EQ(result.exitCode, 0);
    const std::vector<std::string> lines = splitLines(result.output);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_NE(result.output.find("No city 3 in the list"), std::string::npos);
    EXPECT_NE(result.output.find("No city abc in the list"), std::string::npos);
    EXPECT_NE(result.output.find("TrackerIniIndex=0 0 (Northtown, NetOne)\n"), std::string::npos);
    EXPECT_EQ(lines[lines.size() - 2], "TrackerCheck=1 0");
    // No client anywhere: one line names the two keys.
    EXPECT_EQ(lines.back(), "No BitTorrent client found: set LaunchPath (the client's program, a full path) and "
                            "LaunchArguments (its arguments, %1 where the torrent goes) in " +
                                box.path("Settings.ini"));
    // Only the two values changed; the comment and the line ends stayed.
    EXPECT_EQ(box.read("Settings.ini"), "; mine\r\n[Settings]\r\nTrackersFile=retrackers.ini\r\n"
                                        "TrackerIniIndex=0 0\r\nLaunchPath=\r\nTrackerCheck=1 0\r\n");
}

TEST_F(KeswelSetup, ChooseChangesNothingOnEmptyAnswerOrEndOfInput) {
    for (const char* input : {"", "\n", "1\n", "1\n\n"}) {
        SCOPED_TRACE(input);
        const RunResult result = keswelWith({"--choose", "--no-handler"}, input);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_NE(result.output.find("TrackerIniIndex unchanged\n"), std::string::npos);
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
        {{"--select", "1", "2"}, 1,
         "No retrackers for city 1 Northtown, provider 2 Link Two in " + box.path("retrackers.ini") +
             "; TrackerIniIndex unchanged"},
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
    EXPECT_EQ(unknown.output, "Keswel: unknown option --probe-everything\n" + help.output);
    const RunResult wrong = keswelWith({"--choose", "--now"});
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_EQ(splitLines(wrong.output).front(), "Keswel: wrong arguments for --choose");
    // The usage names the command as it was started.
    const RunResult lower = runProgram(box.install(KESWEL_EXE, "keswel"), {"--help"}, box.dir().string());
    EXPECT_EQ(lower.output.rfind("usage: keswel [--list | --detect [--no-handler] | --choose [--no-handler]", 0), 0u);
    EXPECT_EQ(box.read("Settings.ini"), kSettings);
}

TEST_F(KeswelSetup, CheckNamesTheFilesAndExitsZeroOnlyWhenAllIsInOrder) {
    RunResult result = keswelWith({"--check"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(splitLines(result.output).front(), "Settings: " + box.path("Settings.ini"));
    EXPECT_EQ(splitLines(result.output)[1], "Directory: " + box.path("retrackers.ini"));
    EXPECT_EQ(splitLines(result.output).back(), "4 problems found");  // section, TrackerCheck, both Launch keys
    box.write("Settings.ini", "[Settings]\r\nTrackersFile=retrackers.ini\r\nTrackerIniIndex=0 0\r\nTrackerCheck=1 0\r\n"
                              "LaunchPath=" + std::string(FAKE_CLIENT_EXE) + "\r\n");
    result = keswelWith({"--check"});
    EXPECT_EQ(splitLines(result.output).back(), "1 problem found");  // LaunchArguments
    box.write("Settings.ini", "[Settings]\r\nTrackersFile=retrackers.ini\r\nTrackerIniIndex=0 0\r\nTrackerCheck=1 0\r\n"
                              "LaunchPath=" + std::string(FAKE_CLIENT_EXE) + "\r\nLaunchArguments=%1\r\n");
    result = keswelWith({"--check"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(splitLines(result.output).back(), "Setup is in order");
}

// --choose adopts a client where LaunchPath names none: a common client's
// desktop entry before a client found on PATH.
TEST_F(KeswelSetup, ChooseAdoptsAClientByItsDesktopEntryOrOnPath) {
    std::filesystem::create_directories(box.dir() / "bin");
    const std::string aria2c = box.install(FAKE_CLIENT_EXE, "bin/aria2c");
    RunResult result = keswelWith({"--choose", "--no-handler"}, "1\n1\n");
    EXPECT_NE(result.output.find("BitTorrent client: aria2 (aria2c on PATH)\nSet LaunchPath=" + aria2c +
                                 "\nSet LaunchArguments=--seed-time=0 %1\n"),
              std::string::npos);
    box.write("Settings.ini", kSettings);
    std::filesystem::create_directories(box.dir() / "share/applications");
    box.write("share/applications/qbittorrent.desktop",
              "[Desktop Entry]\nName=qBittorrent\nExec=" + aria2c + " --qt %U\n[Desktop Action x]\nExec=other\n");
    result = keswelWith({"--choose", "--no-handler"}, "1\n1\n");
    EXPECT_NE(result.output.find("BitTorrent client: qBittorrent (qbittorrent.desktop)\nSet LaunchPath=" + aria2c +
                                 "\nSet LaunchArguments=--qt %1\n"),
              std::string::npos);
    // Adopted once, kept: a second run leaves LaunchPath alone.
    result = keswelWith({"--choose", "--no-handler"}, "\n");
    EXPECT_EQ(result.output.find("BitTorrent client:"), std::string::npos);
    EXPECT_NE(box.read("Settings.ini").find("LaunchArguments=--qt %1\r\n"), std::string::npos);
}

#if RETRACKERS_CLIENT_RPC
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
#endif

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

// --import: the directory written beside Settings.ini as Windows-1251 with
// CR LF, the earlier file of that name kept, the choice kept by name.
TEST_F(KeswelSetup, ImportKeepsTheChoiceByName) {
    // A directory in either encoding: Eastham (X) and Northtown (Other,
    // NetOne), NetOne's retracker given.
    const auto directory = [](bool utf8, const std::string& end, const std::string& netOne) {
        const std::string city = utf8 ? UTF8_CITY : CP1251_CITY;
        const std::string providers = utf8 ? UTF8_PROVIDERS : CP1251_PROVIDERS;
        const std::string retrackers = utf8 ? UTF8_RETRACKERS : CP1251_RETRACKERS;
        const std::string count = utf8 ? UTF8_COUNT : CP1251_COUNT;
        return "[" + city + "]" + end + "1=Eastham" + end + "2=Northtown" + end + "[" + providers + " Eastham]" + end +
               "1=X" + end + "[" + providers + " Northtown]" + end + "1=Other" + end + "2=NetOne" + end + "[" +
               retrackers + " Eastham X]" + end + count + "=1" + end + "1=udp://a:1" + end + "[" + retrackers +
               " Northtown Other]" + end + count + "=1" + end + "1=udp://b:1" + end + "[" + retrackers +
               " Northtown NetOne]" + end + count + "=1" + end + "1=" + netOne + end;
    };
    struct Row {
        const char* name;
        std::string index;    // TrackerIniIndex before (TrackerCheck is "1 0")
        std::string file;     // the file taken in, under in/
        std::string content;
        int exitCode;
        const char* indexAfter;
        const char* checkAfter;
    } rows[] = {
        {"UTF-8 with BOM, same retrackers: TrackerCheck kept", "0 0", "retrackers.ini",
         "\xEF\xBB\xBF" + directory(true, "\r\n", listener.url()), 0, "1 1", "1 0"},
        {"Windows-1251, LF, other retrackers: TrackerCheck emptied", "0 0", "new.ini",
         directory(false, "\n", "udp://c:1"), 0, "1 1", ""},
        {"the pair is not in the new directory: both emptied", "1 0", "retrackers.ini",
         directory(false, "\r\n", "udp://c:1"), 0, "", ""},
        {"a broken file changes nothing", "0 0", "retrackers.ini", "[" CP1251_CITY "]\n1=Eastham\n", 1, "", ""},
    };
    std::filesystem::create_directory(box.dir() / "in");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        std::filesystem::remove(box.path("retrackers.ini.bak"));
        const std::string before = box.read("retrackers.ini");
        box.write("Settings.ini", "[Settings]\r\nTrackersFile=retrackers.ini\r\nTrackerIniIndex=" + row.index +
                                      "\r\nTrackerCheck=1 0\r\n");
        const std::string settingsBefore = box.read("Settings.ini");
        box.write("in/" + row.file, row.content);
        const RunResult result = keswelWith({"--import", "in/" + row.file});
        EXPECT_EQ(result.exitCode, row.exitCode) << result.output;
        if (row.exitCode != 0) {
            EXPECT_EQ(box.read("Settings.ini"), settingsBefore);
            EXPECT_EQ(box.read("retrackers.ini"), before);
            EXPECT_FALSE(box.exists("retrackers.ini.bak"));
            continue;
        }
        EXPECT_EQ(box.read(row.file), directory(false, "\r\n", row.content.find(listener.url()) != std::string::npos
                                                                   ? listener.url()
                                                                   : "udp://c:1"));
        if (row.file == "retrackers.ini") {
            EXPECT_EQ(box.read("retrackers.ini.bak"), before);
        }
        EXPECT_EQ(box.read("Settings.ini"), "[Settings]\r\nTrackersFile=" + row.file + "\r\nTrackerIniIndex=" +
                                                row.indexAfter + "\r\nTrackerCheck=" + row.checkAfter + "\r\n");
    }
}

}  // namespace
}  // namespace testing_support
