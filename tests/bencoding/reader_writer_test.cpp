#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

#include "bencoding/reader.h"

namespace {

std::string encode(const BValue& node) {
    std::string out(node.encodedSize(), '\0');
    char* cursor = out.data();
    node.write(cursor);
    EXPECT_EQ(static_cast<size_t>(cursor - out.data()), out.size());
    return out;
}

BValuePtr parse(const std::string& document) {
    return parseDocument(document.data(), static_cast<int32_t>(document.size()));
}

enum class Outcome { Value, Null, BadInputThrown };

struct ReadCase {
    const char* document;
    Outcome outcome;
    const char* canonical;  // how the value is written back
    const char* tail;       // the tail message on standard output, "" for none
};

// The reading table: what each document reads as, shown by how it is written back.
const ReadCase kReadCases[] = {
    {"d8:announce3:urle", Outcome::Value, "d8:announce3:urle", ""},
    {"i-0e", Outcome::Value, "i0e", ""},
    {"i007e", Outcome::Value, "i7e", ""},
    {"i+7e", Outcome::Value, "i7e", ""},
    {"i 7e", Outcome::Value, "i7e", ""},
    {"ie", Outcome::Value, "i0e", ""},
    {"i7 e", Outcome::Null, "", "Bad torrent: size 4, tail 2\n"},
    {"i99999999999999999999e", Outcome::Value, "i9223372036854775807e", ""},
    {"i-99999999999999999999e", Outcome::Value, "i-9223372036854775808e", ""},
    {"i9223372036854775808e", Outcome::Value, "i9223372036854775807e", ""},
    {"i-9223372036854775808e", Outcome::Value, "i-9223372036854775808e", ""},
    {"03:abc", Outcome::Value, "3:abc", ""},
    {"3abc", Outcome::BadInputThrown, "", ""},
    {"di1ei2ee", Outcome::BadInputThrown, "", ""},
    {"d1:b1:x1:a1:ye", Outcome::Value, "d1:a1:y1:b1:xe", ""},
    {"d1:a1:x1:a1:ye", Outcome::Value, "d1:a1:ye", ""},
    {"d 1:a1:xe", Outcome::Value, "d1:a1:xe", ""},
    {"d+1:a1:xe", Outcome::Value, "d1:a1:xe", ""},
    {"d:1:ye", Outcome::Value, "d0:1:ye", ""},
    {"le", Outcome::Value, "le", ""},
    {"de", Outcome::Value, "de", ""},
    {"i1eXYZ", Outcome::Value, "i1e", "Bad torrent: size 6, tail 3\n"},
    {"x", Outcome::Null, "", "Bad torrent: size 1, tail 1\n"},
    {"", Outcome::Null, "", ""},
    // Data that end inside a value, and children that cannot be read.
    {"l", Outcome::Null, "", ""},
    {"d", Outcome::Null, "", ""},
    {"li1e", Outcome::Null, "", ""},
    {"d1:a", Outcome::Null, "", ""},
    {"i12", Outcome::Null, "", ""},
    {"5:ab", Outcome::BadInputThrown, "", ""},
    {"d1:ai1", Outcome::Null, "", ""},
    {"d3", Outcome::BadInputThrown, "", ""},
    {"d-1:e", Outcome::BadInputThrown, "", ""},
    {"d99999999999:ae", Outcome::BadInputThrown, "", ""},
    {"lxe", Outcome::Null, "", "Bad torrent: size 3, tail 2\n"},
    {"d1:axe", Outcome::Null, "", "Bad torrent: size 6, tail 2\n"},
    {"li1 ee", Outcome::Null, "", "Bad torrent: size 6, tail 3\n"},
};

TEST(Reader, ReadingTable) {
    for (const ReadCase& row : kReadCases) {
        SCOPED_TRACE(row.document);
        testing::internal::CaptureStdout();
        BValuePtr root;
        bool threw = false;
        try {
            root = parse(row.document);
        } catch (const BadInput&) {
            threw = true;
        }
        std::string printed = testing::internal::GetCapturedStdout();
        switch (row.outcome) {
        case Outcome::Value:
            ASSERT_TRUE(root);
            EXPECT_EQ(encode(*root), row.canonical);
            break;
        case Outcome::Null:
            EXPECT_FALSE(threw);
            EXPECT_FALSE(root);
            break;
        case Outcome::BadInputThrown:
            EXPECT_TRUE(threw);
            break;
        }
        if (!threw) {
            EXPECT_EQ(printed, row.tail);
        }
    }
}

TEST(Reader, ReadsDecodedValues) {
    auto root = parse("d8:announce3:urle");
    ASSERT_EQ(root->kind, BDict);
    EXPECT_EQ(root->find("announce")->asString(), "url");
    EXPECT_EQ(parse("i-99999999999999999999e")->asInt(), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(parse(std::string("5:a\0b\xff\n", 8))->asString(), std::string("a\0b\xff\n", 5));
}

TEST(Reader, ByteStringLengthsAreBoundedByTheData) {
    const char* cursor = "4:abc";
    int32_t remaining = 5;
    std::string out;
    EXPECT_THROW(readByteString(cursor, remaining, out), BadInput);
    // Only the declared 3 bytes are available: the reader must stop at the
    // given size even though the memory beyond holds more.
    const char* longer = "3:abcdef";
    remaining = 4;
    EXPECT_THROW(readByteString(longer, remaining, out), BadInput);
}

TEST(Reader, ConversionConsumesNothingWithoutDigits) {
    const char* text = " -x";
    const char* cursor = text;
    int32_t remaining = 3;
    EXPECT_EQ(readInteger(cursor, remaining), 0);
    EXPECT_EQ(cursor, text);
    EXPECT_EQ(remaining, 3);
}

TEST(Reader, NestingIsBounded) {
    auto nested = [](int depth) { return std::string(depth, 'l') + std::string(depth, 'e'); };
    EXPECT_TRUE(parse(nested(kMaxNestingDepth)));
    EXPECT_THROW(parse(nested(kMaxNestingDepth + 1)), BadInput);
    EXPECT_THROW(parse(nested(1000000)), BadInput);
    std::string dicts;
    for (int i = 0; i <= kMaxNestingDepth; ++i) dicts += "d1:a";
    dicts += "i1e" + std::string(kMaxNestingDepth + 1, 'e');
    EXPECT_THROW(parse(dicts), BadInput);
}

TEST(Reader, EveryPrefixOfADocumentFailsCleanly) {
    const std::string document =
        "d8:announce20:http://t.example/ann7:comment3:hey4:infod5:filesld6:lengthi10e4:pathl1:a1:beed6:lengthi-"
        "2e4:pathl1:ceee4:name4:dir012:piece lengthi16384e6:pieces20:01234567890123456789ee";
    ASSERT_TRUE(parse(document));
    for (size_t length = 0; length < document.size(); ++length) {
        SCOPED_TRACE(length);
        // A copy of exactly this length, so that reading past it is a fault
        // the sanitizer build reports.
        std::unique_ptr<char[]> prefix(new char[length + 1]);
        std::memcpy(prefix.get(), document.data(), length);
        testing::internal::CaptureStdout();
        try {
            EXPECT_FALSE(parseDocument(prefix.get(), static_cast<int32_t>(length)));
        } catch (const BadInput&) {
        }
        testing::internal::GetCapturedStdout();
    }
}

struct WriteCase {
    const char* name;
    BValuePtr (*build)();
    const char* bytes;
};

BValuePtr integer(int64_t value) {
    auto node = std::make_unique<BValue>(BInt);
    node->integer = value;
    return node;
}

const WriteCase kWriteCases[] = {
    {"negative", [] { return integer(-5); }, "i-5e"},
    {"zero", [] { return integer(0); }, "i0e"},
    {"minimum", [] { return integer(std::numeric_limits<int64_t>::min()); }, "i-9223372036854775808e"},
    {"empty string", [] { return std::make_unique<BValue>(std::string()); }, "0:"},
    {"string", [] { return std::make_unique<BValue>(std::string("spam")); }, "4:spam"},
    {"empty list", [] { return std::make_unique<BValue>(BList); }, "le"},
    {"empty dict", [] { return std::make_unique<BValue>(BDict); }, "de"},
    {"sorted keys",
     [] {
         auto d = std::make_unique<BValue>(BDict);
         d->set("b", integer(1));
         d->set("a", integer(2));
         return d;
     },
     "d1:ai2e1:bi1ee"},
    {"high byte after z",
     [] {
         auto d = std::make_unique<BValue>(BDict);
         d->set("\xC3", integer(1));
         d->set("z", integer(2));
         return d;
     },
     "d1:zi2e1:\xC3i1ee"},
    {"prefix first",
     [] {
         auto d = std::make_unique<BValue>(BDict);
         d->set("ab", integer(1));
         d->set("a", integer(2));
         return d;
     },
     "d1:ai2e2:abi1ee"},
};

TEST(Writer, WritingTable) {
    for (const WriteCase& row : kWriteCases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(encode(*row.build()), row.bytes);
    }
}

TEST(Writer, CanonicalDocumentsRoundTripByteForByte) {
    using namespace std::string_literals;
    const std::string canonical =
        "d8:announce3:url13:announce-listll1:aeli-3eee4:infod6:lengthi0e4:name0:6:pieces3:\x00\xff\x80" "ee"s;
    auto root = parse(canonical);
    ASSERT_TRUE(root);
    EXPECT_EQ(encode(*root), canonical);
}

// The root's "info" keeps its exact bytes, so the torrent's identity (the
// SHA-1 of those bytes) survives; the rest of the document becomes canonical.
TEST(Reader, RootInfoKeepsItsBytesWhenNotCanonical) {
    struct Row {
        const char* document;
        const char* written;
    };
    const Row rows[] = {
        {"d4:infod1:bi1e1:ai2eee", "d4:infod1:bi1e1:ai2eee"},
        {"d4:infod1:ai-0eee", "d4:infod1:ai-0eee"},
        {"d4:infod1:ai007eee", "d4:infod1:ai007eee"},
        {"d4:infod1:ai1e1:ai2eee", "d4:infod1:ai1e1:ai2eee"},
        {"d4:infod 1:ai1eee", "d4:infod 1:ai1eee"},
        {"d4:infol03:abcee", "d4:infol03:abcee"},
        {"d1:zi+1e4:infod1:ai1eee", "d4:infod1:ai1ee1:zi1ee"},
        {"d4:infod1:ai1eee", "d4:infod1:ai1eee"},
        // Only the root's own "info" is special.
        {"d1:xd4:infod1:bi1e1:ai2eeee", "d1:xd4:infod1:ai2e1:bi1eeee"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.document);
        auto root = parse(row.document);
        ASSERT_TRUE(root);
        EXPECT_EQ(encode(*root), row.written);
    }
    auto root = parse("d4:infod1:bi1e1:ai2eee");
    EXPECT_TRUE(root->find("info")->verbatim != nullptr);
    EXPECT_FALSE(parse("d4:infod1:ai1eee")->find("info")->verbatim);
}

}  // namespace
