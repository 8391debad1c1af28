#include <gtest/gtest.h>

#include "augment/log.h"
#include "tests/support/sandbox.h"

namespace {

// What a quoted path, link or command line becomes in a log line: one line,
// whatever bytes it holds.
TEST(Log, ControlBytesAreEscaped) {
    struct Row {
        std::string text, logged;
    };
    const Row rows[] = {
        {"C:\\Torrents\\a b.torrent", "C:\\Torrents\\a b.torrent"},
        {"/d/a\nRunning for torrent \"x\"", "/d/a\\nRunning for torrent \"x\""},
        {"a\r\nb\tc", "a\\r\\nb\\tc"},
        {std::string("s.torrent\0.txt", 14), "s.torrent\\x00.txt"},
        {"\x01\x1F\x7F", "\\x01\\x1f\\x7f"},
        {"\x80\xD0\xE5\xFF \xE7\x94\xB5", "\x80\xD0\xE5\xFF \xE7\x94\xB5"},  // Windows-1251 and UTF-8 letters
        {"\\x01 %00 ~", "\\x01 %00 ~"},
        {"", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.logged);
        EXPECT_EQ(escapedForLog(row.text), row.logged);
    }
}

// Each line is in the file once logged, not when the log closes: a run that
// hangs or is killed keeps the lines it wrote.
TEST(Log, EachLineIsInTheFileAtOnce) {
    testing_support::Sandbox box;
    Log log;
    ASSERT_TRUE(log.open(box.path("Tavrin.log")));
    log.message("Running for torrent \"a.torrent\"");
    const std::string written = box.read("Tavrin.log");
    EXPECT_NE(written.find("Running for torrent \"a.torrent\""), std::string::npos) << written;
}

}  // namespace
