// A write that fails half way (the disk full, here a file-size limit): Tavrin
// logs one line, exits with 1, leaves no partial or temporary file, and the
// torrent it read stays as it was, also when it is the output too.
#include <sys/resource.h>

#include <filesystem>
#include <set>

#include "tests/e2e/tavrin_fixture.h"

namespace testing_support {
namespace {

// A torrent of about 20 KB, far above the limit below.
std::string largeTorrent() {
    return "d8:announce9:http://a/4:infod6:lengthi1e4:name1:n6:pieces20000:" + std::string(20000, 'p') + "ee";
}

// Runs with RLIMIT_FSIZE lowered; the child inherits it, and the limit of
// this process is put back afterwards.
RunResult runLimited(const std::string& program, const std::vector<std::string>& arguments, const std::string& dir,
                     rlim_t limit) {
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit lowered = saved;
    lowered.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &lowered);
    RunResult result = runProgram(program, arguments, dir);
    setrlimit(RLIMIT_FSIZE, &saved);
    return result;
}

std::set<std::string> filesIn(const std::filesystem::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) names.insert(entry.path().filename().string());
    return names;
}

class TavrinWriteFailure : public TavrinTest {
protected:
    void SetUp() override {
        writeSettings("TrackerIniIndex=0 0\r\nTrackerCheck=1 2 0\r\n");
        writeDirectory();
    }
};

TEST_F(TavrinWriteFailure, FileSizeLimitFailsCleanly) {
    struct Row {
        const char* name;
        std::vector<std::string> arguments;
        const char* output;  // the path Tavrin writes
        bool besideExecutable;  // logged as a full path
    };
    const Row rows[] = {
        {"separate output", {"in.torrent", "out.torrent"}, "out.torrent", false},
        {"torrent beside the executable is also the output", {"in.torrent"}, "in.torrent", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string torrent = largeTorrent();
        box.write("in.torrent", torrent);
        std::filesystem::remove(box.path("out.torrent"));
        std::filesystem::remove(box.path("Tavrin.log"));
        const std::set<std::string> before = filesIn(box.dir());

        RunResult result = runLimited(tavrin, row.arguments, box.dir().string(), 4096);

        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(box.read("in.torrent"), torrent);
        std::set<std::string> after = filesIn(box.dir());
        after.erase("Tavrin.log");
        EXPECT_EQ(after, before);  // no partial output, no temporary file
        std::vector<std::string> log = logLines();
        ASSERT_EQ(log.size(), 2u);
        const std::string logged = row.besideExecutable ? box.path(row.output) : row.output;
        EXPECT_EQ(log[1], "Writing of \"" + logged + "\" failed with code 27");  // EFBIG
    }
}

}  // namespace
}  // namespace testing_support
