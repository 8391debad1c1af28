#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "settings/locations.h"
#include "tests/support/sandbox.h"

using testing_support::Sandbox;

namespace {

const platform::UserFolders kUser{"/home/u/.config/", "/home/u/.local/state/", "/home/u/.local/share/"};

struct LocationRow {
    const char* name;
    bool settingsBeside;
    bool hasUserFolders;
    bool inUserFolders;
    const char *settings, *log, *output;
};

const LocationRow kLocationRows[] = {
    {"Settings.ini beside: portable", true, true, false,
     "/opt/r/Settings.ini", "/opt/r/Tavrin.log", "/opt/r/"},
    {"no user folders (Windows): beside as well", false, false, false,
     "/opt/r/Settings.ini", "/opt/r/Tavrin.log", "/opt/r/"},
    {"installed for all users: the user's folders", false, true, true,
     "/home/u/.config/retrackers/Settings.ini", "/home/u/.local/state/retrackers/Tavrin.log",
     "/home/u/.local/share/retrackers/torrents/"},
};

TEST(Locations, Table) {
    for (const LocationRow& row : kLocationRows) {
        SCOPED_TRACE(row.name);
        std::optional<platform::UserFolders> user;
        if (row.hasUserFolders) user = kUser;
        const settings::RunPaths paths = settings::locateRunPaths("/opt/r/Tavrin", row.settingsBeside, user);
        EXPECT_EQ(paths.executableDirectory, "/opt/r/");
        EXPECT_EQ(paths.inUserFolders, row.inUserFolders);
        EXPECT_EQ(paths.settingsPath, row.settings);
        EXPECT_EQ(paths.logPath, row.log);
        EXPECT_EQ(paths.outputDirectory, row.output);
        EXPECT_EQ(paths.sampleDirectory, row.inUserFolders ? "/opt/r/../share/retrackers/" : "");
    }
}

// First use in a tree as a package installs it: <box>/bin/keswel, samples
// in <box>/share/retrackers/, the user's folders in <box>/home.
struct FirstUseRow {
    const char* name;
    bool samplesInstalled;
    const char* settingsBefore;  // null: none yet
    const char* settingsAfter;   // null: still none
    bool directoryCopied;
};

const FirstUseRow kFirstUseRows[] = {
    {"no settings yet: sample and example copied", true, nullptr, "; sample", true},
    {"settings there: never replaced", true, "mine", "mine", false},
    {"no installed sample: nothing written", false, nullptr, nullptr, false},
};

TEST(Locations, FirstUse) {
    for (const FirstUseRow& row : kFirstUseRows) {
        SCOPED_TRACE(row.name);
        Sandbox box;
        const settings::RunPaths paths = settings::locateRunPaths(
            box.path("bin/keswel"), false,
            platform::UserFolders{box.path("home/c/"), box.path("home/s/"), box.path("home/d/")});
        std::filesystem::create_directories(box.path("bin"));  // "bin/../share" needs it
        if (row.samplesInstalled) {
            std::filesystem::create_directories(box.path("share/retrackers"));
            box.write("share/retrackers/Settings.ini", "; sample");
            box.write("share/retrackers/retrackers.ini", "; example");
        }
        if (row.settingsBefore) {
            std::filesystem::create_directories(box.path("home/c/retrackers"));
            box.write("home/c/retrackers/Settings.ini", row.settingsBefore);
        }
        settings::prepareSettingsFolder(paths);
        settings::prepareOutputFolders(paths);
        EXPECT_TRUE(std::filesystem::is_directory(box.path("home/s/retrackers")));
        EXPECT_TRUE(std::filesystem::is_directory(box.path("home/d/retrackers/torrents")));
        if (row.settingsAfter)
            EXPECT_EQ(box.read("home/c/retrackers/Settings.ini"), row.settingsAfter);
        else
            EXPECT_FALSE(box.exists("home/c/retrackers/Settings.ini"));
        EXPECT_EQ(box.exists("home/c/retrackers/retrackers.ini"), row.directoryCopied);
    }
}

}  // namespace
