#include "settings/setup_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/program_files.h"
#include "tests/support/cp1251_words.h"
#include "tests/support/sandbox.h"

using testing_support::Sandbox;

namespace {

const std::string kDirectory = "[" CP1251_CITY "]\r\n1=Northtown\r\n2=Southport\r\n"
                               "[" CP1251_PROVIDERS " Northtown]\r\n1=NetOne\r\n2=Link Two\r\n"
                               "[" CP1251_PROVIDERS " Southport]\r\n1=NetOne\r\n"
                               "[" CP1251_RETRACKERS " Northtown NetOne]\r\n" CP1251_COUNT "=1\r\n1=http://a/\r\n"
                               "[" CP1251_RETRACKERS " Northtown Link Two]\r\n" CP1251_COUNT "=0\r\n";

// One row per cause: the files as the user left them, and the one problem
// the check finds ("" for none; a row may give only the problem's start).
// "DIR" and "SET" stand for the paths of the
// directory and of Settings.ini, "CLIENT" for a program that exists.
TEST(SetupCheck, OneProblemPerCause) {
    struct Row {
        const char* name;
        std::string settings;  // after "[Settings]"
        std::string directory; // empty: no directory file
        std::string problem;
    };
    const std::string ok = "TrackerCheck=1 0\r\nLaunchPath=CLIENT\r\n";
    const std::string in = " of \"DIR\"";
    const Row rows[] = {
        {"all in order", "TrackerIniIndex=0 0\r\n" + ok, kDirectory, ""},
        {"directory missing", "TrackerIniIndex=0 0\r\n" + ok, "", "Directory \"DIR\" not found (code 2)"},
        {"directory in UTF-8", "TrackerIniIndex=0 0\r\n" + ok, "[" UTF8_CITY "]\r\n1=Northtown\r\n",
         "Directory \"DIR\" is saved as UTF-8; it must be saved as Windows-1251 (Keswel --import converts it)"},
        {"index unset", ok, kDirectory,
         "TrackerIniIndex in \"SET\" must be two numbers counted from 0, such as \"0 0\""},
        {"city missing", "TrackerIniIndex=5 0\r\n" + ok, kDirectory, "No city 6 in section [" LOG_CITY "]" + in},
        {"provider missing", "TrackerIniIndex=1 3\r\n" + ok, kDirectory,
         "No provider 4 in section [" LOG_PROVIDERS " Southport]" + in},
        {"section missing", "TrackerIniIndex=1 0\r\n" + ok, kDirectory,
         "No section [" LOG_RETRACKERS " Southport NetOne]" + in},
        {"count 0", "TrackerIniIndex=0 1\r\n" + ok, kDirectory,
         "Section [" LOG_RETRACKERS " Northtown Link Two]" + in + " has " LOG_COUNT " 0 or none"},
        {"TrackerCheck never written", "TrackerIniIndex=0 0\r\nLaunchPath=CLIENT\r\n", kDirectory,
         "TrackerCheck is empty: Keswel has never stored which retrackers answer"},
        {"TrackerCheck of no retracker", "TrackerIniIndex=0 0\r\nTrackerCheck= 0\r\nLaunchPath=CLIENT\r\n", kDirectory,
         ""},
        {"LaunchPath missing", "TrackerIniIndex=0 0\r\nTrackerCheck=1 0\r\nLaunchPath=CLIENT.gone\r\n", kDirectory,
         "LaunchPath \"CLIENT.gone\" is not an executable file (code 2)"},
        {"LaunchPath empty", "TrackerIniIndex=0 0\r\nTrackerCheck=1 0\r\nLaunchPath=\r\n", kDirectory,
         "LaunchPath is empty: no BitTorrent client is set; run Keswel --choose to adopt an installed one, or set "
         "LaunchPath (the client's program, a full path) and LaunchArguments"},
        {"LaunchPath a bare name", "TrackerIniIndex=0 0\r\nTrackerCheck=1 0\r\nLaunchPath=no-such-client\r\n",
         kDirectory,
         "LaunchPath \"no-such-client\" is not a full path; Tavrin does not search PATH and no such program is on "
         "PATH either"},
#ifndef _WIN32
        {"LaunchPath a bare name on PATH", "TrackerIniIndex=0 0\r\nTrackerCheck=1 0\r\nLaunchPath=sh\r\n", kDirectory,
         "LaunchPath \"sh\" is not a full path; Tavrin does not search PATH: set LaunchPath=SHELL"},
#endif
        {"LaunchArguments without %1", "TrackerIniIndex=0 0\r\n" + ok + "LaunchArguments=--foo\r\n", kDirectory,
         "LaunchArguments \"--foo\" has no %1, so the client would not get the torrent"},
        {"LaunchPath a folder", "TrackerIniIndex=0 0\r\nTrackerCheck=1 0\r\nLaunchPath=FOLDER\r\n", kDirectory,
         "LaunchPath \"FOLDER\" is not an executable file (code "},  // the code differs between the systems
        {"LaunchPath Tavrin", "TrackerIniIndex=0 0\r\nTrackerCheck=1 0\r\nLaunchPath=/opt/R/Tavrin\r\n", kDirectory,
         "LaunchPath \"/opt/R/Tavrin\" is Tavrin itself; name your BitTorrent client"},
        {"LaunchPath an opener", "TrackerIniIndex=0 0\r\nTrackerCheck=1 0\r\nLaunchPath=/usr/bin/xdg-open\r\n",
         kDirectory,
         "LaunchPath \"/usr/bin/xdg-open\" is a file opener that would hand the torrent back to Tavrin; name your "
         "BitTorrent client"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Sandbox box;
        box.write("client", "#!/bin/sh\n");
        std::filesystem::permissions(box.path("client"), std::filesystem::perms::owner_all);
        std::filesystem::create_directory(box.dir() / "folder");
        auto fill = [&](std::string text) {
            for (auto [mark, value] : {std::pair<std::string, std::string>{"CLIENT", box.path("client")},
                                       {"FOLDER", box.path("folder")},
                                       {"DIR", box.path("retrackers.ini")},
                                       {"SET", box.path("Settings.ini")},
                                       {"SHELL", platform::findProgramOnPath("sh")}})
                for (size_t at; (at = text.find(mark)) != std::string::npos;) text.replace(at, mark.size(), value);
            return text;
        };
        // Every row but the one about it has a LaunchArguments in order.
        const std::string arguments =
            row.settings.find("LaunchArguments") == std::string::npos ? "LaunchArguments=%1\r\n" : "";
        box.write("Settings.ini",
                  "[Settings]\r\nTrackersFile=" + box.path("retrackers.ini") + "\r\n" + fill(row.settings) + arguments);
        if (!row.directory.empty()) box.write("retrackers.ini", row.directory);
        const settings::SetupReport report = settings::checkSetup(box.path("Settings.ini"));
        EXPECT_EQ(report.directory, box.path("retrackers.ini"));
        const std::string expected = fill(row.problem);
        if (expected.empty()) {
            EXPECT_EQ(report.problems, std::vector<std::string>{});
            continue;
        }
        ASSERT_EQ(report.problems.size(), 1u);
        EXPECT_EQ(report.problems[0].substr(0, expected.size()), expected);
    }
}

// A byte-order mark hides [Settings] (Wine alone reads through it): the
// cause names the mark, not TrackerIniIndex.
TEST(SetupCheck, ByteOrderMarkBeforeSettingsIsNamed) {
    if (kUnderWine) GTEST_SKIP() << "Wine reads through the mark";
    Sandbox box;
    for (const char* header : {"\xEF\xBB\xBF[Settings]", "\xEF\xBB\xBF [ settings ]"}) {
        SCOPED_TRACE(header);
        box.write("Settings.ini", std::string(header) + "\r\nTrackersFile=retrackers.ini\r\nTrackerIniIndex=0 0\r\n");
        const settings::SetupReport report = settings::checkSetup(box.path("Settings.ini"));
        ASSERT_FALSE(report.problems.empty());
        EXPECT_EQ(report.problems[0], "Settings file \"" + box.path("Settings.ini") +
                                          "\" starts with a UTF-8 byte-order mark, which hides its section [Settings]; "
                                          "save it without one (as ANSI or Windows-1251)");
    }
    // A mark before another section hides that one only: the causes stay as they were.
    box.write("Settings.ini", "\xEF\xBB\xBF[Other]\r\n[Settings]\r\nTrackersFile=retrackers.ini\r\n");
    EXPECT_EQ(settings::checkSetup(box.path("Settings.ini")).problems[0],
              "TrackerIniIndex in \"" + box.path("Settings.ini") + "\" must be two numbers counted from 0, such as \"0 0\"");
}

TEST(SetupCheck, SettingsFileMissing) {
    Sandbox box;
    settings::DirectoryChoice choice;
    choice.failure = settings::DirectoryFailure::BadIndex;
    EXPECT_EQ(settings::directoryCause(box.path("Settings.ini"), choice),
              "Settings file \"" + box.path("Settings.ini") + "\" not found (code 2)");
}

}  // namespace
