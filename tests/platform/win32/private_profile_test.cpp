// The thin layer over the system's private-profile functions: buffer sizes
// and argument passing. What the functions themselves do is checked by the
// INI conformance table of the settings tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/private_profile.h"
#include "tests/support/sandbox.h"

using testing_support::Sandbox;

namespace {

TEST(Win32PrivateProfile, ValuesAreCutToOneByteLessThanTheBuffer) {
    Sandbox sandbox;
    const std::string file = sandbox.path("long.ini");
    sandbox.write("long.ini", "[S]\r\nk=" + std::string(5000, 'x') + "\r\nshort=abc\r\n");
    EXPECT_EQ(platform::getPrivateProfileString("S", "k", "", file.c_str(), 4096), std::string(4095, 'x'));
    EXPECT_EQ(platform::getPrivateProfileString("S", "k", "", file.c_str(), 5), "xxxx");
    EXPECT_EQ(platform::getPrivateProfileString("S", "short", "", file.c_str(), 4096), "abc");
    EXPECT_EQ(platform::getPrivateProfileString("S", "missing", "dflt", file.c_str(), 4096), "dflt");
    EXPECT_EQ(platform::getPrivateProfileString("S", "k", "", file.c_str(), 0), "");
}

TEST(Win32PrivateProfile, WriteCreatesTheFileAndIntReadsItBack) {
    Sandbox sandbox;
    const std::string file = sandbox.path("Settings.ini");
    ASSERT_TRUE(platform::writePrivateProfileString("Settings", "TrackerCheck", "1 3 0", file.c_str()));
    EXPECT_EQ(sandbox.read("Settings.ini"), "[Settings]\r\nTrackerCheck=1 3 0\r\n");
    EXPECT_EQ(platform::getPrivateProfileInt("Settings", "TrackerCheck", 77, file.c_str()), 1);
    EXPECT_EQ(platform::getPrivateProfileInt("Settings", "Missing", -5, file.c_str()), -5);
}

TEST(Win32PrivateProfile, WriteIntoMissingDirectoryFails) {
    Sandbox sandbox;
    EXPECT_FALSE(platform::writePrivateProfileString("S", "k", "v", sandbox.path("no-dir\\x.ini").c_str()));
    EXPECT_FALSE(sandbox.exists("no-dir"));
}

TEST(Win32PrivateProfile, ABareNameIsTakenBesideTheSettingsWhenTheFileIsThere) {
    Sandbox sandbox;
    sandbox.write("retrackers.ini", "[x]\r\n");
    const std::string directory = sandbox.dir().string() + "\\";
    EXPECT_EQ(platform::profileFilePath(directory, "retrackers.ini"), directory + "retrackers.ini");
    // Otherwise the profile functions resolve the name themselves.
    EXPECT_EQ(platform::profileFilePath(directory, "Trackers.ini"), "Trackers.ini");
    EXPECT_EQ(platform::profileFilePath(directory, "..\\x.ini"), "..\\x.ini");
    EXPECT_EQ(platform::profileFilePath(directory, ".\\retrackers.ini"), ".\\retrackers.ini");
}

}  // namespace

namespace {

// Settings.ini beside a Tavrin.exe in a folder named "电影": the ANSI
// functions reach it through the folder's short name.
TEST(Win32PrivateProfile, AFolderOutsideTheAnsiCodePageIsReachedThroughItsShortName) {
    Sandbox sandbox;
    const std::string folder = "\xE7\x94\xB5\xE5\xBD\xB1";
    std::filesystem::create_directory(sandbox.dir() / std::filesystem::path(reinterpret_cast<const char8_t*>(folder.c_str())));
    const std::u8string base = sandbox.dir().u8string();
    const std::string file = std::string(base.begin(), base.end()) + "\\" + folder + "\\Settings.ini";
    ASSERT_TRUE(platform::writePrivateProfileString("Settings", "TrackerCheck", "2 0", file.c_str()));
    EXPECT_EQ(platform::getPrivateProfileString("Settings", "TrackerCheck", "", file.c_str(), 4096), "2 0");
    std::ifstream in(std::filesystem::path(reinterpret_cast<const char8_t*>(file.c_str())), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, "[Settings]\r\nTrackerCheck=2 0\r\n");
}

}  // namespace
