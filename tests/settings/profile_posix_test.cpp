// Linux-only checks of the INI reader and writer: what the conformance tables cannot
// arrange portably.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "settings/profile.h"
#include "tests/support/sandbox.h"

namespace {

// Holds the file-size limit low while it lives, so that writes fail as on a
// full disk (EFBIG instead of SIGXFSZ, which is ignored meanwhile).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGXFSZ, &ignore, &oldAction_);
        getrlimit(RLIMIT_FSIZE, &oldLimit_);
        rlimit low = oldLimit_;
        low.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &low);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &oldLimit_);
        sigaction(SIGXFSZ, &oldAction_, nullptr);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    struct sigaction oldAction_ {};
    rlimit oldLimit_{};
};

TEST(ProfileWriterPosix, FullDiskKeepsTheOldFile) {
    const std::string before = "; keep me\r\n[Settings]\r\nTrackerIniIndex=0 0\r\nTrackerCheck=1 0\r\n";
    testing_support::Sandbox sandbox;
    sandbox.write("Settings.ini", before);
    bool written;
    {
        FileSizeLimit limit(16);
        written = writeProfileString("Settings", "TrackerCheck", "1 2 3 0", sandbox.path("Settings.ini"));
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(sandbox.read("Settings.ini"), before);
    // The temporary file is gone too.
    size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(sandbox.dir()))
        entries += entry.path().filename() != "Settings.ini.lock";
    EXPECT_EQ(entries, 1u);
}

// The file is replaced, not rewritten in place: a reader that opened the
// old file keeps seeing all of it. Its permission bits carry over.
TEST(ProfileWriterPosix, ReplacesTheFileAsAWhole) {
    namespace fs = std::filesystem;
    const std::string before = "[Settings]\r\nTrackerCheck=1 0\r\n";
    const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    testing_support::Sandbox sandbox;
    sandbox.write("Settings.ini", before);
    fs::permissions(sandbox.path("Settings.ini"), mode);
    std::ifstream reader(sandbox.path("Settings.ini"), std::ios::binary);

    ASSERT_TRUE(writeProfileString("Settings", "TrackerCheck", "2 0", sandbox.path("Settings.ini")));
    EXPECT_EQ(sandbox.read("Settings.ini"), "[Settings]\r\nTrackerCheck=2 0\r\n");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(reader), {}), before);
    EXPECT_EQ(fs::status(sandbox.path("Settings.ini")).permissions(), mode);
}

// A Settings.ini that is a FIFO without a writer is neither read nor
// replaced, and nothing waits for it.
TEST(ProfileWriterPosix, AFifoIsNoProfile) {
    testing_support::Sandbox sandbox;
    ASSERT_EQ(mkfifo(sandbox.path("Settings.ini").c_str(), 0644), 0);
    EXPECT_EQ(readProfileString("Settings", "TrackerCheck", "none", sandbox.path("Settings.ini")), "none");
    EXPECT_FALSE(writeProfileString("Settings", "TrackerCheck", "1 0", sandbox.path("Settings.ini")));
    EXPECT_TRUE(std::filesystem::is_fifo(sandbox.path("Settings.ini")));
}

// Two processes writing keys of their own at the same time lose none of
// them: each read, change and replacement holds the lock beside the file.
TEST(ProfileWriterPosix, ConcurrentWritersLoseNoKey) {
    constexpr int kKeysEach = 150;
    testing_support::Sandbox sandbox;
    sandbox.write("Settings.ini", "[Settings]\r\nTrackerIniIndex=0 0\r\n");
    const std::string file = sandbox.path("Settings.ini");
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    pid_t writers[2];
    for (int w = 0; w < 2; ++w) {
        writers[w] = fork();
        ASSERT_GE(writers[w], 0);
        if (writers[w] == 0) {
            // Both start when the gate opens.
            char go;
            close(gate[1]);
            if (read(gate[0], &go, 1) < 0) _exit(2);
            bool ok = true;
            for (int i = 0; i < kKeysEach; ++i)
                ok = writeProfileString("Settings", "W" + std::to_string(w) + "K" + std::to_string(i), "1", file) && ok;
            _exit(ok ? 0 : 1);
        }
    }
    close(gate[0]);
    close(gate[1]);  // opens the gate: both reads return
    for (pid_t writer : writers) {
        int status = 0;
        ASSERT_EQ(waitpid(writer, &status, 0), writer);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    int lost = 0;
    for (int w = 0; w < 2; ++w)
        for (int i = 0; i < kKeysEach; ++i)
            lost += readProfileString("Settings", "W" + std::to_string(w) + "K" + std::to_string(i), "", file) != "1";
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(readProfileString("Settings", "TrackerIniIndex", "", file), "0 0");
}

}  // namespace

// A ProfileFile reads its file at its first lookup and answers every lookup
// from that text, so keys read together come from one state of the file.
TEST(ProfileReaderPosix, OneFileOneState) {
    testing_support::Sandbox sandbox;
    sandbox.write("t.ini", "[S]\r\na=1\r\nb=2\r\n");
    const platform::ProfileFile file(sandbox.path("t.ini"));
    EXPECT_EQ(readProfileString("S", "a", "", file), "1");
    sandbox.write("t.ini", "[S]\r\na=3\r\nb=4\r\nc=5\r\n");
    EXPECT_EQ(readProfileString("S", "b", "", file), "2");
    EXPECT_EQ(readProfileInt("S", "b", 0, file), 2);
    EXPECT_EQ(readProfileEntries("S", file).size(), 2u);
    EXPECT_EQ(readProfileString("S", "b", "", sandbox.path("t.ini")), "4");  // a path reads anew

    const platform::ProfileFile missing(sandbox.path("later.ini"));
    EXPECT_EQ(readProfileString("S", "a", "none", missing), "none");
    sandbox.write("later.ini", "[S]\r\na=1\r\n");
    EXPECT_EQ(readProfileString("S", "a", "none", missing), "none");
}
