// Console pieces on Windows: messages in UTF-8 beside paths and names in the
// ANSI code page.
#include <gtest/gtest.h>

#include "platform/win32/wide_text.h"

namespace {

TEST(Win32ConsoleText, Utf8AndAnsiBytesMix) {
    // The ANSI byte 0xE0 as this system reads it ("à" in 1252, "а" in 1251).
    const std::wstring ansiE0 = platform::wideFromAnsi("\xE0");
    struct Row {
        const char* name;
        std::string_view text;
        std::wstring expected;
    };
    const Row rows[] = {
        {"ASCII", "Bad city 5\n", L"Bad city 5\n"},
        {"UTF-8 Cyrillic", "\xD0\x93\xD0\xBE", L"\u0413\u043E"},
        {"ANSI byte alone", "x\xE0y", L"x" + ansiE0 + L"y"},
        {"UTF-8 message, ANSI path", "\xD0\x93 C:\\\xE0", L"\u0413 C:\\" + ansiE0},
        {"cut UTF-8 sequence at the end", "\xE2\x80", platform::wideFromAnsi("\xE2") + platform::wideFromAnsi("\x80")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(platform::wideFromUtf8OrAnsi(row.text), row.expected);
    }
}

}  // namespace
