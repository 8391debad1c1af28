// Tavrin.exe as Windows runs it: files beside the executable, the log in
// text mode, names outside the ANSI code page, the client started with
// CreateProcessW.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/e2e/tavrin_fixture.h"
#include "tests/support/fake_client.h"
#include "tests/support/sandbox.h"

using testing_support::Sandbox;

namespace {

TEST(TavrinWindows, WithoutArgumentsNothingIsDoneAndNoLogIsMade) {
    Sandbox sandbox;
    const std::string tavrin = sandbox.install(TAVRIN_EXE);
    auto run = testing_support::runProgram(tavrin, {}, sandbox.dir().string());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(sandbox.exists("Tavrin.log"));
}

TEST(TavrinWindows, LogLinesEndInCrLfAndQuoteTheArgumentAsTyped) {
    Sandbox sandbox;
    const std::string tavrin = sandbox.install(TAVRIN_EXE);
    sandbox.write("Tavrin.log", "old line\r\n");
    auto run = testing_support::runProgram(tavrin, {"missing dir\\x.torrent"}, sandbox.dir().string());
    EXPECT_EQ(run.exitCode, 1);
    const std::string log = sandbox.read("Tavrin.log");
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log.substr(log.size() - 2), "\r\n");
    EXPECT_EQ(log.find("\n\n"), std::string::npos);
    auto lines = testing_support::splitLines(log);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "old line");
    EXPECT_EQ(testing_support::withoutTimestamp(lines[1]), "Running for torrent \"missing dir\\x.torrent\"");
    // ERROR_PATH_NOT_FOUND: the folder is missing.
    EXPECT_EQ(testing_support::withoutTimestamp(lines[2]), "Reading of \"missing dir\\x.torrent\" failed with code 3");
}

TEST(TavrinWindows, EmptyTorrentIsBadTorrentWithCrLf) {
    Sandbox sandbox;
    const std::string tavrin = sandbox.install(TAVRIN_EXE);
    sandbox.write("empty.torrent", "");
    auto run = testing_support::runProgram(tavrin, {"empty.torrent", "out.torrent"}, sandbox.dir().string());
    EXPECT_EQ(run.exitCode, 1);
    const std::string log = sandbox.read("Tavrin.log");
    EXPECT_NE(log.find(" Bad torrent\r\n"), std::string::npos) << log;
    EXPECT_FALSE(sandbox.exists("out.torrent"));
}

}  // namespace

namespace testing_support {
namespace {

namespace fs = std::filesystem;

// A name with no form in the ANSI code page: "电影.torrent".
const std::string kChineseName = "\xE7\x94\xB5\xE5\xBD\xB1.torrent";

std::string utf8Of(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

class TavrinNames : public TavrinTest {
protected:
    std::string client;

    void SetUp() override {
        writeDirectory();
        client = box.path("fake client");
        fs::copy_file(FAKE_CLIENT_EXE, client);
        writeSettings("TrackerIniIndex=0 0\r\nLaunchPath=" + client + "\r\nLaunchArguments=%1\r\n");
        fs::create_directory(box.dir() / "from");
    }
};

TEST_F(TavrinNames, ANameOutsideTheAnsiCodePageIsReadWrittenAndHandedOnIntact) {
    const fs::path torrent = box.dir() / "from" / fs::path(reinterpret_cast<const char8_t*>(kChineseName.c_str()));
    { std::ofstream(torrent, std::ios::binary) << "d4:infod6:lengthi1e4:name1:nee"; }
    ASSERT_EQ(runProgramUtf8(tavrin, {utf8Of(torrent)}, box.dir().string()).exitCode, 0);

    const fs::path output = box.dir() / fs::path(reinterpret_cast<const char8_t*>(kChineseName.c_str()));
    std::ifstream in(output, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(written.substr(0, 17), "d13:announce-list");
    const auto arguments = waitForClientRecord(client, 20000, true);
    ASSERT_TRUE(arguments.has_value());
    EXPECT_EQ(*arguments, (std::vector<std::string>{client, utf8Of(output)}));
    // The log holds the name in UTF-8, since the ANSI code page has no form of it.
    ASSERT_FALSE(logLines().empty());
    EXPECT_EQ(logLines().front(), "Running for torrent \"" + utf8Of(torrent) + "\"");
}

// Whatever a link or a path holds, the client gets it as one argument, byte
// for byte: backslash runs and a backslash at the end survive the C runtime's
// split, and "%", "^" and "&" mean nothing to CreateProcess.
TEST_F(TavrinNames, LinksAndPathsReachTheClientAsOneArgumentEach) {
    const std::string topic = "magnet:?xt=urn:btih:c12fe1c06bba254a9dc9f519b335aa7c1367a88a";
    for (const std::string& link : {topic + "&dn=a\\\\ b\\c %41 100% ^x^&x=y\\", topic + "&dn=C:\\d\\\\&tr=z\\\\\\"}) {
        SCOPED_TRACE(link);
        ASSERT_EQ(runProgram(tavrin, {link}, box.dir().string()).exitCode, 0);
        const auto arguments = waitForClientRecord(client);
        ASSERT_TRUE(arguments.has_value());
        EXPECT_EQ(*arguments, (std::vector<std::string>{client, link}));
    }
    // "мой фильм & 100% ^.torrent" in a folder with a blank.
    const std::string name = "\xD0\xBC\xD0\xBE\xD0\xB9 \xD1\x84\xD0\xB8\xD0\xBB\xD1\x8C\xD0\xBC & 100% ^.torrent";
    const fs::path folder = box.dir() / "from dir";
    fs::create_directory(folder);
    const fs::path torrent = folder / fs::path(reinterpret_cast<const char8_t*>(name.c_str()));
    { std::ofstream(torrent, std::ios::binary) << "d4:infod6:lengthi1e4:name1:nee"; }
    ASSERT_EQ(runProgramUtf8(tavrin, {utf8Of(torrent)}, box.dir().string()).exitCode, 0);
    const auto arguments = waitForClientRecord(client, 20000, true);
    ASSERT_TRUE(arguments.has_value());
    EXPECT_EQ(*arguments, (std::vector<std::string>{client, utf8Of(box.dir() / torrent.filename())}));
}

TEST_F(TavrinNames, ANameThatFitsTheAnsiCodePageIsLoggedInIt) {
    // "Город" with the Russian code page; other Latin letters with a Western one.
    const std::string name = CP1251_CITY ".torrent";
    writeFile(box.path("from\\" + name), "d4:infod6:lengthi1e4:name1:nee");
    ASSERT_EQ(runProgram(tavrin, {box.path("from\\" + name)}, box.dir().string()).exitCode, 0);
    ASSERT_FALSE(logLines().empty());
    EXPECT_EQ(logLines().front(), "Running for torrent \"" + box.path("from\\" + name) + "\"");
    const auto arguments = waitForClientRecord(client);
    ASSERT_TRUE(arguments.has_value());
    EXPECT_EQ(*arguments, (std::vector<std::string>{client, box.path(name)}));
}

// Magnet links are registered as "Tavrin.exe" "%1": a raw quote in a link
// ends the quoted argument, and the runtime makes the rest further arguments.
TEST_F(TavrinTest, ACraftedMagnetLinkWritesNothing) {
    writeDirectory();
    writeSettings("TrackerIniIndex=0 0\r\nTrackerCheck=1 0\r\n");
    const std::string link = "magnet:?xt=urn:btih:c12fe1c06bba254a9dc9f519b335aa7c1367a88a&dn=a";
    EXPECT_EQ(runProgramWithCommandLine(tavrin, "\"" + link + "\" x.bat \"b\"", box.dir().string()).exitCode, 1);
    EXPECT_FALSE(box.exists("x.bat"));
    EXPECT_EQ(logLines(), (std::vector<std::string>{"Running for torrent \"" + link + "\"",
                                                    "Nothing done: \"x.bat\" follows the magnet link; to write the "
                                                    "link to a file, give --output FILE before it"}));
}

}  // namespace
}  // namespace testing_support
