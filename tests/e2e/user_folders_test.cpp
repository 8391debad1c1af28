// The built programs installed for all users: in <box>/bin with the samples
// in <box>/share/retrackers and no Settings.ini beside them, they keep the
// user's files in the home runProgram gives them.
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/e2e/tavrin_fixture.h"
#include "tests/support/fake_client.h"
#include "tests/support/loopback.h"

namespace testing_support {
namespace {

namespace fs = std::filesystem;

const std::string kTorrent = "d8:announce14:http://own/ann4:infod6:lengthi1e4:name1:nee";

class UserFolders : public ::testing::Test {
protected:
    Sandbox box;
    std::string bin = box.path("bin");
    std::string home = box.path("bin/home");  // userHomeFor a program in bin/
    std::string config = home + "/.config/retrackers/";
    std::string state = home + "/.local/state/retrackers/";
    std::string data = home + "/.local/share/retrackers/torrents/";

    std::string installProgram(const char* built, const char* name) {
        fs::create_directories(bin);
        fs::copy_file(built, bin + "/" + name);
        return bin + "/" + name;
    }
    void installSample(const std::string& settings) {
        fs::create_directories(box.path("share/retrackers"));
        box.write("share/retrackers/Settings.ini", settings);
        box.write("share/retrackers/retrackers.ini", exampleDirectory());
    }
    static unsigned mode(const std::string& path) {
        struct stat status{};
        stat(path.c_str(), &status);
        return status.st_mode & 07777;
    }
};

TEST_F(UserFolders, TavrinWritesItsLogAndTheTorrentThereAndStartsTheClientOnIt) {
    const std::string tavrin = installProgram(TAVRIN_EXE, "tavrin");
    const std::string client = box.path("fake client");
    fs::copy_file(FAKE_CLIENT_EXE, client);
    installSample("[Settings]\r\nTrackersFile=retrackers.ini\r\nTrackerIniIndex=0 0\r\nTrackerCheck=2 0\r\nLaunchPath=" +
                  client + "\r\nLaunchArguments=%1\r\n");
    box.write("film.torrent", kTorrent);

    ASSERT_EQ(runProgram(tavrin, {box.path("film.torrent")}, box.dir().string()).exitCode, 0);

    EXPECT_EQ(readFile(config + "Settings.ini"), readFile(box.path("share/retrackers/Settings.ini")));
    EXPECT_EQ(readFile(config + "retrackers.ini"), exampleDirectory());
    EXPECT_NE(readFile(state + "Tavrin.log").find("Running for torrent"), std::string::npos);
    EXPECT_NE(readFile(data + "film.torrent").find("http://192.0.2.2/announce"), std::string::npos);
    EXPECT_EQ(mode(state), 0700u);
    EXPECT_FALSE(fs::exists(bin + "/Tavrin.log"));
    EXPECT_FALSE(fs::exists(bin + "/film.torrent"));
    EXPECT_EQ(box.read("film.torrent"), kTorrent);
    std::optional<std::vector<std::string>> got = waitForClientRecord(client);
    ASSERT_TRUE(got);
    EXPECT_EQ(*got, (std::vector<std::string>{client, data + "film.torrent"}));
}

TEST_F(UserFolders, KeswelStoresTrackerCheckInTheUsersSettings) {
    const std::string keswel = installProgram(KESWEL_EXE, "keswel");
    LoopbackListener listener;
    installSample("");
    fs::create_directories(config);
    writeFile(config + "Settings.ini", "[Settings]\r\nTrackersFile=loopback.ini\r\nTrackerIniIndex=0 0\r\n");
    writeFile(config + "loopback.ini", "[" + kCity + "]\r\n1=Lo\r\n[" + kProviders + "Lo]\r\n1=P\r\n[" + kRetrackers +
                                           "Lo P]\r\n" + kCount + "=2\r\n1=" + refusedUrl() + "\r\n2=" +
                                           listener.url() + "\r\n");

    ASSERT_EQ(runProgram(keswel, {}, box.dir().string()).exitCode, 0);
    EXPECT_NE(readFile(config + "Settings.ini").find("\r\nTrackerCheck=2 0\r\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(config + "retrackers.ini"));  // no first use: the user's folder stays as it was
    EXPECT_FALSE(fs::exists(bin + "/Settings.ini"));
}

TEST_F(UserFolders, KeswelSaysThatItMadeSettingsFromTheSample) {
    const std::string keswel = installProgram(KESWEL_EXE, "keswel");
    installSample("[Settings]\r\nTrackersFile=retrackers.ini\r\n");
    const RunResult first = runProgram(keswel, {"--list"}, box.dir().string());
    EXPECT_EQ(splitLines(first.output).front(),
              "Created " + config + "Settings.ini from the sample " + bin + "/../share/retrackers/Settings.ini");
    const RunResult second = runProgram(keswel, {"--list"}, box.dir().string());
    EXPECT_EQ(second.output.find("Created"), std::string::npos);
}

}  // namespace
}  // namespace testing_support
