// How the Windows C runtime splits the argument part of a command line, as
// measured under Wine. One table for both sides: on Linux it checks our
// stand-in splitter, on Windows what a started program really receives.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct CommandLineSplit {
    const char* arguments;
    std::vector<std::string> argv;  // after argv[0]
};

// Inputs where Windows' msvcrt.dll and newer runtimes differ ("a b""c d") are
// left out here.
inline const CommandLineSplit kCommandLineSplits[] = {
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
    {"", {}},
    {"\"unterminated arg", {"unterminated arg"}},
    {"a\tb", {"a", "b"}},
    {"\"C:\\dir\\\" x", {"C:\\dir\" x"}},
    {"\"C:\\dir\\\\\" x", {"C:\\dir\\", "x"}},
    {"*.txt", {"*.txt"}},  // no wildcard expansion
    {"\xC3\xEE\xF0\xEE\xE4 \"\xD0\xE5\xF2\xF0\xE5\xEA\xE5\xF0\xFB Northtown\"",
     {"\xC3\xEE\xF0\xEE\xE4", "\xD0\xE5\xF2\xF0\xE5\xEA\xE5\xF0\xFB Northtown"}},
    {"a\"b c\"d", {"ab cd"}},
    {"   leading", {"leading"}},
    {"\\\\server\\share\\x", {"\\\\server\\share\\x"}},
    {"\"a\\\\\\\\\"", {"a\\\\"}},
    {"/x \"C:\\Torrents\\My file.torrent\" /y", {"/x", "C:\\Torrents\\My file.torrent", "/y"}},
    // A path in doubled quotes falls apart at its blank.
    {"\"\"C:\\Torrents\\My file.torrent\"\"", {"C:\\Torrents\\My", "file.torrent"}},
    {"'single quoted'", {"'single", "quoted'"}},
    {"\"\"\"a\"\"\"", {"\"a\""}},
};

}  // namespace testing_support
