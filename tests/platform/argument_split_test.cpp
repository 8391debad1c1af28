#include <gtest/gtest.h>

#include "platform/command_line.h"
#include "platform/posix/argument_split.h"
#include "tests/support/command_line_rows.h"

namespace {

using Args = std::vector<std::string>;

TEST(SplitWindowsArguments, Table) {
    for (const auto& row : testing_support::kCommandLineSplits) {
        SCOPED_TRACE(row.arguments);
        EXPECT_EQ(platform::splitWindowsArguments(row.arguments), row.argv);
    }
    // Newer runtimes stay in quotes after "" inside quotes; so does our splitter.
    EXPECT_EQ(platform::splitWindowsArguments("\"a b\"\"c d\""), Args{"a b\"c d"});
    EXPECT_EQ(platform::splitWindowsArguments("  \t "), Args{});
}

// The path goes in after the split: whatever it holds, it stays one piece of
// its argument.
TEST(SplitWindowsArguments, InsertedTextIsNeverParsed) {
    const std::string path = "/t/a \"b\" c\\\" d\n$x;`y`";
    struct Row {
        std::string text;
        Args arguments;
    };
    const Row rows[] = {
        {"%1", {path}},
        {"\"%1\"", {path}},
        {"-a %1 -b", {"-a", path, "-b"}},
        {"--file=%1", {"--file=" + path}},
        {"\"--dir=x y\" %1 %1", {"--dir=x y", path, "%1"}},
        {"\\\\%1", {"\\\\" + path}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(platform::splitWindowsArguments(row.text, row.text.find("%1"), path), row.arguments);
    }
}

// Quoted, an argument comes back whole from the split, both as the torrent
// path is quoted and as LaunchArguments are written (bare where it can be).
TEST(QuotedWindowsArgument, Table) {
    using platform::Quotes, platform::quotedWindowsArgument;
    for (const auto& row : testing_support::kQuotedArguments) {
        SCOPED_TRACE(row.argument);
        EXPECT_EQ(quotedWindowsArgument(row.argument, Quotes::Always), row.quoted);
        const std::string bare = quotedWindowsArgument(row.argument, Quotes::WhenNeeded);
        EXPECT_EQ(bare, row.argument.find_first_of(" \t\"") == std::string::npos && !row.argument.empty()
                            ? row.argument
                            : row.quoted);
        EXPECT_EQ(platform::splitWindowsArguments(row.quoted + " " + bare), (Args{row.argument, row.argument}));
    }
}

// The failure line shows the command line: the path quoted as the client gets
// it, the launch path and the template as they are.
TEST(ClientCommandLine, Forms) {
    using platform::clientCommandLine;
    EXPECT_EQ(clientCommandLine("/c/client", "-a %1 %1", "/t/a b.torrent"), R"("/c/client" -a "/t/a b.torrent" %1)");
    EXPECT_EQ(clientCommandLine("", "\"%1\"", "C:\\t\\x.torrent"), R"("" ""C:\t\x.torrent"")");
    EXPECT_EQ(clientCommandLine("c", "--f=%1", "x\"y\\"), R"("c" --f="x\"y\\")");
}

}  // namespace
