#include "probe/client_rpc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/console.h"
#include "tests/support/sandbox.h"

namespace {

LiveRetrackers liveList(std::vector<std::string> urls, bool addStatistics = false) {
    LiveRetrackers live;
    live.choice.city = 2;
    live.choice.provider = 5;
    live.urls = std::move(urls);
    live.addStatistics = addStatistics;
    return live;
}

TEST(RetrackersFor, Table) {
    const std::string a = "http://a/announce";
    const std::string b = "udp://b:80/announce";
    const std::string stat = "http://stat.retracker.local/announce";
    const std::string statQuery = stat + "?name=N%2f1&size=7&comment=&isp=2+5";
    struct Row {
        const char* what;
        bool isPrivate;
        bool addToPrivate;
        std::vector<std::string> present;
        LiveRetrackers live;
        std::vector<std::string> added;
    };
    const Row rows[] = {
        {"public: every live one", false, false, {"http://own/"}, liveList({a, b}), {a, b}},
        {"one there already", false, false, {b, "http://own/"}, liveList({a, b}), {a}},
        {"all there", false, false, {a, b}, liveList({b, a}), {}},
        {"private: none", true, false, {}, liveList({a, b}), {}},
        {"private with AddToPrivate", true, true, {}, liveList({a, b}), {a, b}},
        {"repeats added once", false, false, {}, liveList({a, b, a}), {a, b}},
        {"statistics query", false, false, {}, liveList({stat, a}, true), {statQuery, a}},
        {"escape rewritten by the client", false, false, {stat + "?name=N%2F1&size=7&comment=&isp=2+5"},
         liveList({stat}, true), {}},
        {"another size is another URL", false, false, {stat + "?name=N%2f1&size=8&comment=&isp=2+5"},
         liveList({stat}, true), {statQuery}},
        {"no live list", false, false, {}, liveList({}), {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ClientTorrent torrent;
        torrent.name = "N/1";
        torrent.totalSize = 7;
        torrent.isPrivate = row.isPrivate;
        torrent.trackers = row.present;
        EXPECT_EQ(retrackersFor(row.live, torrent, row.addToPrivate), row.added);
    }
}

TEST(ClientRpcRequests, Bodies) {
    EXPECT_EQ(transmissionTorrentGet(),
              R"({"arguments":{"fields":["id","name","hashString","isPrivate","trackers","totalSize","comment"]},)"
              R"("method":"torrent-get"})");
    EXPECT_EQ(transmissionTrackerAdd("12", {"http://a/x?q=\"1\"", "udp://b:1"}),
              R"({"arguments":{"ids":[12],"trackerAdd":["http://a/x?q=\"1\"","udp://b:1"]},"method":"torrent-set"})");
    EXPECT_EQ(formEncode({{"username", "a b"}, {"password", "p&=%"}}), "username=a%20b&password=p%26%3d%25");
    // Blank lines before the first URL and between them: one tier each after tier 1.
    EXPECT_EQ(qbittorrentTrackerLines({"http://a", "http://b"}, 1), "\n\nhttp://a\n\nhttp://b");
    EXPECT_EQ(qbittorrentTrackerLines({"http://a"}, -1), "http://a");
}

TEST(ClientRpcReplies, Transmission) {
    std::vector<ClientTorrent> torrents;
    ASSERT_TRUE(readTransmissionTorrents(
        R"({"arguments":{"torrents":[{"id":3,"name":"Ж","isPrivate":true,"totalSize":5000000000,"comment":"c",)"
        R"("trackers":[{"announce":"http://own","tier":0},{"announce":"http://x","tier":2}]},{"id":4}]},)"
        R"("result":"success"})",
        torrents));
    ASSERT_EQ(torrents.size(), 2u);
    EXPECT_EQ(torrents[0].id, "3");
    EXPECT_EQ(torrents[0].name, "Ж");
    EXPECT_TRUE(torrents[0].isPrivate);
    EXPECT_EQ(torrents[0].totalSize, 5000000000);
    EXPECT_EQ(torrents[0].comment, "c");
    EXPECT_EQ(torrents[0].trackers, (std::vector<std::string>{"http://own", "http://x"}));
    EXPECT_EQ(torrents[0].maxTier, 2);
    EXPECT_FALSE(torrents[1].isPrivate);
    EXPECT_EQ(torrents[1].maxTier, -1);

    for (const char* reply : {R"({"arguments":{},"result":"no method name"})", R"({"result":"success"})",
                              R"({"arguments":{"torrents":[{"name":"no id"}]},"result":"success"})", "<html>",
                              ""}) {
        SCOPED_TRACE(reply);
        std::vector<ClientTorrent> none;
        EXPECT_FALSE(readTransmissionTorrents(reply, none));
    }
}

TEST(ClientRpcReplies, Qbittorrent) {
    std::vector<ClientTorrent> torrents;
    ASSERT_TRUE(readQbittorrentTorrents(R"([{"hash":"ab","name":"n","total_size":9},{"hash":"cd","private":true}])",
                                        torrents));
    ASSERT_EQ(torrents.size(), 2u);
    EXPECT_EQ(torrents[0].id, "ab");
    EXPECT_EQ(torrents[0].totalSize, 9);
    EXPECT_FALSE(torrents[0].isPrivate);
    EXPECT_TRUE(torrents[1].isPrivate);
    EXPECT_FALSE(readQbittorrentTorrents(R"({"hash":"ab"})", torrents));
    EXPECT_FALSE(readQbittorrentTorrents(R"([{"name":"no hash"}])", torrents));

    ClientTorrent torrent;
    ASSERT_TRUE(readQbittorrentTrackers(
        R"([{"url":"** [DHT] **","tier":-1,"status":2,"msg":""},{"url":"http://own","tier":0},)"
        R"({"url":"http://x","tier":3}])",
        torrent));
    EXPECT_EQ(torrent.trackers, (std::vector<std::string>{"http://own", "http://x"}));
    EXPECT_EQ(torrent.maxTier, 3);
    EXPECT_FALSE(torrent.isPrivate);
    ASSERT_TRUE(readQbittorrentProperties(R"({"comment":"c","total_size":11,"is_private":true})", torrent));
    EXPECT_EQ(torrent.comment, "c");
    EXPECT_EQ(torrent.totalSize, 11);
    EXPECT_TRUE(torrent.isPrivate);

    // Versions without the flag say it on the disabled DHT row.
    ClientTorrent older;
    ASSERT_TRUE(readQbittorrentTrackers(
        R"([{"url":"** [DHT] **","tier":"","status":0,"msg":"This torrent is private"}])", older));
    EXPECT_TRUE(older.isPrivate);
    EXPECT_EQ(older.maxTier, -1);
}

TEST(ClientRpcKindOf, Table) {
    struct Row {
        const char* program;
        const char* kind;
    };
    const Row rows[] = {
        {"/usr/bin/transmission-gtk", "transmission"},
        {"C:\\Program Files\\Transmission\\transmission-qt.exe", "transmission"},
        {"/usr/bin/qbittorrent", "qbittorrent"},
        {"C:\\Program Files\\qBittorrent\\qbittorrent.exe", "qbittorrent"},
        {"/usr/bin/transmission-remote", ""},
        {"/usr/bin/deluge-gtk", ""},
        {"/opt/transmission/bin/ktorrent", ""},
    };
    for (const Row& row : rows) EXPECT_STREQ(clientRpcKindOf(row.program), row.kind) << row.program;
}

TEST(ClientRpcSettingsRead, Table) {
    struct Row {
        const char* lines;
        ClientKind kind;
        const char* url;
    };
    const Row rows[] = {
        {"", ClientKind::None, ""},
        {"ClientRpc=Transmission\r\n", ClientKind::Transmission, "http://127.0.0.1:9091/transmission/rpc"},
        {"ClientRpc=qbittorrent\r\n", ClientKind::QBittorrent, "http://127.0.0.1:8080"},
        {"ClientRpc=qbittorrent\r\nClientRpcUrl=http://box:8081/\r\n", ClientKind::QBittorrent, "http://box:8081/"},
        {"ClientRpc=deluge\r\n", ClientKind::Unknown, "http://127.0.0.1:9091/transmission/rpc"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.lines);
        testing_support::Sandbox sandbox;
        sandbox.write("Settings.ini", std::string("[Settings]\r\nClientRpcUser=u\r\n") + row.lines);
        const ClientRpcSettings rpc = readClientRpcSettings(sandbox.path("Settings.ini"));
        EXPECT_EQ(rpc.kind, row.kind);
        EXPECT_EQ(rpc.url, row.url);
        EXPECT_EQ(rpc.user, row.kind == ClientKind::None ? "" : "u");
    }
}

}  // namespace
