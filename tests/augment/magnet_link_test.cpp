#include <gtest/gtest.h>

#include "augment/live_retrackers.h"
#include "augment/magnet_link.h"

namespace {

const std::string kHash = "c12fe1c06bba254a9dc9f519b335aa7c1367a88a";
const std::string kLink = "magnet:?xt=urn:btih:" + kHash;

TEST(MagnetLink, WhichLinksAreAccepted) {
    const std::string base32 = "YEX6DQDLXISUVHOJ6UM3GNNKPQJWPKEK";
    const std::string sha256 = "1220" + kHash + "0123456789abcdef01234567";
    struct Row {
        std::string link;
        bool accepted;
    };
    const Row rows[] = {
        {kLink, true},
        {"MAGNET:?xt=URN:BTIH:" + kHash, true},
        {"magnet:?dn=x&xt=urn:btih:" + base32, true},
        {"magnet:?xt=urn:btmh:" + sha256, true},
        {"magnet:?xt.1=urn:ed2k:abc&xt.2=urn:btih:" + kHash, true},
        {"magnet:?xt=urn%3Abtih%3A" + kHash, true},  // an encoded topic is the same topic
        {"magnet:?xt=urn:btih:" + kHash.substr(1), false},
        {"magnet:?xt=urn:btih:" + kHash + "0", false},
        {"magnet:?xt=urn:btih:" + kHash.substr(0, 39) + "g", false},
        {"magnet:?xt=urn:btmh:1221" + sha256.substr(4), false},
        {"magnet:?xt=urn:sha1:" + kHash, false},
        {"magnet:?dn=no+topic", false},
        {"magnet:?", false},
        {"magnet:xt=urn:btih:" + kHash, false},
        {kLink + "&dn=" + std::string(kMaxMagnetLinkSize, 'a'), false},
        // A valid link holds no raw quote or control byte; blanks come with
        // pasted links, and bytes from 0x80 up with names in a local code page.
        {kLink + "&dn=a b c", true},
        {kLink + "&dn=%22a%0A%00", true},
        {kLink + "&dn=\xD0\xE5", true},
        {kLink + "&dn=a\" --evil \"b", false},
        {kLink + "&dn=a\nb", false},
        {kLink + "&dn=a\tb", false},
        {kLink + std::string("&dn=a\0b", 7), false},
        {kLink + "&dn=a\x7F", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.link.substr(0, 120));
        EXPECT_EQ(parseMagnetLink(row.link).has_value(), row.accepted);
    }
}

TEST(MagnetLink, NameSizeAndTrackers) {
    auto parsed = parseMagnetLink(kLink + "&dn=Big+Buck%20Bunny&xl=276134947&tr=http%3A%2F%2Fa.example%2Fannounce&tr=udp://b:1");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->name, "Big Buck Bunny");
    EXPECT_EQ(parsed->size, 276134947);
    EXPECT_EQ(parsed->trackers, (std::vector<std::string>{"http://a.example/announce", "udp://b:1"}));
    EXPECT_EQ(parseMagnetLink(kLink + "&xl=12x")->size, 0);
}

TEST(MagnetLink, TrackersAreAppendedOnceAndEncoded) {
    struct Row {
        std::string link;
        std::vector<std::string> urls;
        std::string added;
    };
    const Row rows[] = {
        {kLink, {"http://r.local/ann"}, "&tr=http%3a%2f%2fr.local%2fann"},
        {kLink + "&tr=http%3A%2F%2Fr.local%2Fann", {"http://r.local/ann", "http://s/"}, "&tr=http%3a%2f%2fs%2f"},
        {kLink + "&tr=http://r.local/ann", {"http://r.local/ann"}, ""},
        {kLink, {"http://r/a", "http://r/a"}, "&tr=http%3a%2f%2fr%2fa"},
        {kLink, {"http://r/?a=1&b=%2"}, "&tr=http%3a%2f%2fr%2f%3fa%3d1%26b%3d%252"},
        {kLink, {"http://\xD0\xE5/"}, "&tr=http%3a%2f%2f%d0%e5%2f"},
        {kLink + "&", {"http://r/"}, "&tr=http%3a%2f%2fr%2f"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.link);
        auto parsed = parseMagnetLink(row.link);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(withTrackers(row.link, *parsed, row.urls), row.link + row.added);
    }
}

// A link's retrackers get the statistics query from "dn" and "xl", with an
// empty comment, then are encoded once more as "tr" values.
TEST(MagnetLink, StatisticsQueryFromNameAndSize) {
    LiveRetrackers live;
    live.choice.city = 2;
    live.choice.provider = 1;
    live.addStatistics = true;
    live.urls = {"http://stat.retracker.local/announce", "http://plain/announce"};
    const std::string link = kLink + "&dn=Big+Buck%20Bunny&xl=276134947";
    auto parsed = parseMagnetLink(link);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(withTrackers(link, *parsed, urlsToAdd(live, parsed->name, parsed->size, "")),
              link + "&tr=http%3a%2f%2fstat.retracker.local%2fannounce%3fname%3dBig%2520Buck%2520Bunny%26size%3d"
                     "276134947%26comment%3d%26isp%3d2%2b1&tr=http%3a%2f%2fplain%2fannounce");
}

TEST(FileUrl, LocalPaths) {
    struct Row {
        std::string argument;
        std::optional<std::string> path;  // nothing: not a local file URL
        bool usable = true;
    };
    const Row rows[] = {
        {"file:///home/me/a%20b.torrent", "/home/me/a b.torrent"},
        {"FILE://localhost/t/%D0%E5+x.torrent", "/t/\xD0\xE5+x.torrent"},
        {"file://elsewhere/t.torrent", std::nullopt},
        {"file:relative.torrent", std::nullopt},
        {"/home/me/file:///x.torrent", std::nullopt},
        {"file:///100%.torrent", "/100%.torrent"},
        {"file:///%80%FF.torrent", "/\x80\xFF.torrent"},
        // Decoded control bytes would cut the path short or forge log lines.
        {"file:///d/s.torrent%00.txt", std::string("/d/s.torrent\0.txt", 17), false},
        {"file:///d/a%0Ab.torrent", "/d/a\nb.torrent", false},
        {"file:///d/a%0db.torrent", "/d/a\rb.torrent", false},
        {"file:///d/a%1Fb%09.torrent", "/d/a\x1F" "b\t.torrent", false},
        {"file:///d/a%7F.torrent", "/d/a\x7F.torrent", false},
        {"file:///d/a%20%21.torrent", "/d/a !.torrent"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argument);
        const std::optional<FileUrlPath> named = localPathOfFileUrl(row.argument);
        ASSERT_EQ(named.has_value(), row.path.has_value());
        if (!named) continue;
        EXPECT_EQ(named->path, *row.path);
        EXPECT_EQ(named->usable, row.usable);
    }
}

}  // namespace
