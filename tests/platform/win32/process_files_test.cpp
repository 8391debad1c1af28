#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_io.h"
#include "platform/process_files.h"
#include "tests/support/sandbox.h"

using testing_support::Sandbox;

namespace {

TEST(Win32ProcessFiles, ExecutablePathIsTheFullPathOfThisProgram) {
    std::string path = platform::executablePath();
    EXPECT_TRUE(platform::isAbsolutePath(path)) << path;
    EXPECT_EQ(platform::fileNameOf(path), "unit_tests.exe");
    EXPECT_TRUE(std::filesystem::exists(path));
}

struct PathSplit {
    const char* path;
    const char* directory;
    const char* fileName;
    bool absolute;
};
constexpr PathSplit kPathSplits[] = {
    {"C:\\dir\\Tavrin.exe", "C:\\dir\\", "Tavrin.exe", true},
    {"C:/dir/sub/Tavrin.exe", "C:/dir/sub/", "Tavrin.exe", true},
    {"C:\\dir/mixed\\x.torrent", "C:\\dir/mixed\\", "x.torrent", true},
    {"\\\\server\\share\\x.torrent", "\\\\server\\share\\", "x.torrent", true},
    {"C:x.torrent", "C:", "x.torrent", false},  // relative to drive C's current directory
    {"\\x.torrent", "\\", "x.torrent", false},  // relative to the current drive
    {"x.torrent", "", "x.torrent", false},
    {"sub\\", "sub\\", "", false},
    {"", "", "", false},
};

TEST(Win32ProcessFiles, SplitsPathsAtEverySeparatorForm) {
    for (const auto& row : kPathSplits) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(platform::directoryOf(row.path), row.directory);
        EXPECT_EQ(platform::fileNameOf(row.path), row.fileName);
        EXPECT_EQ(platform::isAbsolutePath(row.path), row.absolute);
    }
}

TEST(Win32ProcessFiles, LogIsAppendedInTextModeWithCrLf) {
    Sandbox sandbox;
    sandbox.write("Tavrin.log", "earlier\r\n");
    std::FILE* log = platform::openLogForAppend(sandbox.path("Tavrin.log"));
    ASSERT_NE(log, nullptr);
    std::fputs("one\ntwo\n", log);
    std::fclose(log);
    EXPECT_EQ(sandbox.read("Tavrin.log"), "earlier\r\none\r\ntwo\r\n");
}

// Only the target remains in the directory: no temporary file is left behind.
void expectOnlyFile(const Sandbox& sandbox, const std::string& name) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(sandbox.dir())) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{name});
}

TEST(Win32ProcessFiles, ReplaceFileCreatesAndReplacesWithExactBytes) {
    Sandbox sandbox;
    const std::string bytes("d1:ai1e\r\n\0\x1a\xff", 12);
    auto created = platform::replaceFile(sandbox.path("out.torrent"), bytes.data(), bytes.size());
    ASSERT_TRUE(created.ok) << created.errorCode;
    EXPECT_EQ(sandbox.read("out.torrent"), bytes);

    auto replaced = platform::replaceFile(sandbox.path("out.torrent"), "new", 3);
    ASSERT_TRUE(replaced.ok) << replaced.errorCode;
    EXPECT_EQ(sandbox.read("out.torrent"), "new");
    expectOnlyFile(sandbox, "out.torrent");
}

TEST(Win32ProcessFiles, ReplaceFileIntoMissingDirectoryFailsWithTheSystemCode) {
    Sandbox sandbox;
    auto result = platform::replaceFile(sandbox.path("no-such-dir\\out.torrent"), "x", 1);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorCode, 3);  // ERROR_PATH_NOT_FOUND
}

TEST(Win32ProcessFiles, FailedReplaceKeepsTheTargetAndLeavesNoTemporaryFile) {
    Sandbox sandbox;
    // A directory in the target's place cannot be replaced by a file.
    std::filesystem::create_directory(sandbox.dir() / "target");
    auto result = platform::replaceFile(sandbox.path("target"), "x", 1);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.errorCode, 0);
    EXPECT_TRUE(std::filesystem::is_directory(sandbox.dir() / "target"));
    expectOnlyFile(sandbox, "target");
}

}  // namespace
