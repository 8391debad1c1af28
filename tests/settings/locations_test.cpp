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

// A tree as a package installs it: <root>/bin/<program>, samples in
// <root>/share/retrackers/, and a user whose folders lie in <root>/home.
struct InstalledTree {
    Sandbox box;
    settings::RunPaths paths = settings::locateRunPaths(
        box.path("bin/keswel"), false,
        platform::UserFolders{box.path("home/c/"), box.path("home/s/"), box.path("home/d/")});
    void writeSamples() const {
        std::filesystem::create_directories(box.path("share/retrackers"));
        box.write("share/retrackers/Settings.ini", "; sample\n[Settings]\n");
        box.write("share/retrackers/retrackers.ini", "; example\n");
    }
};

TEST(Locations, FirstUseCopiesTheSampleAndTheExampleDirectory) {
    InstalledTree tree;
    std::filesystem::create_directories(tree.box.path("bin"));
    tree.writeSamples();
    settings::prepareSettingsFolder(tree.paths);
    EXPECT_EQ(tree.box.read("home/c/retrackers/Settings.ini"), "; sample\n[Settings]\n");
    EXPECT_EQ(tree.box.read("home/c/retrackers/retrackers.ini"), "; example\n");
}

TEST(Locations, AnExistingSettingsFileIsNeverReplaced) {
    InstalledTree tree;
    tree.writeSamples();
    std::filesystem::create_directories(tree.box.path("home/c/retrackers"));
    tree.box.write("home/c/retrackers/Settings.ini", "mine");
    settings::prepareSettingsFolder(tree.paths);
    EXPECT_EQ(tree.box.read("home/c/retrackers/Settings.ini"), "mine");
    EXPECT_FALSE(tree.box.exists("home/c/retrackers/retrackers.ini"));
}

TEST(Locations, WithoutAnInstalledSampleNothingIsWritten) {
    InstalledTree tree;
    settings::prepareSettingsFolder(tree.paths);
    settings::prepareOutputFolders(tree.paths);
    EXPECT_TRUE(std::filesystem::is_directory(tree.box.path("home/c/retrackers")));
    EXPECT_FALSE(tree.box.exists("home/c/retrackers/Settings.ini"));
    EXPECT_TRUE(std::filesystem::is_directory(tree.box.path("home/s/retrackers")));
    EXPECT_TRUE(std::filesystem::is_directory(tree.box.path("home/d/retrackers/torrents")));
}

}  // namespace
