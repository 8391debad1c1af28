#include "probe/udp_connect.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(UdpConnectRequest, IsBigEndianProtocolIdActionAndTransaction) {
    const auto request = udpConnectRequest(0x01020304u);
    const std::string bytes(request.begin(), request.end());
    EXPECT_EQ(bytes, std::string("\x00\x00\x04\x17\x27\x10\x19\x80"
                                 "\x00\x00\x00\x00"
                                 "\x01\x02\x03\x04",
                                 16));
}

struct ReplyRow {
    const char* name;
    std::string bytes;
    bool valid;
};

TEST(UdpConnectReply, Table) {
    const std::string id = "\xDE\xAD\xBE\xEF";
    const std::string connection(8, '\x5A');
    const ReplyRow rows[] = {
        {"connect reply", std::string("\0\0\0\0", 4) + id + connection, true},
        {"error reply", std::string("\0\0\0\3", 4) + id + connection, true},
        {"longer reply", std::string("\0\0\0\0", 4) + id + connection + "tail", true},
        {"other transaction", std::string("\0\0\0\0", 4) + "\xDE\xAD\xBE\xEE" + connection, false},
        {"announce action", std::string("\0\0\0\1", 4) + id + connection, false},
        {"action in the wrong byte", std::string("\3\0\0\0", 4) + id + connection, false},
        {"15 bytes", std::string("\0\0\0\0", 4) + id + connection.substr(1), false},
        {"error header alone", std::string("\0\0\0\3", 4) + id, true},
        {"short error message", std::string("\0\0\0\3", 4) + id + "bad", true},
        {"7-byte error", std::string("\0\0\0\3", 4) + id.substr(0, 3), false},
        {"short error, other transaction", std::string("\0\0\0\3", 4) + "\xDE\xAD\xBE\xEE", false},
        {"empty", "", false},
    };
    for (const ReplyRow& row : rows) {
        SCOPED_TRACE(row.name);
        const auto* data = reinterpret_cast<const unsigned char*>(row.bytes.data());
        EXPECT_EQ(isUdpConnectReply(data, row.bytes.size(), 0xDEADBEEFu), row.valid);
    }
}

}  // namespace
