// A Tavrin run that hangs and is killed keeps the log lines it wrote.
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "tests/e2e/tavrin_fixture.h"

extern char** environ;

namespace testing_support {
namespace {

// The run hangs in the retracker step, on a directory file that is a FIFO
// nobody writes to, after its "Running for torrent" line.
TEST_F(TavrinTest, KilledRunKeepsItsLines) {
    writeSettings("TrackerIniIndex=0 0\r\nTrackerCheck=1 0\r\n");
    ASSERT_EQ(mkfifo(box.path("retrackers.ini").c_str(), 0600), 0);
    box.write("in.torrent", "d4:infod6:lengthi1e4:name1:nee");
    const std::string torrent = box.path("in.torrent");
    char* argv[] = {const_cast<char*>(tavrin.c_str()), const_cast<char*>(torrent.c_str()), nullptr};
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, tavrin.c_str(), nullptr, nullptr, argv, environ), 0);

    const std::vector<std::string> expected{"Running for torrent \"" + torrent + "\""};
    for (int waited = 0; waited < 5000 && logLines() != expected; waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const bool running = waitpid(child, nullptr, WNOHANG) == 0;
    if (running) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    ASSERT_TRUE(running) << "Tavrin ended instead of waiting on the FIFO: this test needs another way to hang";
    EXPECT_EQ(logLines(), expected);
}

}  // namespace
}  // namespace testing_support
