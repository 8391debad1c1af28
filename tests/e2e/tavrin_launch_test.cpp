// The client launch of the built Tavrin, with a stand-in client that records
// the arguments it received.
#include <filesystem>

#include "tests/e2e/tavrin_fixture.h"
#include "tests/support/fake_client.h"

namespace testing_support {
namespace {

const std::string kTorrent = "d4:infod6:lengthi1e4:name1:nee";

class TavrinLaunch : public TavrinTest {
protected:
    std::string client;

    void SetUp() override {
        writeDirectory();
        std::filesystem::create_directory(box.dir() / "client dir");
        client = box.path("client dir/fake client");
        std::filesystem::copy_file(FAKE_CLIENT_EXE, client);
    }

    // Runs Tavrin on a torrent named `name` (one argument: the client starts).
    void launch(const std::string& launchArguments, const std::string& name = "in.torrent",
                const std::string& launchPath = "") {
        writeSettings("TrackerIniIndex=0 0\r\nLaunchPath=" + (launchPath.empty() ? client : launchPath) +
                      "\r\nLaunchArguments=" + launchArguments + "\r\n");
        std::filesystem::create_directory(box.dir() / "from");
        writeFile((box.dir() / "from" / name).string(), kTorrent);
        ASSERT_EQ(runProgram(tavrin, {(box.dir() / "from" / name).string()}, box.dir().string()).exitCode, 0);
    }

    // The arguments the client recorded after its own name; waits for it,
    // since Tavrin does not.
    std::vector<std::string> clientArguments() {
        std::optional<std::vector<std::string>> arguments = waitForClientRecord(client);
        if (!arguments || arguments->empty()) {
            ADD_FAILURE() << "the client recorded nothing";
            return {};
        }
        EXPECT_EQ(arguments->front(), client);
        arguments->erase(arguments->begin());
        return *arguments;
    }
};

TEST_F(TavrinLaunch, TemplatesGiveTheseArguments) {
    struct Row {
        std::string launchArguments;
        std::vector<std::string> arguments;  // "PATH" stands for the written torrent
    };
    const Row rows[] = {
        {"%1", {"PATH"}},
        {"-a  %1   -b", {"-a", "PATH", "-b"}},
        {"\"%1\"", {"PATH"}},
        {"%1 %1", {"PATH", "%1"}},
        {"--file=%1", {"--file=PATH"}},
        {"\"--dir=C:\\a b\" %1", {"--dir=C:\\a b", "PATH"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.launchArguments);
        launch(row.launchArguments);
        std::vector<std::string> expected;
        for (std::string argument : row.arguments) {
            size_t at = argument.find("PATH");
            if (at != std::string::npos) argument.replace(at, 4, box.path("in.torrent"));
            expected.push_back(argument);
        }
        EXPECT_EQ(clientArguments(), expected);
    }
}

TEST_F(TavrinLaunch, MissingPlaceholderIsLoggedAndTheClientStillStarts) {
    launch("");
    EXPECT_EQ(clientArguments(), std::vector<std::string>{});
    EXPECT_EQ(logLines().back(), "Wrong launch arguments, no way to add filename to \"\"");
    launch("-x");
    EXPECT_EQ(clientArguments(), std::vector<std::string>{"-x"});
    EXPECT_EQ(logLines().back(), "Wrong launch arguments, no way to add filename to \"-x\"");
}

#ifdef _WIN32
// CreateProcessA: an empty application name is a path not found; a file that
// is no program has a bad format.
constexpr int kEmptyPathCode = 3, kMissingCode = 2, kNotExecutableCode = 193;
#else
constexpr int kEmptyPathCode = 2, kMissingCode = 2, kNotExecutableCode = 13;
#endif

TEST_F(TavrinLaunch, FailedStartsAreLoggedAndTheRunStillSucceeds) {
    const std::string path = box.path("in.torrent");
    box.write("not executable", "#!/bin/sh\n");
    std::filesystem::permissions(box.path("not executable"), std::filesystem::perms::owner_read |
                                                                  std::filesystem::perms::owner_write);
    struct Row {
        std::string launchPath;
        std::string logged;
    };
    const Row rows[] = {
        {"\"\"", "Running of \"\"\" \"" + path + "\"\" failed with code " + std::to_string(kEmptyPathCode)},
        {box.path("missing client"), "Running of \"\"" + box.path("missing client") + "\" \"" + path +
                                         "\"\" failed with code " + std::to_string(kMissingCode)},
        {box.path("not executable"), "Running of \"\"" + box.path("not executable") + "\" \"" + path +
                                         "\"\" failed with code " + std::to_string(kNotExecutableCode)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.launchPath);
        launch("%1", "in.torrent", row.launchPath);
        EXPECT_EQ(logLines().back(), row.logged);
        EXPECT_EQ(box.read("in.torrent").substr(0, 3), "d13");
    }
}

// Whatever the torrent's name holds, it reaches the client as one piece of
// its argument, byte for byte.
TEST_F(TavrinLaunch, HostileFileNamesCannotChangeTheArguments) {
    const std::string names[] = {
#ifndef _WIN32
        // Windows file names cannot hold quotes, line ends or tabs.
        "a \"b\" c.torrent", "x\" \"--evil.torrent", "back\\\\\"slash.torrent", "new\nline.torrent", "tab\there.torrent",
#endif
        "a  b.torrent", "$(touch pwned);`id`.torrent", "%1.torrent", "\xC3\xEE\xF0\xEE\xE4.torrent",
    };
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
#ifdef _WIN32
        // The path is always put in quotes; a quoted "%1" would double them,
        // and the client's C runtime would then split a path with spaces.
        launch("-a %1 -b", name);
#else
        launch("-a \"%1\" -b", name);
#endif
        EXPECT_EQ(clientArguments(), (std::vector<std::string>{"-a", box.path(name), "-b"}));
    }
    EXPECT_FALSE(box.exists("pwned"));
}

}  // namespace
}  // namespace testing_support
