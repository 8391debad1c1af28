// The retracker step of the built Tavrin: directory lookups, tiers, statistics.
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

TEST_F(TavrinAugment, FailuresOfTheRetrackerStep) {
    struct Row {
        std::string settings;
        std::string torrent;
        std::string logged;
    };
    const std::string good = "d" + kSingleFile + "e";
    const Row rows[] = {
        {"", good, "Bad city or provider"},
        {"TrackerIniIndex=\r\n", good, "Bad city or provider"},
        {"TrackerIniIndex=0\r\n", good, "Bad city or provider"},
        {"TrackerIniIndex=north south\r\n", good, "Bad city or provider"},
        {"TrackerIniIndex=-1 0\r\n", good, "Bad city or provider"},
        {"TrackerIniIndex=0 -1\r\n", good, "Bad city or provider"},
        {"TrackerIniIndex=2 0\r\n", good, "Bad city 3"},
        {"TrackerIniIndex=1 1\r\n", good, "Bad provider 2 for city Southport"},
        {"TrackerIniIndex=1 0\r\n", good, "No active retrackers for provider NetOne, city Southport"},
        {"TrackerIniIndex=-2 0\r\n", good, "Bad city -1"},
        // Directory failures come before any look at the torrent.
        {"TrackerIniIndex=2 0\r\n", "le", "Bad city 3"},
        // Type errors in the torrent.
        {"TrackerIniIndex=0 0\r\n", "le", "Bad type access"},
        {"TrackerIniIndex=0 0\r\n", "d8:announcei1e" + kSingleFile + "e", "Bad type access"},
        {"TrackerIniIndex=0 0\r\n", "d7:commentle" + kSingleFile + "e", "Bad type access"},
        {"TrackerIniIndex=0 0\r\n", "d8:announce1:a13:announce-list1:x" + kSingleFile + "e", "Bad type access"},
        {"TrackerIniIndex=0 0\r\n", "d4:info3:abce", "Bad type access"},
        {"TrackerIniIndex=0 0\r\n", "d8:announce1:ae", "Bad type access"},
        {"TrackerIniIndex=0 0\r\n", "d4:infod6:lengthi1eee", "Bad type access"},
        {"TrackerIniIndex=0 0\r\n", "d4:infod4:namei1e6:lengthi1eee", "Bad type access"},
        {"TrackerIniIndex=0 0\r\n", "d4:infod4:name1:nee", "Bad type access"},
        {"TrackerIniIndex=0 0\r\n", "d4:infod4:name1:n5:filesldeeee", "Bad type access"},
        {"TrackerIniIndex=0 0\r\n", "d4:infod4:name1:n6:length1:1ee", "Bad type access"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.settings + " / " + row.torrent);
        std::filesystem::remove(box.path("Tavrin.log"));
        EXPECT_EQ(augment(row.torrent, row.settings, 1), "");
        EXPECT_EQ(logLines(), (std::vector<std::string>{"Running for torrent \"in.torrent\"", row.logged}));
    }
}

TEST_F(TavrinAugment, TiersFollowTheLiveList) {
    struct Row {
        std::string name;
        std::string torrent;
        std::string settings;
        std::string written;
    };
    const std::string announce = "8:announce" + bstr(kOwn);
    const std::string a = "http://a/", b = "http://b/";
    const Row rows[] = {
        {"live list 2 1",
         "d" + announce + kSingleFile + "e", "TrackerIniIndex=0 0\r\nTrackerCheck=2 1 0\r\n",
         "d" + announce + "13:announce-listl" + tier(kOwn) + tier(kR2) + tier(kR1) + "e" + kSingleFile + "e"},
        {"existing tiers stay first, repeats kept",
         "d8:announce" + bstr(a) + "13:announce-listl" + tier(a) + tier(b) + "e" + kSingleFile + "e",
         "TrackerIniIndex=0 0\r\nTrackerCheck=3 2 2 0\r\n",
         "d8:announce" + bstr(a) + "13:announce-listl" + tier(a) + tier(b) + tier(a) + tier(kR2) + tier(kR2) + "e" +
             kSingleFile + "e"},
        {"no TrackerCheck: own tier only",
         "d" + announce + kSingleFile + "e", "TrackerIniIndex=0 0\r\n",
         "d" + announce + "13:announce-listl" + tier(kOwn) + "e" + kSingleFile + "e"},
        {"nothing answered",
         "d" + announce + kSingleFile + "e", "TrackerIniIndex=0 0\r\nTrackerCheck= 0\r\n",
         "d" + announce + "13:announce-listl" + tier(kOwn) + "e" + kSingleFile + "e"},
        {"no announce: an empty own tier",
         "d" + kSingleFile + "e", "TrackerIniIndex=0 0\r\nTrackerCheck=1 0\r\n",
         "d13:announce-listlle" + tier(kR1) + "e" + kSingleFile + "e"},
        {"numbers above the count and negative ones are skipped",
         "d" + kSingleFile + "e", "TrackerIniIndex=0 0\r\nTrackerCheck=5 -1 1 0\r\n",
         "d13:announce-listlle" + tier(kR1) + "e" + kSingleFile + "e"},
        {"other provider",
         "d" + kSingleFile + "e", "TrackerIniIndex=0 1\r\nTrackerCheck=1 2 0\r\n",
         "d13:announce-listlle" + tier("http://198.51.100.7:444/announce") + "e" + kSingleFile + "e"},
        {"created list sits between announce and comment",
         "d" + announce + "7:comment" + bstr("c") + kSingleFile + "e", "TrackerIniIndex=0 0\r\n",
         "d" + announce + "13:announce-listl" + tier(kOwn) + "e7:comment" + bstr("c") + kSingleFile + "e"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(augment(row.torrent, row.settings), row.written);
    }
}

TEST_F(TavrinAugment, DirectoryEdgeCases) {
    // Count larger than the keys present, a key without value, a key with a
    // leading zero, and a count smaller than the keys.
    writeDirectory("[" + kCity + "]\r\n1=Big Town\r\n[" + kProviders + "Big Town]\r\n1=Net One\r\n2=Net Two\r\n[" +
                   kRetrackers + "Big Town Net One]\r\n" + kCount + "=5\r\n1=http://one/\r\n2=\r\n03=http://three/\r\n" +
                   "4=http://four/\r\n[" + kRetrackers + "Big Town Net Two]\r\n" + kCount +
                   "=1\r\n1=http://x1/\r\n2=http://x2/\r\n");
    const std::string torrent = "d" + kSingleFile + "e";
    EXPECT_EQ(augment(torrent, "TrackerIniIndex=0 0\r\nTrackerCheck=1 2 3 4 5 0\r\n"),
              "d13:announce-listlle" + tier("http://one/") + tier("http://four/") + "e" + kSingleFile + "e");
    EXPECT_EQ(augment(torrent, "TrackerIniIndex=0 1\r\nTrackerCheck=2 1 0\r\n"),
              "d13:announce-listlle" + tier("http://x1/") + "e" + kSingleFile + "e");
}

TEST_F(TavrinAugment, NegativeCountSelectsNothing) {
    std::string directory = exampleDirectory();
    directory += "[" + kRetrackers + "Southport NetOne]\r\n" + kCount + "=-2\r\n1=http://s1/\r\n";
    writeDirectory(directory);
    EXPECT_EQ(augment("d" + kSingleFile + "e", "TrackerIniIndex=1 0\r\nTrackerCheck=1 -1 0\r\n"),
              "d13:announce-listllee" + kSingleFile + "e");
}

TEST_F(TavrinAugment, StatisticsQuery) {
    const std::string stat = "http://stat.retracker.local/announce";
    const std::string upper = "http://STAT.RETRACKER.LOCAL/announce";
    const std::string inPath = "http://192.0.2.5/stat.retracker.local?x=1";
    std::string directory = "[" + kCity + "]\r\n1=Northtown\r\n[" + kProviders + "Northtown]\r\n1=NetOne\r\n2=Other\r\n[" +
                            kRetrackers + "Northtown NetOne]\r\n" + kCount + "=4\r\n1=" + stat + "\r\n2=" + upper +
                            "\r\n3=" + inPath + "\r\n4=" + kR2 + "\r\n";
    writeDirectory(directory);
    const std::string settings = "TrackerIniIndex=0 0\r\nTrackerCheck=1 2 3 4 0\r\n";
    const std::string query = "?name=My%20File.iso&size=1048576&comment=&isp=1+1";
    const std::string torrent = "d" + kSingleFile + "e";
    struct Row {
        std::string addStat;
        bool on;
    };
    for (const Row& row : {Row{"True", true}, Row{"TRUE", true}, Row{"true", true}, Row{"1", false},
                           Row{"yes", false}, Row{"", false}, Row{"True ", true}}) {
        SCOPED_TRACE(row.addStat);
        std::string expected = "d13:announce-listlle" + tier(row.on ? stat + query : stat) + tier(upper) +
                               tier(row.on ? inPath + query : inPath) + tier(kR2) + "e" + kSingleFile + "e";
        EXPECT_EQ(augment(torrent, settings + "AddStat=" + row.addStat + "\r\n"), expected);
    }
    // Multi-file sums, a negative length and a comment.
    const std::string multi = "d7:comment" + bstr("a-b_c~d e") + "4:infod5:filesld6:lengthi10eed6:lengthi32eee4:name" +
                              bstr("\xD4") + "ee";
    EXPECT_EQ(augment(multi, "TrackerIniIndex=0 0\r\nTrackerCheck=1 0\r\nAddStat=true\r\n"),
              "d13:announce-listlle" + tier(stat + "?name=%d4&size=42&comment=a%2db%5fc%7ed%20e&isp=1+1") +
                  "e7:comment" + bstr("a-b_c~d e") + "4:infod5:filesld6:lengthi10eed6:lengthi32eee4:name" +
                  bstr("\xD4") + "ee");
    const std::string negative = "d4:infod6:lengthi-5e4:name1:nee";
    EXPECT_EQ(augment(negative, "TrackerIniIndex=0 0\r\nTrackerCheck=1 0\r\nAddStat=True\r\n"),
              "d13:announce-listlle" + tier(stat + "?name=n&size=-5&comment=&isp=1+1") + "e" +
                  negative.substr(1));
}

// A valid v2-only torrent reaches the client: its size is the sum of its file tree.
TEST_F(TavrinAugment, VersionTwoOnlyTorrent) {
    std::string directory = "[" + kCity + "]\r\n1=T\r\n[" + kProviders + "T]\r\n1=P\r\n[" + kRetrackers + "T P]\r\n" +
                            kCount + "=1\r\n1=http://stat.retracker.local/a\r\n";
    writeDirectory(directory);
    const std::string info = "4:infod9:file treed1:ad0:d6:lengthi5eee3:dird1:bd0:d6:lengthi6eeeee4:name1:ne";
    EXPECT_EQ(augment("d" + info + "e", "TrackerIniIndex=0 0\r\nTrackerCheck=1 0\r\nAddStat=True\r\n"),
              "d13:announce-listlle" + tier("http://stat.retracker.local/a?name=n&size=11&comment=&isp=1+1") + "e" +
                  info + "e");
}

}  // namespace
}  // namespace testing_support
