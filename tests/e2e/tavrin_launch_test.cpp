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
        std::string cause;  // the start of the line after it, which names Keswel --choose
    };
    const Row rows[] = {
        {"\"\"", "Running of \"\"\" \"" + path + "\"\" failed with code " + std::to_string(kEmptyPathCode),
         "LaunchPath is empty: no BitTorrent client is set; run "},
        {box.path("missing client"),
         "Running of \"\"" + box.path("missing client") + "\" \"" + path + "\"\" failed with code " +
             std::to_string(kMissingCode),
         "LaunchPath \"" + box.path("missing client") + "\" names no program that can be started; "},
        {box.path("not executable"),
         "Running of \"\"" + box.path("not executable") + "\" \"" + path + "\"\" failed with code " +
             std::to_string(kNotExecutableCode),
#ifdef _WIN32
         ""},  // any file may be started there; the system refuses it only when it tries
#else
         "LaunchPath \"" + box.path("not executable") + "\" names no program that can be started; "},
#endif
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.launchPath);
        launch("%1", "in.torrent", row.launchPath);
        const std::vector<std::string> lines = logLines();
        ASSERT_GE(lines.size(), 2u);
        if (row.cause.empty()) {
            EXPECT_EQ(lines.back(), row.logged);
            continue;
        }
        EXPECT_EQ(lines[lines.size() - 2], row.logged);
        EXPECT_EQ(lines.back().substr(0, row.cause.size()), row.cause);
        EXPECT_NE(lines.back().find("eswel"), std::string::npos);
        EXPECT_NE(lines.back().find(" --choose"), std::string::npos);
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

TEST_F(TavrinLaunch, LaunchOnFailureStartsTheClientOnTheUnchangedTorrent) {
    struct Row {
        const char* launchOnFailure;
        bool started;
    };
    const Row rows[] = {{"", false}, {"False", false}, {"true", true}, {"True", true}};
    const std::string original = (box.dir() / "from" / "in.torrent").string();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.launchOnFailure);
        std::filesystem::remove(box.path("Tavrin.log"));
        writeSettings("TrackerIniIndex=2 0\r\nLaunchPath=" + client + "\r\nLaunchArguments=%1\r\nLaunchOnFailure=" +
                      row.launchOnFailure + "\r\n");
        std::filesystem::create_directory(box.dir() / "from");
        writeFile(original, kTorrent);
        // A relative argument: the client gets the full path.
        EXPECT_EQ(runProgram(tavrin, {std::string("from") + "/in.torrent"}, box.dir().string()).exitCode, 1);
        EXPECT_FALSE(box.exists("in.torrent"));
        EXPECT_EQ(readFile(original), kTorrent);
        const std::optional<std::vector<std::string>> got = waitForClientRecord(client, row.started ? 20000 : 300);
        if (!row.started) {
            EXPECT_FALSE(got.has_value());
            EXPECT_EQ(logLines().size(), 3u);  // the run, "Bad city 3" and its cause
            continue;
        }
        ASSERT_TRUE(got.has_value());
        EXPECT_EQ(*got, (std::vector<std::string>{client, original}));
        EXPECT_EQ(logLines().back(), "Starting the client on the unchanged torrent \"" + original + "\"");
    }
}

TEST_F(TavrinLaunch, TavrinItselfOrAFileOpenerIsNeverStarted) {
    for (const std::string& opener :
         {box.path("Tavrin"), std::string("/usr/bin/xdg-open"), std::string("C:\\Windows\\explorer.exe")}) {
        SCOPED_TRACE(opener);
        launch("%1", "in.torrent", opener);
        EXPECT_EQ(logLines().back().rfind("LaunchPath \"" + opener + "\" is ", 0), 0u);
    }
}

}  // namespace
}  // namespace testing_support
