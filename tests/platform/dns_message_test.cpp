#include "platform/dns_message.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::DnsReply;
using platform::DnsType;

namespace {

using Bytes = std::vector<unsigned char>;

constexpr uint16_t kId = 0x1234;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The header of a reply with the given flags and counts.
Bytes header(uint16_t id, uint16_t flags, uint16_t questions, uint16_t answers) {
    return {static_cast<unsigned char>(id >> 8), static_cast<unsigned char>(id), static_cast<unsigned char>(flags >> 8),
            static_cast<unsigned char>(flags), 0, static_cast<unsigned char>(questions), 0,
            static_cast<unsigned char>(answers), 0, 0, 0, 0};
}

const Bytes kName = {9, 'r', 'e', 't', 'r', 'a', 'c', 'k', 'e', 'r', 5, 'l', 'o', 'c', 'a', 'l', 0};
const Bytes kQuestionA = kName + Bytes{0, 1, 0, 1};
const Bytes kToName = {0xC0, 12};  // a pointer to the question's name
const Bytes kRecordA = Bytes{0, 1, 0, 1, 0, 0, 0, 60, 0, 4, 10, 0, 0, 5};
const Bytes kOk = header(kId, 0x8180, 1, 1) + kQuestionA;

}  // namespace

TEST(DnsMessage, QueryHoldsTheQuestion) {
    EXPECT_EQ(platform::dnsQuery(kId, "retracker.local.", DnsType::A), header(kId, 0x0100, 1, 0) + kQuestionA);
    EXPECT_TRUE(platform::dnsQuery(kId, "a..local", DnsType::A).empty());
    EXPECT_TRUE(platform::dnsQuery(kId, std::string(64, 'a') + ".local", DnsType::A).empty());
    EXPECT_TRUE(platform::dnsQuery(kId, "", DnsType::A).empty());
}

TEST(DnsMessage, ReplyTable) {
    const Bytes cname = {5, 'o', 't', 'h', 'e', 'r', 0xC0, 22};  // other.local, "local" of the question
    const Bytes aaaa = Bytes{0, 28, 0, 1, 0, 0, 0, 60, 0, 16} + Bytes(16, 0xFD);
    struct Row {
        const char* what;
        Bytes reply;
        DnsReply::Outcome outcome;
    };
    const Row rows[] = {
        {"an answer by pointer", kOk + kToName + kRecordA, DnsReply::Address},
        {"an answer with the name in full", kOk + kName + kRecordA, DnsReply::Address},
        {"after a CNAME to its target",
         header(kId, 0x8180, 1, 2) + kQuestionA + kToName + Bytes{0, 5, 0, 1, 0, 0, 0, 60, 0, 8} + cname + cname +
             kRecordA,
         DnsReply::Address},
        {"no such name", header(kId, 0x8183, 1, 0) + kQuestionA, DnsReply::NoAddress},
        {"no answer records", header(kId, 0x8180, 1, 0) + kQuestionA, DnsReply::NoAddress},
        {"an address of another name only", kOk + cname + kRecordA, DnsReply::NoAddress},
        {"an answer of another type only", kOk + kToName + aaaa, DnsReply::NoAddress},
        {"an A record of 16 bytes", kOk + kToName + Bytes{0, 1, 0, 1, 0, 0, 0, 60, 0, 16} + Bytes(16, 1),
         DnsReply::NoAddress},
        {"server failure", header(kId, 0x8182, 1, 0) + kQuestionA, DnsReply::Invalid},
        {"refused", header(kId, 0x8185, 1, 0) + kQuestionA, DnsReply::Invalid},
        {"another id", header(kId + 1, 0x8180, 1, 1) + kQuestionA + kToName + kRecordA, DnsReply::Invalid},
        {"a query, not a reply", header(kId, 0x0100, 1, 1) + kQuestionA + kToName + kRecordA, DnsReply::Invalid},
        {"another question", header(kId, 0x8180, 1, 1) + cname + Bytes{0, 1, 0, 1}, DnsReply::Invalid},
        {"another question type", header(kId, 0x8180, 1, 0) + kName + Bytes{0, 28, 0, 1}, DnsReply::Invalid},
        {"two questions", header(kId, 0x8180, 2, 0) + kQuestionA + kQuestionA, DnsReply::Invalid},
        {"shorter than a header", Bytes{0x12, 0x34, 0x81}, DnsReply::Invalid},
        {"empty", Bytes{}, DnsReply::Invalid},
        {"a name running past the end", header(kId, 0x8180, 1, 0) + Bytes{9, 'r', 'e'}, DnsReply::Invalid},
        {"a pointer to itself", header(kId, 0x8180, 1, 0) + Bytes{0xC0, 12, 0, 1, 0, 1}, DnsReply::Invalid},
        {"a pointer forward", kOk + Bytes{0xC0, 60} + kRecordA, DnsReply::Invalid},
        {"a pointer cut after one byte", kOk + Bytes{0xC0}, DnsReply::Invalid},
        {"a reserved label type", header(kId, 0x8180, 1, 0) + Bytes{0x40, 1, 0, 0, 1, 0, 1}, DnsReply::Invalid},
        {"a record cut in its data", kOk + kToName + Bytes{0, 1, 0, 1, 0, 0, 0, 60, 0, 4, 10, 0}, DnsReply::Invalid},
        {"a record cut in its header", kOk + kToName + Bytes{0, 1, 0}, DnsReply::Invalid},
        {"more answers counted than present", header(kId, 0x8180, 1, 2) + kQuestionA + kToName + Bytes{0, 28, 0, 1, 0,
                                                                                                         0, 0, 60, 0, 0},
         DnsReply::Invalid},
    };
    for (const Row& row : rows) {
        const DnsReply reply = platform::readDnsReply(row.reply.data(), row.reply.size(), kId, "Retracker.Local", DnsType::A);
        EXPECT_EQ(reply.outcome, row.outcome) << row.what;
        if (reply.outcome == DnsReply::Address) {
            EXPECT_EQ(reply.address, (Bytes{10, 0, 0, 5})) << row.what;
        }
    }
}

TEST(DnsMessage, NameServersAndLocalNames) {
    EXPECT_EQ(platform::nameServersIn("# comment\nnameserver 10.0.0.1\r\nsearch lan\nnameserver\t::1 # x\n"
                                      "nameservers 1.1.1.1\nnameserver\n  nameserver 9.9.9.9\nnameserver 10.0.0.2"),
              (std::vector<std::string>{"10.0.0.1", "::1", "10.0.0.2"}));
    for (const char* local : {"retracker.local", "RETRACKER.LOCAL.", "a.b.Local"}) EXPECT_TRUE(platform::isLocalName(local)) << local;
    for (const char* other : {"local", ".local", "retracker.locale", "retracker.local.net", "retrackerlocal"})
        EXPECT_FALSE(platform::isLocalName(other)) << other;
}
