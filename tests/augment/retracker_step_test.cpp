#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "augment/retracker_step.h"
#include "bencoding/reader.h"

namespace {

std::string bstr(const std::string& text) { return std::to_string(text.size()) + ":" + text; }
std::string tier(const std::string& url) { return "l" + bstr(url) + "e"; }

struct WrittenSink : BSink {
    std::string bytes;
    bool put(const char* data, size_t size) override {
        bytes.append(data, size);
        return true;
    }
};

// The torrent after augmentAnnounceList with the given live retrackers of city 1, provider 2.
std::string augmented(const std::string& torrent, const std::vector<std::string>& urls, bool addStatistics) {
    LiveRetrackers live;
    live.choice.city = 1;
    live.choice.provider = 2;
    live.urls = urls;
    live.addStatistics = addStatistics;
    BValuePtr root = parseDocument(torrent.data(), static_cast<int32_t>(torrent.size()));
    EXPECT_TRUE(root);
    if (!root) return {};
    augmentAnnounceList(live, *root);
    WrittenSink sink;
    EXPECT_TRUE(writeDocument(*root, sink));
    return sink.bytes;
}

const std::string kOwn = "http://192.0.2.10/announce";
const std::string kR1 = "http://192.0.2.1:81/announce";
const std::string kR2 = "http://192.0.2.2/announce";
const std::string kAnnounce = "8:announce" + bstr(kOwn);
const std::string kSingleFile = "4:infod6:lengthi1048576e4:name" + bstr("My File.iso") + "e";

TEST(AugmentAnnounceList, TiersFollowTheLiveUrls) {
    struct Row {
        const char* name;
        std::string torrent;
        std::vector<std::string> urls;
        std::string written;
    };
    const std::string a = "http://a/", b = "http://b/";
    const Row rows[] = {
        {"own tier, then the live ones in order", "d" + kAnnounce + kSingleFile + "e", {kR2, kR1},
         "d" + kAnnounce + "13:announce-listl" + tier(kOwn) + tier(kR2) + tier(kR1) + "e" + kSingleFile + "e"},
        {"existing tiers stay first, repeats kept",
         "d8:announce" + bstr(a) + "13:announce-listl" + tier(a) + tier(b) + "e" + kSingleFile + "e", {kR2, kR2},
         "d8:announce" + bstr(a) + "13:announce-listl" + tier(a) + tier(b) + tier(a) + tier(kR2) + tier(kR2) + "e" +
             kSingleFile + "e"},
        {"no live retracker: own tier only", "d" + kAnnounce + kSingleFile + "e", {},
         "d" + kAnnounce + "13:announce-listl" + tier(kOwn) + "e" + kSingleFile + "e"},
        {"no announce: an empty own tier", "d" + kSingleFile + "e", {kR1},
         "d13:announce-listlle" + tier(kR1) + "e" + kSingleFile + "e"},
        {"created list sits between announce and comment", "d" + kAnnounce + "7:comment" + bstr("c") + kSingleFile + "e",
         {}, "d" + kAnnounce + "13:announce-listl" + tier(kOwn) + "e7:comment" + bstr("c") + kSingleFile + "e"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(augmented(row.torrent, row.urls, false), row.written);
    }
}

TEST(AugmentAnnounceList, StatisticsQuery) {
    const std::string stat = "http://stat.retracker.local/announce";
    const std::string upper = "http://STAT.RETRACKER.LOCAL/announce";
    const std::string inPath = "http://192.0.2.5/stat.retracker.local?x=1";
    const std::string query = "?name=My%20File.iso&size=1048576&comment=&isp=1+2";
    const std::string single = "d" + kSingleFile + "e";
    EXPECT_EQ(augmented(single, {stat, upper, inPath, kR2}, true),
              "d13:announce-listlle" + tier(stat + query) + tier(upper) + tier(inPath + query) + tier(kR2) + "e" +
                  kSingleFile + "e");
    EXPECT_EQ(augmented(single, {stat}, false), "d13:announce-listlle" + tier(stat) + "e" + kSingleFile + "e");

    struct Row {
        const char* name;
        std::string torrent;  // without its closing "e"
        std::string query;
    };
    const Row rows[] = {
        {"files summed, comment encoded",
         "d7:comment" + bstr("a-b_c~d e") + "4:infod5:filesld6:lengthi10eed6:lengthi32eee4:name" + bstr("\xD4") + "e",
         "?name=%d4&size=42&comment=a%2db%5fc%7ed%20e&isp=1+2"},
        {"negative length", "d4:infod6:lengthi-5e4:name1:ne", "?name=n&size=-5&comment=&isp=1+2"},
        {"v2 file tree", "d4:infod9:file treed1:ad0:d6:lengthi5eee3:dird1:bd0:d6:lengthi6eeeee4:name1:ne",
         "?name=n&size=11&comment=&isp=1+2"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string written = augmented(row.torrent + "e", {stat}, true);
        std::string list = "13:announce-listlle" + tier(stat + row.query) + "e";
        // "announce-list" sorts before "comment" and "info": the root's first key.
        EXPECT_EQ(written, "d" + list + row.torrent.substr(1) + "e");
    }
}

TEST(AugmentAnnounceList, WrongKindsAreTypeErrors) {
    const char* torrents[] = {
        "le",
        "d8:announcei1e4:infod6:lengthi1e4:name1:nee",
        "d7:commentle4:infod6:lengthi1e4:name1:nee",
        "d13:announce-list1:x4:infod6:lengthi1e4:name1:nee",
        "d4:info3:abce",
        "d8:announce1:ae",
        "d4:infod6:lengthi1eee",
        "d4:infod4:namei1e6:lengthi1eee",
        "d4:infod4:name1:nee",
        "d4:infod4:name1:n5:filesldeeee",
        "d4:infod6:length1:14:name1:nee",
    };
    for (const char* torrent : torrents) {
        SCOPED_TRACE(torrent);
        std::optional<int64_t> gathered;  // as Tavrin reads: with the size gathered on the way
        BValuePtr root = parseDocument(torrent, static_cast<int32_t>(std::strlen(torrent)), nullptr, &gathered);
        ASSERT_TRUE(root);
        EXPECT_THROW(augmentAnnounceList(LiveRetrackers{}, *root, gathered), BadType);
    }
}

TEST(UrlEncode, Table) {
    const std::pair<std::string, std::string> rows[] = {
        {"a-b_c~d e", "a%2db%5fc%7ed%20e"},
        {"\xD4", "%d4"},
        {"\xD0\xA4", "%d0%a4"},
        {"readme.txt", "readme.txt"},
        {"", ""},
        {std::string("\0+&?/", 5), "%00%2b%26%3f%2f"},
        {"AZaz09", "AZaz09"},
    };
    for (const auto& [text, encoded] : rows) {
        SCOPED_TRACE(text);
        EXPECT_EQ(urlEncode(text), encoded);
    }
}

TEST(TotalSize, Table) {
    struct Row {
        const char* torrent;
        int64_t size;
    };
    const Row rows[] = {
        {"d4:infod6:lengthi1048576eee", 1048576},
        {"d4:infod6:lengthi-5eee", -5},
        {"d4:infod5:filesld6:lengthi10eed6:lengthi32eeeee", 42},
        {"d4:infod5:filesleee", 0},
        {"d4:infod5:filesld6:lengthi7eee6:lengthi3eee", 3},  // "length" wins over "files"
        {"d4:infod5:filesld6:lengthi9223372036854775807eed6:lengthi2eeeee", -9223372036854775807LL},  // wraps
        // A v2-only torrent: the lengths of the file tree's leaves.
        {"d4:infod9:file treed1:ad0:d6:lengthi5eee3:dird1:bd0:d6:lengthi6eeeeeee", 11},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.torrent);
        auto root = parseDocument(row.torrent, static_cast<int32_t>(std::strlen(row.torrent)));
        ASSERT_TRUE(root);
        EXPECT_EQ(totalSize(*root), row.size);
    }
}

TEST(TotalSize, WrongKindsAndMissingKeysAreTypeErrors) {
    const char* torrents[] = {
        "de",                                     // no info
        "d4:info3:abce",                          // info not a dictionary
        "d4:infodee",                             // none of length, files, file tree
        "d4:infod6:length1:xee",                  // length not an integer
        "d4:infod5:files3:abcee",                 // files not a list
        "d4:infod5:filesli1eeee",                 // element not a dictionary
        "d4:infod5:filesldeeee",                  // element without length
        "d4:infod9:file treed1:ad0:deeeee",       // file without length
        "d4:infod9:file treed1:ai1eeee",          // subtree not a dictionary
    };
    for (const char* torrent : torrents) {
        SCOPED_TRACE(torrent);
        auto root = parseDocument(torrent, static_cast<int32_t>(std::strlen(torrent)));
        ASSERT_TRUE(root);
        EXPECT_THROW(totalSize(*root), BadType);
    }
}

}  // namespace
