// Files that are not plain files, and runs that are killed: Tavrin never
// blocks on a FIFO, never reads a device, never turns a FIFO or a device into
// a plain file, and killed runs leave no temporary file behind.
#include <csignal>
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

// Runs killed at any moment of reading, writing or committing a large
// torrent leave at most files that the next run removes.
TEST_F(TavrinSpecialFiles, KilledRunsLeaveNoTemporaryFile) {
    const std::string pieces(64 << 20, 'p');
    box.write("in.torrent", "d4:infod6:lengthi1e4:name1:n6:pieces67108864:" + pieces + "ee");
    box.write("out.torrent", "");
    char* const argv[] = {tavrin.data(), const_cast<char*>("in.torrent"), const_cast<char*>("out.torrent"), nullptr};
    // One whole run tells over how long the kills should spread.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(run({"in.torrent", "out.torrent"}).exitCode, 0);
    const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    std::mt19937 random(20);
    for (int kill = 0; kill < 50; ++kill) {
        const pid_t child = fork();
        if (child == 0) {
            if (chdir(box.dir().c_str()) == 0) execv(tavrin.c_str(), argv);
            _exit(127);
        }
        usleep(static_cast<useconds_t>(random() % whole.count()));
        ::kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    ASSERT_EQ(run({"in.torrent", "out.torrent"}).exitCode, 0);
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(box.dir())) names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"Settings.ini", "Tavrin", "Tavrin.log", "in.torrent", "out.torrent",
                                            "retrackers.ini"}));
}

}  // namespace
}  // namespace testing_support
