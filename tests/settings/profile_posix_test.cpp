// Linux-only checks of the INI writer: what the conformance tables cannot
// arrange portably.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>

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
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(sandbox.dir())) ++entries;
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

}  // namespace
