// How the Windows C runtime splits the argument part of a command line, as
// measured under Wine, and how one argument is quoted so that it comes back
// whole. One table each for both sides: on Linux they check our stand-in
// splitter, on Windows what a started program really receives.
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

struct QuotedArgument {
    std::string argument;
    std::string quoted;  // always in quotes, as the torrent path or link is
};

inline const QuotedArgument kQuotedArguments[] = {
    {"a\"b", R"("a\"b")"},
    {"magnet:?xt=urn:btih:c12fe1c06bba254a9dc9f519b335aa7c1367a88a&dn=a\" --evil \"b",
     R"("magnet:?xt=urn:btih:c12fe1c06bba254a9dc9f519b335aa7c1367a88a&dn=a\" --evil \"b")"},
    {"\"", R"("\"")"},
    {"a\\\"b", R"("a\\\"b")"},      // a backslash before a quote
    {"a\\\\\"b", R"("a\\\\\"b")"},  // two of them
    {"a\\", R"("a\\")"},            // one at the end
    {"C:\\d\\a b\\\\", R"("C:\d\a b\\\\")"},
    {"\\", R"("\\")"},
    {"\\\\server\\s\\x", R"("\\server\s\x")"},  // not before a quote: single
    {"a\\b\\\\c \\\"\\", R"("a\b\\c \\\"\\")"},
    {"", R"("")"},
    {"a  b\tc ", "\"a  b\tc \""},
    {"%1 %PATH% 100% %41", R"("%1 %PATH% 100% %41")"},
    {"^x ^& a&b|c <d> ^", R"("^x ^& a&b|c <d> ^")"},
    {"no-blanks&x=1^2%3", R"("no-blanks&x=1^2%3")"},
    {"\"a b\" \"\"", R"("\"a b\" \"\"")"},
    // "Город фильм.torrent" in UTF-8, as the torrent path is on Windows.
    {"\xD0\x93\xD0\xBE\xD1\x80\xD0\xBE\xD0\xB4 \xD1\x84\xD0\xB8\xD0\xBB\xD1\x8C\xD0\xBC.torrent",
     "\"\xD0\x93\xD0\xBE\xD1\x80\xD0\xBE\xD0\xB4 \xD1\x84\xD0\xB8\xD0\xBB\xD1\x8C\xD0\xBC.torrent\""},
};

}  // namespace testing_support
