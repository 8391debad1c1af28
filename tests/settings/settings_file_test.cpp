#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <string_view>

#include "settings/directory.h"
#include "settings/profile.h"
#include "settings/settings_file.h"
#include "tests/support/cp1251_words.h"
#include "tests/support/sandbox.h"

using testing_support::Sandbox;

namespace {

std::vector<std::string> crlfLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

TEST(SettingsFile, PathBesideTheExecutable) {
    Sandbox sandbox;
    EXPECT_EQ(settings::settingsPathFor(sandbox.path("Tavrin")), sandbox.path("Settings.ini"));
}

TEST(SettingsFile, TrackersFilePath) {
    struct Row {
        const char* stored;  // the line under [Settings]; "" for none
        std::string expected;
        bool linuxOnly;  // Windows hands a relative name to the profile functions unchanged
    };
    Sandbox sandbox;
    std::string directory = sandbox.dir().string() + "/";
    const Row rows[] = {
        {"", "", false},
        {"TrackersFile=", "", false},
        {"TrackersFile=retrackers.ini", directory + "retrackers.ini", true},
        {"TrackersFile=lists/retrackers.ini", directory + "lists/retrackers.ini", true},
        {"TrackersFile = \"/srv/lists/retrackers.ini\" ", "/srv/lists/retrackers.ini", true},
    };
    for (const Row& row : rows) {
        if (kUnderWine && row.linuxOnly) continue;
        SCOPED_TRACE(row.stored);
        sandbox.write("Settings.ini", "[Settings]\r\n" + std::string(row.stored) + "\r\n");
        EXPECT_EQ(settings::trackersFilePath(sandbox.path("Settings.ini")), row.expected);
    }
}

// The example files read as they say, and the relative TrackersFile leads
// to the example directory beside them.
TEST(SettingsFile, ExampleFiles) {
    Sandbox sandbox;
    sandbox.write("Settings.ini", testing_support::readFile(SOURCE_DIR "/examples/Settings.ini"));
    sandbox.write("retrackers.ini", testing_support::readFile(SOURCE_DIR "/examples/retrackers.ini"));
    std::string settingsPath = sandbox.path("Settings.ini");
    EXPECT_EQ(settings::readSetting(settingsPath, settings::kTrackerIniIndex), "0 0");
    EXPECT_EQ(settings::readSetting(settingsPath, settings::kTrackerCheck), "1 2 0");
    EXPECT_EQ(settings::readSetting(settingsPath, settings::kAddStat), "");
    EXPECT_EQ(settings::readSetting(settingsPath, settings::kLaunchPath), "");
    EXPECT_EQ(settings::readSetting(settingsPath, settings::kLaunchArguments), "%1");

    // Windows looks for a bare TrackersFile name in the Windows directory.
    if (kUnderWine) return;
    std::string directory = settings::trackersFilePath(settingsPath);
    EXPECT_EQ(cityName(directory, 1), "Northtown");
    EXPECT_EQ(providerName(directory, "Northtown", 2), "Link Two");
    std::string section = retrackerSection("Northtown", "NetOne");
    EXPECT_EQ(retrackerCount(directory, section), 2);
    EXPECT_EQ(retrackerUrl(directory, section, 2), "http://192.0.2.2/announce");
}

// What Keswel does at the end of its run: only the TrackerCheck line changes.
TEST(SettingsFile, WriteOfTrackerCheckChangesOneLine) {
    if (kUnderWine) GTEST_SKIP() << "Wine's writer rewrites the whole file";
    const std::string before =
        "; " CP1251_VALUE " \xAB\xBB\r\n"
        "\r\n"
        "[Other]\r\n"
        "TrackerCheck=not this one\r\n"
        "\r\n"
        "[Settings]\r\n"
        "TrackersFile = " CP1251_CITY "\\retrackers.ini\r\n"
        "\tTrackerIniIndex\t=\t2 5\r\n"
        "; the last run of the probe:\r\n"
        "  trackercheck =  3 0  \r\n"
        "AddStat=TRUE\r\n"
        "LaunchPath=/opt/client/bin/client\r\n"
        "LaunchArguments=--add \"%1\"\r\n"
        "\r\n"
        "[" CP1251_CITY "]\r\n"
        "1=Northtown\r\n";
    Sandbox sandbox;
    sandbox.write("Settings.ini", before);
    ASSERT_TRUE(writeProfileString(settings::kSection, settings::kTrackerCheck, "1 2 0", sandbox.path("Settings.ini")));

    std::vector<std::string> old = crlfLines(before);
    std::vector<std::string> now = crlfLines(sandbox.read("Settings.ini"));
    ASSERT_EQ(now.size(), old.size());
    size_t changed = 0;
    for (size_t i = 0; i < old.size(); ++i) {
        if (now[i] == old[i]) continue;
        ++changed;
        EXPECT_EQ(old[i], "  trackercheck =  3 0  ");
        EXPECT_EQ(now[i], "trackercheck=1 2 0");
    }
    EXPECT_EQ(changed, 1u);
    EXPECT_EQ(settings::readSetting(sandbox.path("Settings.ini"), settings::kTrackerCheck), "1 2 0");
}

// With no Settings.ini yet, the write creates it.
TEST(SettingsFile, WriteOfTrackerCheckCreatesTheFile) {
    Sandbox sandbox;
    ASSERT_TRUE(writeProfileString(settings::kSection, settings::kTrackerCheck, " 0", sandbox.path("Settings.ini")));
    // Wine drops the leading blank of a written value; Windows keeps it.
    EXPECT_EQ(sandbox.read("Settings.ini"),
              kUnderWine ? "[Settings]\r\nTrackerCheck=0\r\n" : "[Settings]\r\nTrackerCheck= 0\r\n");
    EXPECT_EQ(settings::readSetting(sandbox.path("Settings.ini"), settings::kTrackerCheck), "0");
}

struct IndexRow {
    std::string_view text;
    int32_t first, second;  // both preset to -1
};

constexpr IndexRow kIndexRows[] = {
    {"", -1, -1},
    {"2", 2, -1},
    {"0 0", 0, 0},
    {"  3\t 4  ", 3, 4},
    {"1,2", 1, -1},  // the separator must be blank
    {"-1 +2", -1, 2},
    {"x 2", -1, -1},  // the first failure ends the scan
    {"5 y", 5, -1},
    {"7 8 9", 7, 8},
    {"12abc", 12, -1},
    {"2147483648 1", -1, -1},  // out of range reads as no number
};

TEST(ScanTrackerIniIndex, Table) {
    for (const IndexRow& row : kIndexRows) {
        SCOPED_TRACE(row.text);
        int32_t first = -1, second = -1;
        settings::scanTrackerIniIndex(row.text, first, second);
        EXPECT_EQ(first, row.first);
        EXPECT_EQ(second, row.second);
    }
}

}  // namespace
