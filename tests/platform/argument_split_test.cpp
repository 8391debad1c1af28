#include <gtest/gtest.h>

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

}  // namespace
