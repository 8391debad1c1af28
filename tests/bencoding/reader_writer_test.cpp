#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
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
    int32_t tail;           // the bytes left after reading
};

// The reading table: what each document reads as, shown by how it is written back.
const ReadCase kReadCases[] = {
    {"d8:announce3:urle", Outcome::Value, "d8:announce3:urle", 0},
    {"i-0e", Outcome::Value, "i0e", 0},
    {"i007e", Outcome::Value, "i7e", 0},
    {"i+7e", Outcome::Value, "i7e", 0},
    {"i 7e", Outcome::Value, "i7e", 0},
    {"ie", Outcome::Value, "i0e", 0},
    {"i7 e", Outcome::Null, "", 2},
    {"i99999999999999999999e", Outcome::Value, "i9223372036854775807e", 0},
    {"i-99999999999999999999e", Outcome::Value, "i-9223372036854775808e", 0},
    {"i9223372036854775808e", Outcome::Value, "i9223372036854775807e", 0},
    {"i-9223372036854775808e", Outcome::Value, "i-9223372036854775808e", 0},
    {"03:abc", Outcome::Value, "3:abc", 0},
    {"3abc", Outcome::BadInputThrown, "", 0},
    {"di1ei2ee", Outcome::BadInputThrown, "", 0},
    {"d1:b1:x1:a1:ye", Outcome::Value, "d1:a1:y1:b1:xe", 0},
    {"d1:a1:x1:a1:ye", Outcome::Value, "d1:a1:ye", 0},
    {"d 1:a1:xe", Outcome::Value, "d1:a1:xe", 0},
    {"d+1:a1:xe", Outcome::Value, "d1:a1:xe", 0},
    {"d:1:ye", Outcome::Value, "d0:1:ye", 0},
    {"le", Outcome::Value, "le", 0},
    {"de", Outcome::Value, "de", 0},
    {"i1eXYZ", Outcome::Value, "i1e", 3},
    {"x", Outcome::Null, "", 1},
    {"", Outcome::Null, "", 0},
    // Data that end inside a value, and children that cannot be read.
    {"l", Outcome::Null, "", 0},
    {"d", Outcome::Null, "", 0},
    {"li1e", Outcome::Null, "", 0},
    {"d1:a", Outcome::Null, "", 0},
    {"d4:info", Outcome::Null, "", 0},
    {"d4:infol", Outcome::Null, "", 0},
    {"i12", Outcome::Null, "", 0},
    {"5:ab", Outcome::BadInputThrown, "", 0},
    {"d1:ai1", Outcome::Null, "", 0},
    {"d3", Outcome::BadInputThrown, "", 0},
    {"d-1:e", Outcome::BadInputThrown, "", 0},
    {"d99999999999:ae", Outcome::BadInputThrown, "", 0},
    {"lxe", Outcome::Null, "", 2},
    {"d1:axe", Outcome::Null, "", 2},
    {"li1 ee", Outcome::Null, "", 3},
};

TEST(Reader, ReadingTable) {
    {
        for (const ReadCase& row : kReadCases) {
            SCOPED_TRACE(row.document);
            // A copy of exactly the document's size, so that reading past it is
            // a fault the sanitizer build reports.
            const size_t size = std::strlen(row.document);
            std::unique_ptr<char[]> exact(new char[size ? size : 1]);
            std::memcpy(exact.get(), row.document, size);
            testing::internal::CaptureStdout();
            BValuePtr root;
            bool threw = false;
            int32_t tail = -1;
            try {
                const auto count = static_cast<int32_t>(size);
                root = parseDocument(exact.get(), count, &tail);
            } catch (const BadInput&) {
                threw = true;
            }
            EXPECT_EQ(testing::internal::GetCapturedStdout(), "");  // the reader prints nothing
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
                EXPECT_EQ(tail, row.tail);
            }
        }
    }
}

TEST(Reader, ReadsDecodedValues) {
    const std::string document = "d8:announce3:urle";  // the tree views it
    auto root = parse(document);
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
        std::unique_ptr<char[]> prefix(new char[length ? length : 1]);
        std::memcpy(prefix.get(), document.data(), length);
        try {
            EXPECT_FALSE(parseDocument(prefix.get(), static_cast<int32_t>(length)));
        } catch (const BadInput&) {
        }
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
// Every form the writer would change is a row.
TEST(Reader, RootInfoKeepsItsBytesWhenNotCanonical) {
    struct Row {
        const char* document;
        const char* written;
    };
    const Row rows[] = {
        {"d4:infod1:bi1e1:ai2eee", "d4:infod1:bi1e1:ai2eee"},   // keys out of order
        {"d4:infod1:ai1e1:ai2eee", "d4:infod1:ai1e1:ai2eee"},   // a repeated key
        {"d4:infod1:ai-0eee", "d4:infod1:ai-0eee"},             // minus zero
        {"d4:infod1:ai007eee", "d4:infod1:ai007eee"},           // leading zeros
        {"d4:infod1:ai+1eee", "d4:infod1:ai+1eee"},             // a plus sign
        {"d4:infod1:ai 1eee", "d4:infod1:ai 1eee"},             // white space
        {"d4:infod1:aieee", "d4:infod1:aieee"},                 // no digits
        {"d4:infod1:ai99999999999999999999eee", "d4:infod1:ai99999999999999999999eee"},  // clamped
        {"d4:infod 1:ai1eee", "d4:infod 1:ai1eee"},             // white space before a key length
        {"d4:infod+1:ai1eee", "d4:infod+1:ai1eee"},             // a sign on a key length
        {"d4:infod:i1eee", "d4:infod:i1eee"},                   // a key without a length
        {"d4:infol03:abcee", "d4:infol03:abcee"},               // a leading zero in a length
        {"d4:infod1:aie6:lengthi1e4:name1:xee", "d4:infod1:aie6:lengthi1e4:name1:xee"},
        {"d1:zi+1e4:infod1:ai1eee", "d4:infod1:ai1ee1:zi1ee"},  // only "info" keeps its bytes
        {"d4:infod1:ai1eee", "d4:infod1:ai1eee"},
        {"d4:infoi1e4:infod1:bi1e1:ai2eee", "d4:infod1:bi1e1:ai2eee"},  // the later "info" wins
        // Only the root's own "info" is special.
        {"d1:xd4:infod1:bi1e1:ai2eeee", "d1:xd4:infod1:ai2e1:bi1eeee"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.document);
        const std::string document = row.document;
        auto root = parse(document);
        ASSERT_TRUE(root);
        EXPECT_EQ(encode(*root), row.written);
    }
}

// Keys that arrive in descending order, the worst case for inserting one at a
// time, end up sorted, and a repeated key still keeps its last value.
TEST(Reader, LargeDictionaryInDescendingKeyOrder) {
    constexpr int kKeys = 200000;
    std::string document = "d";
    char key[16];
    for (int i = kKeys - 1; i >= 0; --i) {
        std::snprintf(key, sizeof key, "k%07d", i);
        document += "8:" + std::string(key) + "i" + std::to_string(i) + "e";
    }
    document += "8:k0000007i-1ee";
    auto root = parse(document);
    ASSERT_TRUE(root);
    EXPECT_TRUE(root->bytes.empty());  // not canonical: written from its entries
    ASSERT_EQ(root->entries.size(), static_cast<size_t>(kKeys));
    for (int i = 0; i < kKeys; ++i) {
        std::snprintf(key, sizeof key, "k%07d", i);
        ASSERT_EQ(root->entries[static_cast<size_t>(i)].first, std::string_view(key));
        ASSERT_EQ(root->entries[static_cast<size_t>(i)].second->asInt(), i == 7 ? -1 : i);
    }
}

}  // namespace
