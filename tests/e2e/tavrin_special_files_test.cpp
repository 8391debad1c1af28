// Files that are not plain files, and runs that are killed: Tavrin never
// blocks on a FIFO, never reads a device, never turns a FIFO or a device into
// a plain file, and killed runs leave no temporary file behind.
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <set>

#include "tests/e2e/tavrin_fixture.h"

namespace testing_support {
namespace {

namespace fs = std::filesystem;

class TavrinSpecialFiles : public TavrinTest {
protected:
    void SetUp() override {
        writeSettings("TrackerIniIndex=0 0\r\nTrackerCheck=1 2 0\r\n");
        writeDirectory();
        box.write("in.torrent", "d4:infod6:lengthi1e4:name1:nee");
    }

    std::set<std::string> names() const {
        std::set<std::string> found;
        for (const auto& entry : fs::directory_iterator(box.dir())) found.insert(entry.path().filename().string());
        return found;
    }
};

TEST_F(TavrinSpecialFiles, InputsAndTargetsThatAreNoPlainFilesAreRefused) {
    struct Row {
        const char* name;
        std::vector<std::string> arguments;
        std::string line;     // the log's last line
        const char* special;  // what must still be there as it was, or null
        fs::file_type type;
    };
    ASSERT_EQ(mkfifo(box.path("pipe.torrent").c_str(), 0644), 0);
    fs::create_directory(box.dir() / "folder.torrent");
    fs::create_symlink("/dev/null", box.dir() / "null.torrent");
    const Row rows[] = {
        {"a FIFO to read", {"pipe.torrent"}, "Reading of \"pipe.torrent\" failed with code 22", "pipe.torrent",
         fs::file_type::fifo},
        {"a device to read", {"/dev/zero"}, "Reading of \"/dev/zero\" failed with code 22", nullptr, {}},
        {"a folder to read", {"folder.torrent"}, "Reading of \"folder.torrent\" failed with code 21", nullptr, {}},
        {"a FIFO to write", {"in.torrent", "pipe.torrent"}, "Writing of \"pipe.torrent\" failed with code 22",
         "pipe.torrent", fs::file_type::fifo},
        {"a device to write", {"in.torrent", "null.torrent"}, "Writing of \"null.torrent\" failed with code 22",
         "/dev/null", fs::file_type::character},
        {"a folder to write", {"in.torrent", "folder.torrent"}, "Writing of \"folder.torrent\" failed with code 21",
         "folder.torrent", fs::file_type::directory},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(run(row.arguments).exitCode, 1);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        const std::vector<std::string> log = logLines();
        EXPECT_EQ(log.empty() ? "" : log.back(), row.line);
        if (row.special) {
            EXPECT_EQ(fs::symlink_status(box.dir() / row.special).type(), row.type);
        }
    }
}

TEST_F(TavrinSpecialFiles, ALogThatIsAFifoCountsAsOneThatCannotBeOpened) {
    ASSERT_EQ(mkfifo(box.path("Tavrin.log").c_str(), 0644), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(run({"in.torrent", "out.torrent"}).exitCode, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(box.exists("out.torrent"));
    EXPECT_EQ(fs::symlink_status(box.dir() / "Tavrin.log").type(), fs::file_type::fifo);
}

pid_t startTavrin(const std::string& program, const std::vector<std::string>& arguments, const fs::path& dir) {
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return child;
}

// Runs killed at any moment of reading, writing or committing a large
// torrent leave at most files that the next run removes.
TEST_F(TavrinSpecialFiles, KilledRunsLeaveNoTemporaryFile) {
    constexpr int kKills = 50;
    const std::string pieces(64 << 20, 'p');
    box.write("in.torrent", "d4:infod6:lengthi1e4:name1:n6:pieces" + std::to_string(pieces.size()) + ":" + pieces +
                                "ee");
    const std::set<std::string> before = names();
    const std::vector<std::string> arguments = {"in.torrent", "out.torrent"};

    // One whole run tells how long the kills should spread over.
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(run(arguments).exitCode, 0);
    const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    std::mt19937 random(20);
    std::uniform_int_distribution<long> moment(0, whole.count());
    for (int kill = 0; kill < kKills; ++kill) {
        const pid_t child = startTavrin(tavrin, arguments, box.dir());
        ASSERT_GT(child, 0);
        usleep(static_cast<useconds_t>(moment(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
    }
    ASSERT_EQ(run(arguments).exitCode, 0);
    std::set<std::string> after = names();
    after.erase("out.torrent");
    after.erase("Tavrin.log");
    EXPECT_EQ(after, before);
}

}  // namespace
}  // namespace testing_support
