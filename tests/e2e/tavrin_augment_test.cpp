// The retracker step of the built Tavrin: directory lookups, tiers, statistics.
#include <filesystem>

#include "bencoding/reader.h"
#include "tests/e2e/tavrin_fixture.h"

namespace testing_support {
namespace {

std::string bstr(const std::string& text) { return std::to_string(text.size()) + ":" + text; }
std::string tier(const std::string& url) { return "l" + bstr(url) + "e"; }

const std::string kOwn = "http://192.0.2.10/announce";
const std::string kR1 = "http://192.0.2.1:81/announce";
const std::string kR2 = "http://192.0.2.2/announce";
const std::string kSingleFile = "4:infod6:lengthi1048576e4:name" + bstr("My File.iso") + "e";

class TavrinAugment : public TavrinTest {
protected:
    void SetUp() override { writeDirectory(); }

    // Runs Tavrin on the torrent with the given Settings.ini lines; returns
    // the written file, or "" when the run failed.
    std::string augment(const std::string& torrent, const std::string& settingsLines, int expectedExit = 0) {
        writeSettings(settingsLines);
        box.write("in.torrent", torrent);
        std::filesystem::remove(box.path("out.torrent"));
        EXPECT_EQ(run({"in.torrent", "out.torrent"}).exitCode, expectedExit);
        return box.exists("out.torrent") ? box.read("out.torrent") : std::string();
    }
};

// One run per failure of the step; the unit tables hold the variations.
TEST_F(TavrinAugment, FailuresOfTheRetrackerStep) {
    struct Row {
        std::string settings;
        std::string torrent;
        std::vector<std::string> logged;  // after the "Running for torrent" line
    };
    const std::string good = "d" + kSingleFile + "e";
    const std::string badFiles = "d4:infod5:filesld6:lengthi1eedee4:name1:nee";
    const std::string in = " of \"" + box.path("retrackers.ini") + "\"";
    const std::string settings = "\"" + box.path("Settings.ini") + "\"";
    const Row rows[] = {
        {"", good,
         {"Bad city or provider",
          "TrackerIniIndex in " + settings + " must be two numbers counted from 0, such as \"0 0\""}},
        {"TrackerIniIndex=2 0\r\n", good, {"Bad city 3", "No city 3 in section [" LOG_CITY "]" + in}},
        {"TrackerIniIndex=1 1\r\n", good,
         {"Bad provider 2 for city Southport", "No provider 2 in section [" LOG_PROVIDERS " Southport]" + in}},
        {"TrackerIniIndex=1 0\r\n", good,
         {"No active retrackers for provider NetOne, city Southport",
          "No section [" LOG_RETRACKERS " Southport NetOne]" + in}},
        // Directory failures come before any look at the torrent.
        {"TrackerIniIndex=2 0\r\n", "le", {"Bad city 3", "No city 3 in section [" LOG_CITY "]" + in}},
        // A never-run Keswel is said once the directory resolves.
        {"TrackerIniIndex=0 0\r\n", "le",
         {"TrackerCheck is empty: Keswel has not run yet, so no retracker was added", "Bad type access"}},
        // A file without "length": found while "info" is read, a type error only where the size is needed.
        {"TrackerIniIndex=2 0\r\n", badFiles, {"Bad city 3", "No city 3 in section [" LOG_CITY "]" + in}},
        {"TrackerIniIndex=0 0\r\n", badFiles,
         {"TrackerCheck is empty: Keswel has not run yet, so no retracker was added", "Bad type access"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.settings + " / " + row.torrent);
        std::filesystem::remove(box.path("Tavrin.log"));
        EXPECT_EQ(augment(row.torrent, row.settings, 1), "");
        std::vector<std::string> expected{"Running for torrent \"in.torrent\""};
        expected.insert(expected.end(), row.logged.begin(), row.logged.end());
        EXPECT_EQ(logLines(), expected);
    }
}

TEST_F(TavrinAugment, TiersFollowTheLiveList) {
    const std::string announce = "8:announce" + bstr(kOwn);
    EXPECT_EQ(augment("d" + announce + kSingleFile + "e", "TrackerIniIndex=0 0\r\nTrackerCheck=2 1 0\r\n"),
              "d" + announce + "13:announce-listl" + tier(kOwn) + tier(kR2) + tier(kR1) + "e" + kSingleFile + "e");
}

TEST_F(TavrinAugment, StatisticsQuery) {
    const std::string stat = "http://stat.retracker.local/announce";
    writeDirectory("[" + kCity + "]\r\n1=Northtown\r\n[" + kProviders + "Northtown]\r\n1=NetOne\r\n[" + kRetrackers +
                   "Northtown NetOne]\r\n" + kCount + "=2\r\n1=" + stat + "\r\n2=" + kR2 + "\r\n");
    EXPECT_EQ(augment("d" + kSingleFile + "e", "TrackerIniIndex=0 0\r\nTrackerCheck=1 2 0\r\nAddStat=True\r\n"),
              "d13:announce-listlle" + tier(stat + "?name=My%20File.iso&size=1048576&comment=&isp=1+1") + tier(kR2) +
                  "e" + kSingleFile + "e");
}

// A private torrent is written unchanged but for canonical form, whatever the
// settings, unless AddToPrivate lets the retrackers in.
TEST_F(TavrinAugment, PrivateTorrents) {
    const std::string info = "4:infod6:lengthi1e4:name1:x7:privatei1ee";
    const std::string torrent = "d8:announce" + bstr(kOwn) + info + "e";
    const std::string live = "TrackerIniIndex=0 0\r\nTrackerCheck=1 0\r\n";
    EXPECT_EQ(augment(torrent, live), torrent);
    EXPECT_EQ(augment(torrent, ""), torrent);  // no settings needed
    EXPECT_EQ(logLines().back(), "Private torrent, no retrackers added");
    EXPECT_EQ(augment(torrent, live + "AddToPrivate=true\r\n"),
              "d8:announce" + bstr(kOwn) + "13:announce-listl" + tier(kOwn) + tier(kR1) + "e" + info + "e");
}

TEST_F(TavrinAugment, MagnetLinks) {
    const std::string link = "magnet:?xt=urn:btih:c12fe1c06bba254a9dc9f519b335aa7c1367a88a&dn=a+b&tr=" + kR2;
    writeSettings("TrackerIniIndex=0 0\r\nTrackerCheck=1 2 0\r\n");
    EXPECT_EQ(run({"--output", "out.txt", link}).exitCode, 0);
    EXPECT_EQ(box.read("out.txt"), link + "&tr=http%3a%2f%2f192.0.2.1%3a81%2fannounce\n");

    EXPECT_EQ(run({"--output", "bad.txt", "magnet:?xt=urn:btih:123"}).exitCode, 1);
    EXPECT_FALSE(box.exists("bad.txt"));
    EXPECT_EQ(logLines().back(), "Bad magnet link");
    writeSettings("TrackerIniIndex=2 0\r\n");
    EXPECT_EQ(run({"--output", "bad.txt", link}).exitCode, 1);
    const std::vector<std::string> lines = logLines();
    EXPECT_EQ(lines[lines.size() - 2], "Bad city 3");  // then the cause
}

// Whatever follows a link came from the link itself (on Windows a raw quote
// in it splits it there): one line, nothing written, nothing started. An
// empty LaunchPath would log a failed start, were one tried.
TEST_F(TavrinAugment, ArgumentsAfterAMagnetLinkAreRefused) {
    const std::string link = "magnet:?xt=urn:btih:c12fe1c06bba254a9dc9f519b335aa7c1367a88a&dn=a";
    writeSettings("TrackerIniIndex=0 0\r\nTrackerCheck=1 0\r\nLaunchOnFailure=True\r\n");
    struct Row {
        std::vector<std::string> arguments;
        std::string refused;
    };
    const Row rows[] = {
        {{link, "x.bat"}, "x.bat"},
        {{link, "out.txt", "more"}, "out.txt"},
        {{link, "--output", "out.txt"}, "--output"},
        {{"--output", "out.txt", link, "x.bat"}, "x.bat"},
        {{"magnet:?xt=urn:btih:123", "x.bat"}, "x.bat"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.refused);
        std::filesystem::remove(box.path("Tavrin.log"));
        EXPECT_EQ(run(row.arguments).exitCode, 1);
        const std::string& input = row.arguments[0] == "--output" ? row.arguments[2] : row.arguments[0];
        EXPECT_EQ(logLines(), (std::vector<std::string>{"Running for torrent \"" + input + "\"",
                                                        "Nothing done: \"" + row.refused +
                                                            "\" follows the magnet link; to write the link to a "
                                                            "file, give --output FILE before it"}));
        EXPECT_FALSE(box.exists("x.bat") || box.exists("out.txt"));
    }
    // --output without its file and input.
    std::filesystem::remove(box.path("Tavrin.log"));
    EXPECT_EQ(run({"--output", "out.txt"}).exitCode, 1);
    EXPECT_EQ(logLines(), std::vector<std::string>{"--output needs a file, then the torrent or magnet link"});
}

// A desktop on Linux may hand over file:// URLs; Windows hands over paths.
// A control byte decoded from one ("%00" would read another file) makes the
// path unreadable.
TEST_F(TavrinAugment, FileUrlsArePaths) {
#ifdef _WIN32
    GTEST_SKIP() << "file:// URLs come from Linux desktops";
#endif
    writeSettings("TrackerIniIndex=0 0\r\nTrackerCheck=1 0\r\n");
    box.write("in a.torrent", "d" + kSingleFile + "e");
    std::string url = "file://" + box.path("in a.torrent");
    url.replace(url.find(' '), 1, "%20");
    EXPECT_EQ(run({"--output", "out.torrent", url}).exitCode, 0);
    EXPECT_EQ(box.read("out.torrent"), "d13:announce-listllel" + bstr(kR1) + "ee" + kSingleFile + "e");

    std::filesystem::remove(box.path("out.torrent"));
    std::filesystem::remove(box.path("Tavrin.log"));
    EXPECT_EQ(run({url + "%00.txt", "out.torrent"}).exitCode, 1);
    EXPECT_EQ(logLines(), (std::vector<std::string>{"Running for torrent \"" + url + "%00.txt\"",
                                                    "Reading of \"" + box.path("in a.torrent") +
                                                        "\\x00.txt\" failed with code 22"}));  // EINVAL
    EXPECT_FALSE(box.exists("out.torrent"));
}

}  // namespace
}  // namespace testing_support
