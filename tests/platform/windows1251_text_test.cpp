// The table behind Linux's readable directory names and messages.
#include "platform/windows1251_text.h"

#include <gtest/gtest.h>

#include "tests/support/cp1251_words.h"

namespace platform {
namespace {

TEST(Windows1251Text, ConvertsToEachCharset) {
    struct Row {
        const char* name;
        std::string_view windows1251;
        Charset charset;
        std::string_view expected;
    };
    const Row rows[] = {
        {"letters to UTF-8", CP1251_CITY " NetOne", Charset::Utf8, UTF8_CITY " NetOne"},
        {"yo and signs to UTF-8", "\xA8\xB8\xB9", Charset::Utf8, "\xD0\x81\xD1\x91\xE2\x84\x96"},  // Ёё№
        {"unassigned byte", "a\x98z", Charset::Utf8, "a\xEF\xBF\xBDz"},
        {"letters to ASCII", CP1251_CITY " 1", Charset::Ascii, "????? 1"},
        {"letters to KOI8-R", CP1251_CITY "\xA8\xB8", Charset::Koi8r, "\xE7\xCF\xD2\xCF\xC4\xB3\xA3"},  // ГородЁё
        {"sign KOI8-R lacks", "\xB9", Charset::Koi8r, "?"},
        {"same set", CP1251_CITY "\x98", Charset::Windows1251, CP1251_CITY "\x98"},
        {"ASCII everywhere", "/tmp/x y", Charset::Ascii, "/tmp/x y"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(windows1251ToCharset(row.windows1251, row.charset), row.expected);
    }
}

TEST(Windows1251Text, MessagesFromUtf8) {
    struct Row {
        const char* name;
        std::string_view utf8;
        Charset charset;
        std::string_view expected;
    };
    const Row rows[] = {
        {"UTF-8 kept", UTF8_CITY " \xE2\x80\x94", Charset::Utf8, UTF8_CITY " \xE2\x80\x94"},
        {"to Windows-1251", UTF8_CITY " \xE2\x84\x96", Charset::Windows1251, CP1251_CITY " \xB9"},
        {"to KOI8-R", UTF8_CITY, Charset::Koi8r, "\xE7\xCF\xD2\xCF\xC4"},
        {"one ? per character", UTF8_CITY " \xE2\x80\x94", Charset::Ascii, "????? ?"},
        {"malformed bytes", "a\xD0z\xC0\x80", Charset::Utf8, "a?z??"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(utf8ToCharset(row.utf8, row.charset), row.expected);
    }
}

TEST(Windows1251Text, CharsetNames) {
    const std::pair<std::string_view, Charset> rows[] = {
        {"UTF-8", Charset::Utf8},         {"utf8", Charset::Utf8},   {"KOI8-R", Charset::Koi8r},
        {"CP1251", Charset::Windows1251}, {"windows-1251", Charset::Windows1251},
        {"ANSI_X3.4-1968", Charset::Ascii}, {"ISO-8859-5", Charset::Ascii}, {"", Charset::Ascii},
    };
    for (const auto& [name, charset] : rows) {
        SCOPED_TRACE(std::string(name));
        EXPECT_EQ(charsetNamed(name), charset);
    }
}

}  // namespace
}  // namespace platform
