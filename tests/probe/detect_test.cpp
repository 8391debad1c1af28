#include "probe/detect.h"
#include "probe/tracker_answer.h"

#include <gtest/gtest.h>

TEST(Detect, ProviderAddressTable) {
    for (const char* provider : {"10.0.0.5", "172.16.0.1", "172.31.255.255", "192.168.1.1", "100.64.0.1",
                                 "100.127.255.254", "127.0.0.1", "169.254.3.4", "::1", "fd00::5", "FC12:3456::1",
                                 "fe80::1", "febf::1", "::ffff:10.1.2.3"})
        EXPECT_TRUE(isProviderAddress(provider)) << provider;
    for (const char* outside : {"8.8.8.8", "172.32.0.1", "172.15.0.1", "100.128.0.1", "100.63.0.1", "192.169.0.1",
                                "2001:db8::1", "fd::1", "fec0::1", "::ffff:8.8.8.8", "::", "", "10.0.0", "256.1.1.1"})
        EXPECT_FALSE(isProviderAddress(outside)) << outside;
}

TEST(Detect, AnnounceRequestKeepsPathAndQuery) {
    std::array<unsigned char, 20> hash{}, peer{};
    hash[0] = 0xAB;
    peer[19] = 0x01;
    std::string ids = "info_hash=%AB";
    for (int i = 0; i < 19; ++i) ids += "%00";
    std::string peerId;
    for (int i = 0; i < 19; ++i) peerId += "%00";
    peerId += "%01";
    const std::string tail = "&port=6881&uploaded=0&downloaded=0&left=0&numwant=0&compact=1&event=stopped HTTP/1.0\r\n";
    EXPECT_EQ(announceRequest("http://host:2710/announce", hash, peer),
              "GET /announce?" + ids + "&peer_id=" + peerId + tail +
                  "Host: host:2710\r\nUser-Agent: Keswel\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(announceRequest("host/ann?key=1#x", hash, peer).substr(0, 24), "GET /ann?key=1&info_hash");
    EXPECT_EQ(announceRequest("http://host", hash, peer).substr(0, 16), "GET /?info_hash=");
}

TEST(Detect, TrackerReplyTable) {
    struct Row {
        const char* response;
        bool tracker;
    };
    const Row rows[] = {
        {"HTTP/1.0 200 OK\r\n\r\nd14:failure reason3:note", true},
        {"HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\nd8:completei0e8:intervali1800e5:peers0:e", true},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1a\r\nd8:intervali1800e5:peers0:e\r\n0\r\n\r\n", true},
        {"HTTP/1.0 200 OK\r\n\r\nd5:filesdee", true},
        {"HTTP/1.0 404 Not Found\r\n\r\n<html>d8:interval</html>", false},
        {"HTTP/1.0 200 OK\r\n\r\nd3:fooi1ee", false},
        {"HTTP/1.0 200 OK\r\n\r\nl8:intervale", false},
        {"HTTP/1.0 200 OK\r\nno end of headers d8:interval", false},
        {"d14:failure reason3:note", false},
        {"", false},
    };
    for (const Row& row : rows) EXPECT_EQ(isTrackerReply(row.response), row.tracker) << row.response;
}
