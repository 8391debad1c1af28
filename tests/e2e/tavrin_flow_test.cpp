// The main flow of the built Tavrin: arguments, log, reading, writing, failures.
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "bencoding/reader.h"
#include "tests/e2e/tavrin_fixture.h"

namespace testing_support {
namespace {

std::string bstr(const std::string& text) { return std::to_string(text.size()) + ":" + text; }

// A small torrent that passes the retracker step: "info" with "length" and "name".
const std::string kInfo = "4:infod6:lengthi1e4:name1:ne";
// What Tavrin adds to such a torrent without "announce" and with no live retracker.
const std::string kEmptyOwnTier = "13:announce-listllee";

class TavrinFlow : public TavrinTest {
protected:
    void SetUp() override {
        writeSettings("TrackerIniIndex=0 0\r\nTrackerCheck= 0\r\n");
        writeDirectory();
    }
};

TEST_F(TavrinFlow, NoArgumentDoesNothing) {
    EXPECT_EQ(run({}).exitCode, 0);
    EXPECT_FALSE(box.exists("Tavrin.log"));
}

// An unreadable torrent gets a second line with the system's error code, so
// a missing file and a file that cannot be read tell apart.
TEST_F(TavrinFlow, UnreadableTorrentLogsTheErrorCode) {
    struct Row {
        std::string argument;
        int code;
    };
    std::filesystem::create_directory(box.path("folder.torrent"));
    std::vector<Row> rows = {{"no such.torrent", 2}};  // ENOENT and ERROR_FILE_NOT_FOUND alike
#ifndef _WIN32
    rows.push_back({"folder.torrent", EISDIR});
#endif
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argument);
        std::filesystem::remove(box.path("Tavrin.log"));
        EXPECT_EQ(run({row.argument}).exitCode, 1);
        EXPECT_EQ(logLines(), (std::vector<std::string>{"Running for torrent \"" + row.argument + "\"",
                                                        "Reading of \"" + row.argument + "\" failed with code " +
                                                            std::to_string(row.code)}));
    }
    // A second run appends to the same log.
    run({"again.torrent"});
    EXPECT_EQ(logLines().size(), 4u);
}

#ifdef _WIN32
const std::string kLineEnd = "\r\n";  // text mode
#else
const std::string kLineEnd = "\n";
#endif

TEST_F(TavrinFlow, LogLinesHaveTheTimeStampFormAndEndInLineFeed) {
    run({"x.torrent"});
    run({"y.torrent"});
    std::string log = box.read("Tavrin.log");
    ASSERT_FALSE(log.empty());
    const std::vector<std::string> lines = splitLines(log);
    std::string expected;
    for (const std::string& line : lines) expected += line + kLineEnd;
    EXPECT_EQ(log, expected);
    EXPECT_FALSE(withoutTimestamp(splitLines(log)[0]).empty()) << log;
}

// Every row of the reading table, driven through Tavrin: the value sits under
// key "x" of a torrent, and the written file shows how it was read.
TEST_F(TavrinFlow, ReadingTableThroughTavrin) {
    struct Row {
        std::string value;
        std::string written;  // empty: the run fails
        std::string logged;   // the last log line
    };
    const Row rows[] = {
        {"d8:announce3:urle", "d8:announce3:urle", ""},
        {"i-0e", "i0e", ""},
        {"i007e", "i7e", ""},
        {"i+7e", "i7e", ""},
        {"i 7e", "i7e", ""},
        {"ie", "i0e", ""},
        {"i7 e", "", "Bad torrent"},
        {"i99999999999999999999e", "i9223372036854775807e", ""},
        {"i-99999999999999999999e", "i-9223372036854775808e", ""},
        {"03:abc", "3:abc", ""},
        {"3abc", "", "Bad input data"},
        {"di1ei2ee", "", "Bad input data"},
        {"d1:b1:x1:a1:ye", "d1:a1:y1:b1:xe", ""},
        {"d1:a1:x1:a1:ye", "d1:a1:ye", ""},
        {"d 1:a1:xe", "d1:a1:xe", ""},
        {"d+1:a1:xe", "d1:a1:xe", ""},
        {"d:1:ye", "d0:1:ye", ""},
        {"le", "le", ""},
        {"de", "de", ""},
        {"x", "", "Bad torrent"},
        {"", "", "Bad torrent"},
        // The writing table.
        {"i-5e", "i-5e", ""},
        {"i-9223372036854775808e", "i-9223372036854775808e", ""},
        {"0:", "0:", ""},
        {"4:spam", "4:spam", ""},
        {"d1:bi1e1:ai2ee", "d1:ai2e1:bi1ee", ""},
        {"d1:\xC3i1e1:zi2ee", "d1:zi2e1:\xC3i1ee", ""},
        {"d2:abi1e1:ai2ee", "d1:ai2e2:abi1ee", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        std::filesystem::remove(box.path("out.torrent"));
        std::filesystem::remove(box.path("Tavrin.log"));
        box.write("in.torrent", "d" + kInfo + "1:x" + row.value + "e");
        RunResult result = run({"in.torrent", "out.torrent"});
        if (row.written.empty()) {
            EXPECT_EQ(result.exitCode, 1);
            EXPECT_FALSE(box.exists("out.torrent"));
            EXPECT_EQ(logLines().back(), row.logged);
        } else {
            EXPECT_EQ(result.exitCode, 0);
            EXPECT_EQ(box.read("out.torrent"), "d" + kEmptyOwnTier + kInfo + "1:x" + row.written + "e");
            EXPECT_EQ(logLines().size(), 1u);
        }
    }
}

TEST_F(TavrinFlow, CanonicalTorrentIsWrittenBackByteForByte) {
    const std::string torrent = "d8:announce" + bstr("http://a/x") + "13:announce-listll" + bstr("http://a/x") +
                                "ee7:comment" + bstr("c") + kInfo + "e";
    box.write("in.torrent", torrent);
    ASSERT_EQ(run({"in.torrent", "out.torrent"}).exitCode, 0);
    // The own tier is appended to the existing list; everything else is unchanged.
    const std::string expected = "d8:announce" + bstr("http://a/x") + "13:announce-listll" + bstr("http://a/x") +
                                 "el" + bstr("http://a/x") + "ee7:comment" + bstr("c") + kInfo + "e";
    EXPECT_EQ(box.read("out.torrent"), expected);
}

// Long runs of the torrent ("info" with its pieces, a long string of a
// canonical list) are copied from the file, and still arrive unchanged.
TEST_F(TavrinFlow, LongRunsOfTheTorrentAreCopiedUnchanged) {
    std::string pieces(300000, '\0');
    for (size_t i = 0; i < pieces.size(); ++i) pieces[i] = static_cast<char>(i * 7 + i / 251);
    const std::string info = "4:infod6:lengthi1e4:name1:n6:pieces" + bstr(pieces) + "e";
    const std::string seeds = "8:url-listl" + bstr(std::string(100000, 's')) + "e";
    box.write("in.torrent", "d" + info + seeds + "e");
    ASSERT_EQ(run({"in.torrent", "out.torrent"}).exitCode, 0);
    EXPECT_EQ(box.read("out.torrent"), "d" + kEmptyOwnTier + info + seeds + "e");
}

// Values outside "info" are counted: a document needing more nodes than the
// reader's budget is refused, and the log names the budget.
TEST_F(TavrinFlow, TorrentOverTheNodeBudgetIsRefused) {
    std::string values;
    for (size_t i = 0; i < kMaxValues; ++i) values += "le";
    box.write("in.torrent", "d" + kInfo + "1:xl" + values + "ee");
    EXPECT_EQ(run({"in.torrent", "out.torrent"}).exitCode, 1);
    const std::vector<std::string> lines = logLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Bad input data");
    EXPECT_EQ(lines.back(),
              "The document needs more than " + std::to_string(kMaxValues) + " values, the reader's budget");
    EXPECT_FALSE(box.exists("out.torrent"));
}

TEST_F(TavrinFlow, TrailingBytesAreDroppedAndReported) {
    box.write("in.torrent", "d" + kInfo + "eTRAILING");
    RunResult result = run({"in.torrent", "out.torrent"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "Bad torrent: size " + std::to_string(2 + kInfo.size() + 8) + ", tail 8" + kLineEnd);
    EXPECT_EQ(box.read("out.torrent"), "d" + kEmptyOwnTier + kInfo + "e");
}

TEST_F(TavrinFlow, OneArgumentWritesBesideTheExecutableAndLeavesTheInput) {
    std::filesystem::create_directory(box.dir() / "elsewhere");
    const std::string torrent = "d" + kInfo + "e";
    box.write("elsewhere/my file.torrent", torrent);
    EXPECT_EQ(run({"elsewhere/my file.torrent"}).exitCode, 0);
    EXPECT_EQ(box.read("elsewhere/my file.torrent"), torrent);
    EXPECT_EQ(box.read("my file.torrent"), "d" + kEmptyOwnTier + kInfo + "e");
}

// The output folder may be the programs' own: a torrent is always written
// under a name ending in ".torrent", so it never takes a program's or a
// setting file's place.
TEST_F(TavrinFlow, TheWrittenNameEndsInTorrent) {
    struct Row {
        const char* input;
        const char* output;
        const char* kept;  // a file of that name beside Tavrin, left alone; or null
    };
    const Row rows[] = {
        {"Keswel", "Keswel.torrent", "Keswel"},
        {"Settings.ini", "Settings.ini.torrent", "Settings.ini"},
        {"film.TORRENT", "film.TORRENT", nullptr},
    };
    std::filesystem::create_directory(box.dir() / "elsewhere");
    box.write("Keswel", "#!/bin/sh\necho keswel\n");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.input);
        const std::string kept = row.kept ? box.read(row.kept) : "";
        box.write(std::string("elsewhere/") + row.input, "d" + kInfo + "e");
        EXPECT_EQ(run({std::string("elsewhere/") + row.input}).exitCode, 0);
        EXPECT_EQ(box.read(row.output), "d" + kEmptyOwnTier + kInfo + "e");
        if (row.kept) {
            EXPECT_EQ(box.read(row.kept), kept);
        }
    }
}

TEST_F(TavrinFlow, TorrentBesideTheExecutableIsReplacedInPlace) {
    box.write("here.torrent", "d" + kInfo + "e");
    EXPECT_EQ(run({box.path("here.torrent")}).exitCode, 0);
    EXPECT_EQ(box.read("here.torrent"), "d" + kEmptyOwnTier + kInfo + "e");
}

TEST_F(TavrinFlow, TwoArgumentsWriteToTheSecondRelativeToTheCurrentDirectory) {
    std::filesystem::create_directory(box.dir() / "cwd");
    box.write("cwd/in.torrent", "d" + kInfo + "e");
    RunResult result = runProgram(tavrin, {"in.torrent", "out.torrent", "ignored"}, box.path("cwd"));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(box.read("cwd/out.torrent"), "d" + kEmptyOwnTier + kInfo + "e");
    EXPECT_FALSE(box.exists("in.torrent"));
}

TEST_F(TavrinFlow, UnwritableOutputFailsWithOneLineAndLeavesNoFile) {
    box.write("in.torrent", "d" + kInfo + "e");
    const std::string target = box.path("no-such-dir/out.torrent");
    EXPECT_EQ(run({"in.torrent", target}).exitCode, 1);
#ifdef _WIN32
    const int notFound = 3;  // ERROR_PATH_NOT_FOUND
#else
    const int notFound = 2;  // ENOENT
#endif
    EXPECT_EQ(logLines().back(), "Writing of \"" + target + "\" failed with code " + std::to_string(notFound));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(box.dir()), {}), 5)
        << "only Tavrin, its log, the settings, the directory and the input";
}

TEST_F(TavrinFlow, OutputIsSizedFromTheDocumentNotTheInput) {
    // A tiny torrent that grows far beyond ten times its size.
    std::string directory = exampleDirectory();
    std::string longUrl = "http://192.0.2.9/" + std::string(3000, 'a');
    directory += "\r\n[" + kRetrackers + "Southport NetOne]\r\n" + kCount + "=1\r\n1=" + longUrl + "\r\n";
    writeDirectory(directory);
    writeSettings("TrackerIniIndex=1 0\r\nTrackerCheck=1 1 1 1 0\r\n");
    box.write("in.torrent", "d4:infod4:name0:6:lengthi0eee");
    ASSERT_EQ(run({"in.torrent", "out.torrent"}).exitCode, 0);
    std::string tier = "l" + bstr(longUrl) + "e";
    EXPECT_EQ(box.read("out.torrent"),
              "d13:announce-listlle" + tier + tier + tier + tier + "e4:infod4:name0:6:lengthi0eee");
}

TEST_F(TavrinFlow, EveryPrefixOfATorrentFailsCleanly) {
    const std::string torrent = "d8:announce" + bstr("http://192.0.2.10/announce") + "7:comment" + bstr("hi") +
                                "4:infod5:filesld6:lengthi10e4:pathl1:a1:beed6:lengthi2e4:pathl1:ceee4:name" +
                                bstr("dir") + "12:piece lengthi16384e6:pieces" + bstr(std::string(20, 'p')) + "ee";
    for (size_t length = 0; length < torrent.size(); ++length) {
        SCOPED_TRACE(length);
        std::filesystem::remove(box.path("out.torrent"));
        box.write("in.torrent", torrent.substr(0, length));
        EXPECT_EQ(run({"in.torrent", "out.torrent"}).exitCode, 1);
        EXPECT_FALSE(box.exists("out.torrent"));
    }
}

TEST_F(TavrinFlow, DeepDocumentIsRejected) {
    box.write("in.torrent", "d" + kInfo + "1:x" + std::string(100000, 'l') + std::string(100000, 'e') + "e");
    EXPECT_EQ(run({"in.torrent", "out.torrent"}).exitCode, 1);
    EXPECT_EQ(logLines().back(), "Bad input data");
    EXPECT_FALSE(box.exists("out.torrent"));
}

// A torrent is identified by the SHA-1 of its "info" bytes: a non-canonical
// "info" must reach the output exactly as it was.
TEST_F(TavrinFlow, NonCanonicalInfoKeepsItsBytes) {
    const std::string info = "d4:name1:n6:lengthi007e1:xi-0ee";
    box.write("in.torrent", "d1:zi+1e4:info" + info + "e");
    ASSERT_EQ(run({"in.torrent", "out.torrent"}).exitCode, 0);
    EXPECT_EQ(box.read("out.torrent"), "d" + kEmptyOwnTier + "4:info" + info + "1:zi1ee");
}

// An integer without digits reads as 0 but is not written as "i0e" inside
// "info": the info bytes, and so the torrent's SHA-1, stay the same.
TEST_F(TavrinFlow, InfoWithAnEmptyIntegerKeepsItsBytes) {
    const std::string info = "d1:aie6:lengthi1e4:name1:xe";
    box.write("in.torrent", "d4:info" + info + "e");
    ASSERT_EQ(run({"in.torrent", "out.torrent"}).exitCode, 0);
    const std::string out = box.read("out.torrent");
    const size_t at = out.find("4:info");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(out.substr(at + 6, info.size()), info);
    EXPECT_EQ(out, "d" + kEmptyOwnTier + "4:info" + info + "e");
}

}  // namespace
}  // namespace testing_support
