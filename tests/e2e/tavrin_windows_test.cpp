// Tavrin.exe as Windows runs it: files beside the executable, the log in
// text mode, the client started with CreateProcessA.
#include <gtest/gtest.h>

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
