// CreateProcessW with the launch path as application name: what the started
// program receives once its C runtime has split the command line.
#include <gtest/gtest.h>

#include "platform/client_process.h"
#include "platform/command_line.h"
#include "tests/support/command_line_rows.h"
#include "tests/support/fake_client.h"
#include "tests/support/sandbox.h"

using testing_support::Sandbox;

namespace {

// The arguments as they stand, without a torrent path.
platform::ClientLaunch launchOf(const std::string& client, const std::string& arguments) {
    return {client, arguments, std::nullopt};
}

bool isAscii(const std::string& text) {
    for (unsigned char c : text)
        if (c >= 0x80) return false;
    return true;
}

TEST(Win32ClientProcess, TheClientGetsTheArgumentsAsTheRuntimeSplitsThem) {
    Sandbox sandbox;
    const std::string client = sandbox.install(FAKE_CLIENT_EXE);
    for (const auto& row : testing_support::kCommandLineSplits) {
        SCOPED_TRACE(row.arguments);
        auto result = platform::startClient(launchOf(client, row.arguments));
        ASSERT_TRUE(result.started) << result.code;
        auto argv = testing_support::waitForClientRecord(client);
        ASSERT_TRUE(argv.has_value());
        std::vector<std::string> expected{client};
        expected.insert(expected.end(), row.argv.begin(), row.argv.end());
        EXPECT_EQ(*argv, expected);
    }
}

// Whatever the torrent path or link holds, the client's C runtime gives it
// back as exactly its bytes, in its argument of the template.
TEST(Win32ClientProcess, QuotedArgumentsArriveWhole) {
    Sandbox sandbox;
    const std::string client = sandbox.install(FAKE_CLIENT_EXE);
    for (const auto& row : testing_support::kQuotedArguments) {
        SCOPED_TRACE(row.argument);
        EXPECT_EQ(platform::quotedWindowsArgument(row.argument, platform::Quotes::Always), row.quoted);
        // Names beyond ASCII are compared as the wide command line gives them.
        const bool ascii = isAscii(row.argument);
        const auto result = platform::startClient({client, "-a --file=%1 %1", row.argument});
        ASSERT_TRUE(result.started) << result.code;
        const auto argv = testing_support::waitForClientRecord(client, 20000, !ascii);
        ASSERT_TRUE(argv.has_value());
        EXPECT_EQ(*argv, (std::vector<std::string>{client, "-a", "--file=" + row.argument, "%1"}));
    }
}

TEST(Win32ClientProcess, CommandLinesLongerThanAFixedBufferArriveWhole) {
    Sandbox sandbox;
    const std::string client = sandbox.install(FAKE_CLIENT_EXE);
    const std::string longPath = "C:\\" + std::string(3000, 'p') + "\\x.torrent";
    auto result = platform::startClient(launchOf(client, "\"" + longPath + "\""));
    ASSERT_TRUE(result.started) << result.code;
    auto argv = testing_support::waitForClientRecord(client);
    ASSERT_TRUE(argv.has_value());
    EXPECT_EQ(*argv, (std::vector<std::string>{client, longPath}));
}

TEST(Win32ClientProcess, FailuresGiveTheSystemErrorCode) {
    Sandbox sandbox;
    const std::string client = sandbox.install(FAKE_CLIENT_EXE);
    sandbox.write("notes.exe", "not a program");

    auto missing = platform::startClient(launchOf(sandbox.path("missing.exe"), "x"));
    EXPECT_FALSE(missing.started);
    EXPECT_EQ(missing.code, 2);  // ERROR_FILE_NOT_FOUND

    auto notProgram = platform::startClient(launchOf(sandbox.path("notes.exe"), "x"));
    EXPECT_FALSE(notProgram.started);
    EXPECT_EQ(notProgram.code, 193);  // ERROR_BAD_EXE_FORMAT

    // An empty application name is still a name: the program is not taken
    // from the command line, which here names a real one.
    platform::ClientLaunch empty = launchOf(client, "x");
    empty.launchPath = "";
    auto emptyResult = platform::startClient(empty);
    EXPECT_FALSE(emptyResult.started);
    EXPECT_NE(emptyResult.code, 0);

    // Beyond the system's limit of 32767 characters nothing is started.
    auto tooLong = platform::startClient(launchOf(client, std::string(33000, 'a')));
    EXPECT_FALSE(tooLong.started);
    EXPECT_EQ(tooLong.code, 206);  // ERROR_FILENAME_EXCED_RANGE
    EXPECT_FALSE(testing_support::waitForClientRecord(client, 500).has_value());
}

}  // namespace
