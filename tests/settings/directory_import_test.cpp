// Taking in a directory: how its text is read, what the check reports with
// which line, and what is written.
#include "settings/directory_import.h"

#include <gtest/gtest.h>

#include "tests/support/cp1251_words.h"

namespace {

// Москва in both encodings.
#define CP1251_MOSCOW "\xCC\xEE\xF1\xEA\xE2\xE0"
#define UTF8_MOSCOW "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0"

// One city, one provider, one retracker, with the line end given.
std::string cp1251Directory(const std::string& end) {
    return "[" CP1251_CITY "]" + end + "1=" CP1251_MOSCOW + end + "[" CP1251_PROVIDERS " " CP1251_MOSCOW "]" + end +
           "1=Net" + end + "[" CP1251_RETRACKERS " " CP1251_MOSCOW " Net]" + end + CP1251_COUNT "=1" + end +
           "1=http://10.0.0.1/announce" + end;
}
std::string utf8Directory(const std::string& end) {
    return "[" UTF8_CITY "]" + end + "1=" UTF8_MOSCOW + end + "[" UTF8_PROVIDERS " " UTF8_MOSCOW "]" + end + "1=Net" +
           end + "[" UTF8_RETRACKERS " " UTF8_MOSCOW " Net]" + end + UTF8_COUNT "=1" + end +
           "1=http://10.0.0.1/announce" + end;
}

// "line:E" for an error, "line:W" for a warning, in the order reported.
std::string findings(const settings::DirectoryImport& result) {
    std::string list;
    for (const settings::DirectoryProblem& problem : result.problems)
        list += (list.empty() ? "" : " ") + std::to_string(problem.line) + (problem.error ? ":E" : ":W");
    return list;
}

struct Row {
    const char* name;
    std::string input;
    const char* encoding;
    const char* findings;
    bool written;  // as the Windows-1251, CR LF form of the one-city directory
};

TEST(DirectoryImport, ReadsChecksAndConverts) {
    const std::string good = cp1251Directory("\r\n");
    const std::string tail = "[" CP1251_RETRACKERS " " CP1251_MOSCOW " Net]\n";
    const Row rows[] = {
        {"Windows-1251, CR LF", good, "Windows-1251", "", true},
        {"Windows-1251, LF, last line without end", cp1251Directory("\n").substr(0, good.size() - 8), "Windows-1251",
         "", true},
        {"Windows-1251, CR", cp1251Directory("\r"), "Windows-1251", "", true},
        {"UTF-8, LF", utf8Directory("\n"), "UTF-8", "", true},
        {"UTF-8 with BOM, CR LF", "\xEF\xBB\xBF" + utf8Directory("\r\n"), "UTF-8 with a byte-order mark", "", true},
        {"UTF-16 refused", "\xFF\xFE[\0", "", "0:E", false},
        {"a character without a Windows-1251 form",
         "[" UTF8_CITY "]\n1=\xC5\x81\xC3\xB3"
         "d\xC5\xBA\n",
         "UTF-8", "2:E 2:E", false},
        {"0x98 is no Windows-1251 character", good + "; \x98\r\n", "Windows-1251", "8:E", false},
        {"no city section", "[Other]\nx=1\n", "Windows-1251", "0:E", false},
        // Every problem with its line: a key outside a section, a bad city key,
        // an empty provider, a count above the keys, an empty retracker, a
        // key above the count, a bad URL, a repeated and an unused section.
        {"broken file",
         "stray=1\n[" CP1251_CITY "]\nx=1\n1=" CP1251_MOSCOW "\n[" CP1251_PROVIDERS " " CP1251_MOSCOW
         "]\n1=Net\n2=\n3=Gone\n[" CP1251_RETRACKERS " " CP1251_MOSCOW " Net]\n" CP1251_COUNT
         "=3\n1=ftp://10.0.0.1/\n2=\n4=http://10.0.0.4/\n5=http://h:99999/\n[" CP1251_CITY "]\n[Unused]\n",
         "Windows-1251", "1:W 3:W 7:W 8:E 10:W 11:E 12:W 13:W 14:W 15:W 16:W", false},
        {"no count, count 0",
         "[" CP1251_CITY "]\n1=A\n2=B\n[" CP1251_PROVIDERS " A]\n1=N\n[" CP1251_PROVIDERS
         " B]\n1=N\n[" CP1251_RETRACKERS " A N]\n1=http://a/\n[" CP1251_RETRACKERS " B N]\n" CP1251_COUNT "=0\n",
         "Windows-1251", "8:E 11:E", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const settings::DirectoryImport result = settings::importDirectoryText(row.input);
        EXPECT_EQ(result.encoding, row.encoding);
        EXPECT_EQ(findings(result), row.findings);
        EXPECT_EQ(result.refused(), !row.written);
        EXPECT_EQ(result.text, row.written ? good : "");
        EXPECT_EQ(result.cities, row.written ? 1 : result.cities);
    }
}

// Letters outside the Cyrillic block come back to their own bytes: Ё is 0xA8,
// № 0xB9, « 0xAB, the euro sign 0x88.
TEST(DirectoryImport, ConvertsTheWholeCodePage) {
    const settings::DirectoryImport result =
        settings::importDirectoryText(utf8Directory("\n") + "; \xD0\x81\xE2\x84\x96\xC2\xAB\xE2\x82\xAC\n");
    EXPECT_EQ(result.text, cp1251Directory("\r\n") + "; \xA8\xB9\xAB\x88\r\n");
}

}  // namespace
