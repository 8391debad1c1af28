// Conformance of the INI access layer with the Windows private-profile
// functions. The same tables run on Linux against our own reader and writer
// and, in the Windows build under Wine, against the system's functions; rows
// where Wine is known to differ from Windows are marked `wineDiffers` and
// skipped there, or checked against what Wine gives where a row says so.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "settings/profile.h"
#include "tests/support/cp1251_words.h"
#include "tests/support/sandbox.h"

using namespace std::literals;
using testing_support::Sandbox;

namespace {

struct ReadRow {
    const char* id;
    std::string_view file;
    const char* section;
    const char* key;
    const char* defaultValue;
    std::string_view expected;
    bool wineDiffers;
    const char* underWine = nullptr;  // where Wine differs: what its functions give, checked there
};

constexpr std::string_view kCyrillicFile =
    "[" CP1251_CITY "]\r\n" CP1251_KEY "=v-city\r\n"
    "[" CP1251_RETRACKERS " Northtown NetOne]\r\n1=v-retrackers\r\n"
    "[\xDF\xEA\xF3\xF2\xF1\xEA]\r\nk=ya\r\n"  // Якутск
    "[\xA8\xEB\xEA\xE8]\r\nk=yo\r\n"          // Ёлки
    "[\xB2\xE2\xE0]\r\nk=i\r\n";              // Іва

const ReadRow kReadRows[] = {
    // Name matching: ASCII letters fold, bytes from 0x80 compare exactly.
    {"M01", "[Section]\r\nKey=v\r\n", "Section", "Key", "d", "v", false},
    {"M02", "[Section]\r\nKey=v\r\n", "SECTION", "KEY", "d", "v", false},
    {"M03", "[Section]\r\nKey=v\r\n", "section", "key", "d", "v", false},
    {"M04", kCyrillicFile, CP1251_CITY, CP1251_KEY, "d", "v-city", false},
    {"M05", kCyrillicFile, CP1251_CITY_UPPER, CP1251_KEY_UPPER, "d", "d", false},
    {"M06", kCyrillicFile, CP1251_CITY_LOWER, CP1251_KEY, "d", "d", false},
    {"M07", kCyrillicFile, CP1251_RETRACKERS " Northtown NetOne", "1", "d", "v-retrackers", false},
    {"M08", kCyrillicFile, CP1251_RETRACKERS " NORTHTOWN NETONE", "1", "d", "v-retrackers", false},
    {"M09", kCyrillicFile, CP1251_RETRACKERS_UPPER " NORTHTOWN NETONE", "1", "d", "d", false},
    {"M10", kCyrillicFile, CP1251_RETRACKERS " Northtown  NetOne", "1", "d", "d", false},
    {"M11", kCyrillicFile, "  " CP1251_CITY " ", "  " CP1251_KEY "  ", "d", "v-city", false},
    {"M12", kCyrillicFile, "\t" CP1251_CITY, CP1251_KEY, "d", "d", true},  // Windows strips only spaces from names
    {"M12k", kCyrillicFile, CP1251_CITY, CP1251_KEY "\t", "d", "d", true},
    {"M13", kCyrillicFile, "\xFF\xEA\xF3\xF2\xF1\xEA", "k", "d", "d", false},
    {"M14", kCyrillicFile, "\xB8\xEB\xEA\xE8", "k", "d", "d", false},
    {"M15", kCyrillicFile, "\xB3\xE2\xE0", "k", "d", "d", false},
    {"M16", kCyrillicFile, UTF8_CITY, CP1251_KEY, "d", "d", false},

    // Blanks, sections, quotes, comments.
    {"W01", "[S]\r\n  key1  =  value1  \r\n", "S", "key1", "d", "value1", false},
    {"W02", "[S]\r\n\tkey2\t=\tvalue2\t\r\n", "S", "key2", "d", "value2", false},
    {"W02v", "[S]\r\n\x0Bkey\x0C=\x0Bvalue\x0B\x1A\r\n", "S", "key", "d", "value", false},
    {"W03", "[S]\r\nk=value with  inner   spaces\r\n", "S", "k", "d", "value with  inner   spaces", false},
    {"W24", "[  Spaced Section  ]\r\nk=1\r\n", "Spaced Section", "k", "d", "1", false},
    {"W25", "[\tTabbed\t]\r\nk=1\r\n", "Tabbed", "k", "d", "1", false},
    {"W26", "[trail] junk after bracket\r\nk=1\r\n", "trail", "k", "d", "1", false},
    // A section name ends at the first ']' (Wine: at the last one).
    {"W27", "[a]b]\r\nk=1\r\n", "a", "k", "d", "1", true, "d"},
    {"W27b", "[a]b]\r\nk=1\r\n", "a]b", "k", "d", "d", true, "1"},
    {"W27c", "[" CP1251_PROVIDERS " New]town]\r\n1=NetOne\r\n", CP1251_PROVIDERS " New]town", "1", "d", "d", true, "NetOne"},
    {"W27d", "[" CP1251_PROVIDERS " New]town]\r\n1=NetOne\r\n", CP1251_PROVIDERS " New", "1", "d", "NetOne", true, "d"},
    {"W28", "[a]\r\n[broken\r\nbr=1\r\n", "broken", "br", "d", "1", true},  // a header without ']'
    {"W29", "[a]\r\n[broken\r\nbr=1\r\n", "a", "br", "d", "d", true},
    {"W04", "[S]\r\nk = \"quoted value\"\r\n", "S", "k", "d", "quoted value", false},
    {"W05", "[S]\r\nk = 'single quoted'\r\n", "S", "k", "d", "single quoted", false},
    {"W06", "[S]\r\nk=\"unbalanced\r\n", "S", "k", "d", "\"unbalanced", false},
    {"W07", "[S]\r\nk=\"a\" b \"c\"\r\n", "S", "k", "d", "a\" b \"c", false},
    {"W08", "[S]\r\nk=\"\"\r\n", "S", "k", "d", "", false},
    {"W09", "[S]\r\nk=\"\r\n", "S", "k", "d", "\"", false},
    {"W10", "[S]\r\nk='\"mixed\"'\r\n", "S", "k", "d", "\"mixed\"", false},
    {"W11", "[S]\r\nk=\"  padded  \"\r\n", "S", "k", "d", "  padded  ", false},
    {"W12", "[S]\r\nk='x\"\r\n", "S", "k", "d", "'x\"", false},
    {"W13", "[S]\r\nnovalue line\r\n", "S", "novalue line", "d", "d", false},
    {"W14", "[S]\r\n; comment=x\r\n", "S", "; comment", "d", "d", true},  // ';' starts a comment line
    {"W15", "[S]\r\n;commentkey=y\r\n", "S", ";commentkey", "d", "d", true},
    {"W15b", "[S]\r\n  ;indented=y\r\n", "S", ";indented", "d", "d", true},
    {"W16", "[S]\r\n# hash=z\r\n", "S", "# hash", "d", "z", false},
    {"W17", "[S]\r\ndup=first\r\ndup=second\r\nDUP=third\r\n", "S", "dup", "d", "first", false},
    {"W18", "[S]\r\nempty=\r\n", "S", "empty", "d", "", false},
    {"W19", "[S]\r\nemptysp =   \r\n", "S", "emptysp", "d", "", false},
    {"W20", "[S]\r\na=b=c\r\n", "S", "a", "d", "b=c", false},
    {"W21", "[S]\r\nsemi=x ; not a comment\r\n", "S", "semi", "d", "x ; not a comment", false},
    {"W22", "[S]\r\nz=ctrlZ\x1A\r\n", "S", "z", "d", "ctrlZ", false},
    {"W23", "[S]\r\nnul=nul\0after\r\n"sv, "S", "nul", "d", "nul", false},
    {"W30", "[S]\r\na=1\r\n[T]\r\nx=0\r\n[s]\r\na=3\r\nb=2\r\n", "S", "a", "d", "1", false},
    {"W31", "[S]\r\na=1\r\n[T]\r\nx=0\r\n[s]\r\na=3\r\nb=2\r\n", "S", "b", "d", "d", false},
    {"W33", "[S]\r\na=1\r\n", "S", "missing", "d", "d", false},
    {"W34", "[S]\r\na=1\r\n", "Missing", "a", "d", "d", false},
    {"W34k", "a=1\r\n[S]\r\n", "S", "a", "d", "d", false},  // keys before the first section
    {"W35", "[S]\r\n", "S", "k", "def  ", "def", false},
    {"W36", "[S]\r\n", "S", "k", "\"dq\"", "dq", false},
    {"W37", "[S]\r\n", "S", "k", "", "", false},

    // Line ends.
    {"E01", "[S]\na=1\nb=2\n", "S", "b", "d", "2", false},
    {"E02", "[S]\ra=1\rb=2\r", "S", "b", "d", "2", false},
    {"E03", "[S]\r\na=1\nb=2\rc=3\r\n", "S", "c", "d", "3", false},
    {"E04", "[S]\r\na=1\r\nb=2", "S", "b", "d", "2", false},
    {"E05", "[S]\r\r\na=1\r\r\nb=2\r\r\n", "S", "b", "d", "2", false},

    // Encodings: bytes only.
    // A UTF-8 byte-order mark is no mark: it hides the first section (Wine reads through it).
    {"B01", "\xEF\xBB\xBF[first]\r\nk=1\r\n", "first", "k", "d", "d", true, "1"},
    {"B01s", "\xEF\xBB\xBF[Settings]\r\nTrackerIniIndex=0 1\r\n[Other]\r\nk=2\r\n", "Settings", "TrackerIniIndex", "d", "d", true, "0 1"},
    {"B01o", "\xEF\xBB\xBF[Settings]\r\nTrackerIniIndex=0 1\r\n[Other]\r\nk=2\r\n", "Other", "k", "d", "2", false},
    {"B02", "\xEF\xBB\xBF[" UTF8_CITY "]\r\nk=1\r\n", CP1251_CITY, "k", "d", "d", true},
    {"B04", "\xEF\xBB\xBF\r\n[S]\r\nk=1\r\n", "S", "k", "d", "1", false},
    {"B05", "[S]\r\nk=" UTF8_CITY "\r\n", "S", "k", "d", UTF8_CITY, false},
};

std::string readRow(const Sandbox& sandbox, const ReadRow& row) {
    sandbox.write("t.ini", std::string(row.file));
    return readProfileString(row.section, row.key, row.defaultValue, sandbox.path("t.ini"));
}

TEST(ProfileConformance, ReadString) {
    Sandbox sandbox;
    for (const ReadRow& row : kReadRows) {
        if (kUnderWine && row.wineDiffers && !row.underWine) continue;
        SCOPED_TRACE(row.id);
        EXPECT_EQ(readRow(sandbox, row), kUnderWine && row.wineDiffers ? std::string_view(row.underWine) : row.expected);
    }
}

TEST(ProfileConformance, ReadStringFromAbsentOrUnusableFile) {
    Sandbox sandbox;
    sandbox.write("empty.ini", "");
    std::filesystem::create_directory(sandbox.dir() / "dir.ini");
    for (std::string file : {sandbox.path("none.ini"), sandbox.path("no-such-dir/none.ini"),
                             sandbox.path("empty.ini"), sandbox.path("dir.ini"), std::string()}) {
        SCOPED_TRACE(file);
        EXPECT_EQ(readProfileString("S", "k", "def", file), "def");
        EXPECT_EQ(readProfileInt("S", "k", 77, file), 77);
    }
}

// Long values come back cut to 4095 bytes; quotes are removed before the cut.
TEST(ProfileConformance, LongValues) {
    struct LongRow {
        const char* id;
        const char* quote;
        size_t length;
        size_t expected;
        bool wineDiffers;
    };
    const LongRow rows[] = {
        {"L01", "", 4094, 4094, false}, {"L02", "", 4095, 4095, false},   {"L03", "", 4096, 4095, false},
        {"L04", "", 5000, 4095, false}, {"L05", "\"", 4094, 4094, false}, {"L06", "\"", 4095, 4095, true},
        {"L07", "\"", 5000, 4095, false},
    };
    Sandbox sandbox;
    for (const LongRow& row : rows) {
        if (kUnderWine && row.wineDiffers) continue;
        SCOPED_TRACE(row.id);
        sandbox.write("t.ini", "[S]\r\nk=" + std::string(row.quote) + std::string(row.length, 'x') + row.quote + "\r\n");
        EXPECT_EQ(readProfileString("S", "k", "", sandbox.path("t.ini")), std::string(row.expected, 'x'));
    }
    // L08: no limit on the length of the lines before the key.
    std::string longLines;
    for (int i = 0; i < 4; ++i) longLines += "long" + std::to_string(i) + "=" + std::string(5000, 'y') + "\r\n";
    sandbox.write("t.ini", "[S]\r\n" + longLines + "k=found\r\n");
    EXPECT_EQ(readProfileString("S", "k", "", sandbox.path("t.ini")), "found");
}

// The entries of a section read as their keys do, from the first section of
// that name only.
TEST(ProfileConformance, EntriesReadLikeTheirKeys) {
    Sandbox sandbox;
    sandbox.write("t.ini",
                  "[S]\r\n1=a\r\n 2 = \"b\" \r\nbare\r\n1=later\r\nK2=c\r\nlong=" + std::string(5000, 'x') +
                      "\r\n[T]\r\nx=y\r\n[s]\r\n9=second section\r\n");
    const std::string file = sandbox.path("t.ini");
    std::vector<std::string> names;
    for (const platform::ProfileEntry& entry : readProfileEntries("S", file)) {
        SCOPED_TRACE(entry.name);
        EXPECT_EQ(entry.value, readProfileString("S", entry.name, "", file));
        // Windows may or may not list the key without "=" and the repeat.
        if (entry.name != "bare" && std::find(names.begin(), names.end(), entry.name) == names.end())
            names.push_back(entry.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"1", "2", "K2", "long"}));
    EXPECT_TRUE(readProfileEntries("Absent", file).empty());
    EXPECT_TRUE(readProfileEntries("S", sandbox.path("none.ini")).empty());
}

TEST(ProfileConformance, HighBytesPassThrough) {
    std::string every;
    for (int c = 0x80; c <= 0xFF; ++c) every += static_cast<char>(c);
    Sandbox sandbox;
    sandbox.write("t.ini", "[S]\r\nk=" + every + "\r\n");
    EXPECT_EQ(readProfileString("S", "k", "", sandbox.path("t.ini")), every);
}

struct IntRow {
    const char* value;  // the stored value; nullptr: no such key
    uint32_t expected;  // as the Windows function returns it, unsigned
    bool wineDiffers;
};

const IntRow kIntRows[] = {
    {"12", 12, false},
    {" 12 ", 12, false},
    {"\" 12 \"", 12, false},
    {"12abc", 12, false},
    {"+7", 7, false},
    {"3.7", 3, false},
    {"12 34", 12, false},
    {"\t12", 12, false},
    {"\"12\"", 12, false},
    {"\" -3\"", 4294967293u, false},
    {"-3", 4294967293u, false},
    {"-1", 4294967295u, false},
    {"+1", 1, false},
    {"abc", 0, false},
    {"", 77, false},
    {"\"\"", 77, false},
    {nullptr, 77, false},
    {"-  5", 0, false},
    {"2147483648", 2147483648u, false},
    {"4294967296", 0, false},
    {"4294967297", 1, false},
    {"-4294967297", 4294967295u, false},
    {"42A94967297", 42, false},
    {"B4294967297", 0, false},
    {"0x10", 16, false},
    {"0X1F", 0, false},
    {"010", 10, false},
    {"0b101", 5, false},
    {"0o17", 15, false},
    {"-0x10", 4294967280u, false},
    {"0x", 0, false},
    {"\xB9" "5", 0, false},
    {"0000000000000000000000000000012345", 0, false},  // only the first 29 bytes are read
    {"0000000000000000000000000012345", 123, false},
};

TEST(ProfileConformance, ReadInt) {
    Sandbox sandbox;
    for (const IntRow& row : kIntRows) {
        if (kUnderWine && row.wineDiffers) continue;
        SCOPED_TRACE(row.value ? row.value : "(no key)");
        sandbox.write("t.ini", row.value ? "[S]\r\nk=" + std::string(row.value) + "\r\n" : "[S]\r\nother=1\r\n");
        EXPECT_EQ(readProfileInt("S", "k", 77, sandbox.path("t.ini")), static_cast<int32_t>(row.expected));
    }
}

struct WriteRow {
    const char* id;
    const char* before;  // nullptr: no file
    const char* section;
    const char* key;
    const char* value;
    std::string_view after;
    bool wineDiffers;  // Wine rewrites the whole file in its own form
};

const WriteRow kWriteRows[] = {
    {"X01", nullptr, "Sec", "key", "value", "[Sec]\r\nkey=value\r\n", false},
    {"X02", nullptr, CP1251_RETRACKERS " Northtown NetOne", CP1251_CITY, CP1251_VALUE,
     "[" CP1251_RETRACKERS " Northtown NetOne]\r\n" CP1251_CITY "=" CP1251_VALUE "\r\n", false},
    {"X03", "[" CP1251_RETRACKERS " Northtown NetOne]\r\n" CP1251_CITY "=" CP1251_VALUE "\r\n", CP1251_RETRACKERS " Northtown NetOne", "url2",
     "http://b", "[" CP1251_RETRACKERS " Northtown NetOne]\r\n" CP1251_CITY "=" CP1251_VALUE "\r\nurl2=http://b\r\n", false},
    {"X06", "[A]\r\na=1\r\n", "B", "b", "2", "[A]\r\na=1\r\n[B]\r\nb=2\r\n", false},
    {"X04", "[Sec]\r\nold=1\r\n\r\n[Other]\r\nx=y\r\n", "Sec", "new", "2",
     "[Sec]\r\nold=1\r\nnew=2\r\n\r\n[Other]\r\nx=y\r\n", true},
    {"X21", "[A]\r\n\r\n\r\n[B]\r\nb=1\r\n\r\n", "A", "a", "1", "[A]\r\na=1\r\n\r\n\r\n[B]\r\nb=1\r\n\r\n", true},
    {"X05", "; top comment\n\n[Sec]\n  key1 = old value  \n; c2\n\n key2=keep \n[Other]\nx = y\n", "Sec", "key1", "new",
     "; top comment\n\n[Sec]\nkey1=new\n; c2\n\n key2=keep \n[Other]\nx = y\n", true},
    {"X22", "[  Sp  ]\r\n  k  =  v  \r\n", "Sp", "n", "1", "[  Sp  ]\r\n  k  =  v  \r\nn=1\r\n", true},
    {"X07", "[A]\r\na=1", "A", "b", "2", "[A]\r\na=1\r\nb=2\r\n", false},
    {"X08", "[A]\r\na=1", "B", "b", "2", "[A]\r\na=1\r\n[B]\r\nb=2\r\n", false},
    {"X09", "[A]\r\na=1", "A", "a", "9", "[A]\r\na=9", true},
    {"X10", "[Sec]\n  key = same  \n\n; c\n", "Sec", "key", "same", "[Sec]\n  key = same  \n\n; c\n", false},
    {"X11", "[S]\r\nk=old\r\n", "S", "k", "  v  ", "[S]\r\nk=  v  \r\n", true},
    {"X12", "[S]\r\nk=old\r\n", "S", "k", "\"q\"", "[S]\r\nk=\"q\"\r\n", false},
    {"X20", "[S]\r\nk=old\r\n", "S", "k", "", "[S]\r\nk=\r\n", false},
    {"X13", "[Sec]\r\nKey=old\r\n", "SEC", "KEY", "new", "[Sec]\r\nKey=new\r\n", false},
    {"X14", "[S]\r\ndup=first\r\ndup=second\r\n[T]\r\nt=1\r\n[s]\r\ndup=third\r\n", "S", "dup", "new",
     "[S]\r\ndup=new\r\ndup=second\r\n[T]\r\nt=1\r\n[s]\r\ndup=third\r\n", false},
    {"X15", "[S]\r\ndup=first\r\n[T]\r\nt=1\r\n[s]\r\ndup=third\r\n", "s", "added", "1",
     "[S]\r\ndup=first\r\nadded=1\r\n[T]\r\nt=1\r\n[s]\r\ndup=third\r\n", false},
    {"X23", "[A]\r\nnovalue\r\n", "A", "novalue", "v", "[A]\r\nnovalue=v\r\n", false},
    {"X24", "[" CP1251_CITY "]\r\nk=1\r\n", CP1251_CITY_UPPER, "k", "2", "[" CP1251_CITY "]\r\nk=1\r\n[" CP1251_CITY_UPPER "]\r\nk=2\r\n", false},
    {"X25", "[" CP1251_CITY "]\r\nk=1\r\n", "  " CP1251_CITY "  ", "  k  ", "2", "[" CP1251_CITY "]\r\nk=2\r\n", false},
    {"X18", "\xEF\xBB\xBF[A]\r\na=1", "A", "b", CP1251_VALUE, "\xEF\xBB\xBF[A]\r\na=1\r\n[A]\r\nb=" CP1251_VALUE "\r\n", true},
    // A comment after the section's last key stays after the added key.
    {"X27", "[A]\r\na=1\r\n; about B\r\n[B]\r\nb=1\r\n", "A", "n", "1",
     "[A]\r\na=1\r\nn=1\r\n; about B\r\n[B]\r\nb=1\r\n", true},
    // Every other byte stays: LF and CR ends, tabs, comments, Windows-1251 bytes.
    {"X28", "; " CP1251_VALUE "\n[" CP1251_CITY "]\r\n\t" CP1251_KEY " = old\r\nnext=\xFF\xC0\r[S]\n", CP1251_CITY, CP1251_KEY, CP1251_VALUE,
     "; " CP1251_VALUE "\n[" CP1251_CITY "]\r\n" CP1251_KEY "=" CP1251_VALUE "\r\nnext=\xFF\xC0\r[S]\n", true},
};

TEST(ProfileConformance, Write) {
    Sandbox sandbox;
    for (const WriteRow& row : kWriteRows) {
        if (kUnderWine && row.wineDiffers) continue;
        SCOPED_TRACE(row.id);
        std::string file = sandbox.path(std::string(row.id) + ".ini");
        if (row.before) testing_support::writeFile(file, row.before);
        EXPECT_TRUE(writeProfileString(row.section, row.key, row.value, file));
        EXPECT_EQ(testing_support::readFile(file), row.after);
    }
}

TEST(ProfileConformance, WriteThenReadBack) {
    Sandbox sandbox;
    std::string file = sandbox.path("t.ini");
    ASSERT_TRUE(writeProfileString(CP1251_CITY, "1", "Northtown", file));
    ASSERT_TRUE(writeProfileString(CP1251_CITY, "2", "South port", file));
    ASSERT_TRUE(writeProfileString("Settings", "TrackerCheck", "1 2 0", file));
    ASSERT_TRUE(writeProfileString(CP1251_CITY, "1", "North town", file));
    EXPECT_EQ(readProfileString(CP1251_CITY, "1", "", file), "North town");
    EXPECT_EQ(readProfileString(CP1251_CITY, "2", "", file), "South port");
    EXPECT_EQ(readProfileString("Settings", "TrackerCheck", "", file), "1 2 0");
    EXPECT_EQ(testing_support::readFile(file),
              "[" CP1251_CITY "]\r\n1=North town\r\n2=South port\r\n[Settings]\r\nTrackerCheck=1 2 0\r\n");
}

// Writing the value a key already holds leaves the file alone.
TEST(ProfileConformance, WriteOfSameValueLeavesFileUntouched) {
    Sandbox sandbox;
    std::string file = sandbox.path("t.ini");
    testing_support::writeFile(file, "[Sec]\n  key = same  \n\n; c\n");
    auto old = std::filesystem::last_write_time(file) - std::chrono::hours(24 * 400);
    std::filesystem::last_write_time(file, old);
    EXPECT_TRUE(writeProfileString("Sec", "key", "same", file));
    EXPECT_EQ(std::filesystem::last_write_time(file), old);
}

// A write that cannot happen is reported, creates no directory and leaves
// what was there.
TEST(ProfileConformance, WriteFailureIsReported) {
    Sandbox sandbox;
    EXPECT_FALSE(writeProfileString("S", "k", "v", sandbox.path("no-such-dir/x.ini")));
    EXPECT_FALSE(sandbox.exists("no-such-dir"));

    std::filesystem::create_directory(sandbox.dir() / "dir.ini");
    EXPECT_FALSE(writeProfileString("S", "k", "v", sandbox.path("dir.ini")));
    EXPECT_TRUE(std::filesystem::is_directory(sandbox.dir() / "dir.ini"));

    EXPECT_FALSE(writeProfileString("S", "k", "v", ""));
}

// A value that would become several lines is refused and nothing is
// written, not even the other keys of the same write.
TEST(ProfileLayer, ValuesHoldingLineBreaksOrNulAreRefused) {
    struct Row {
        std::string value;
        const char* refusal;
    };
    const Row rows[] = {
        {"a\rTrackersFile=x", "holds a line break (CR or LF)"},
        {"a\nNotify=False", "holds a line break (CR or LF)"},
        {"\r\n[Other]\r\n", "holds a line break (CR or LF)"},
        {"\n", "holds a line break (CR or LF)"},
        {"a\0Notify=False"s, "holds a NUL byte"},
        {"plain \t tab and \x1A and \xFF", ""},
    };
    Sandbox sandbox;
    const std::string file = sandbox.path("t.ini");
    const std::string before = "[Settings]\r\nLaunchPath=old\r\n";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.refusal);
        EXPECT_EQ(valueRefusal(row.value), row.refusal);
        sandbox.write("t.ini", before);
        const bool refused = *row.refusal != '\0';
        EXPECT_EQ(writeProfileString("Settings", "LaunchArguments", row.value, file), !refused);
        EXPECT_EQ(writeProfileStrings("Settings", {{"LaunchPath", "new"}, {"LaunchArguments", row.value}}, file),
                  refused ? ProfileWrite::Refused : ProfileWrite::Written);
        if (refused) {
            EXPECT_EQ(testing_support::readFile(file), before);
        }
    }
}

TEST(ProfileLayer, DecimalString) {
    EXPECT_EQ(decimalString(-5), "-5");
    EXPECT_EQ(decimalString(12), "12");
    EXPECT_EQ(decimalString(0), "0");
    EXPECT_EQ(decimalString(INT32_MIN), "-2147483648");
    EXPECT_EQ(decimalString(INT32_MAX), "2147483647");
}

}  // namespace
