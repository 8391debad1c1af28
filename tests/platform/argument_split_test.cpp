#include <gtest/gtest.h>

#include "platform/posix/argument_split.h"

namespace {

using Args = std::vector<std::string>;

// The Windows C runtime's rules, as measured under Wine (UCRT variant).
TEST(SplitWindowsArguments, Table) {
    struct Row {
        const char* text;
        Args arguments;
    };
    const Row rows[] = {
        {"a b c", {"a", "b", "c"}},
        {"\"a b\" c", {"a b", "c"}},
        {"a\\b c\\", {"a\\b", "c\\"}},
        {"\"a\\\\\" b", {"a\\", "b"}},
        {"\"a\\\"b\"", {"a\"b"}},
        {"a\\\\\\\"b", {"a\\\"b"}},
        {"\"a\"\"b\"", {"a\"b"}},
        {"\"a\"\"\"b\"", {"a\"b"}},
        {"\"\"\"\"", {"\""}},
        {"\"%1\"", {"%1"}},
        {"%1 %PATH% $HOME ^x", {"%1", "%PATH%", "$HOME", "^x"}},
        {"x   ", {"x"}},
        {"\"\" b", {"", "b"}},
        {"\"unterminated arg", {"unterminated arg"}},
        {"a\tb", {"a", "b"}},
        {"\"C:\\dir\\\" x", {"C:\\dir\" x"}},
        {"\"C:\\dir\\\\\" x", {"C:\\dir\\", "x"}},
        {"*.txt", {"*.txt"}},
        {"\xC3\xEE\xF0\xEE\xE4 \"\xD0 N\"", {"\xC3\xEE\xF0\xEE\xE4", "\xD0 N"}},
        {"a\"b c\"d", {"ab cd"}},
        {"   leading", {"leading"}},
        {"\\\\server\\share\\x", {"\\\\server\\share\\x"}},
        {"\"a\\\\\\\\\"", {"a\\\\"}},
        {"'single quoted'", {"'single", "quoted'"}},
        {"\"a b\"\"c d\"", {"a b\"c d"}},
        {"\"\"\"a\"\"\"", {"\"a\""}},
        {"", {}},
        {"  \t ", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(platform::splitWindowsArguments(row.text), row.arguments);
    }
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
