#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "augment/retracker_step.h"
#include "bencoding/bview.h"
#include "bencoding/reader.h"
#include "tests/support/view_text.h"

namespace {

std::string seen(const BView& view) {
    bool findsAgree = true;
    std::string text = viewText(view, SIZE_MAX, findsAgree);
    return findsAgree ? text : text + " (a find differs)";
}

std::string sizeOf(const BValue& root) {
    try {
        return std::to_string(totalSize(root));
    } catch (const BadType&) {
        return "BadType";
    }
}

// Read in place, "info" is held as bytes and seen through the view; read
// with copies, it is a built tree. Both must give the same answers.
TEST(BView, HeldBytesAgreeWithTheBuiltTree) {
    struct Row {
        const char* torrent;
        const char* size;
    };
    const Row rows[] = {
        {"d4:infod6:lengthi1048576e4:name1:xee", "1048576"},
        {"d4:infod5:filesld6:lengthi10eed6:lengthi32eeeee", "42"},
        {"d4:infod5:filesld6:lengthi1e4:pathl1:aeed6:lengthi2e4:pathl1:beeeee", "3"},
        // Repeated "length" in an element: the last one read counts.
        {"d4:infod5:filesld6:lengthi10e6:lengthi5eeeee", "5"},
        // Keys out of order and repeated, numbers with blanks, signs, zeros.
        {"d4:infod5:filesld4:pathl1:ae6:lengthi 9e6:lengthi+007eeeee", "7"},
        {"d4:infod5:filesli1eeee", "BadType"},          // element not a dictionary
        {"d4:infod5:filesldeeee", "BadType"},           // element without length
        {"d4:infod5:filesld6:length1:9eeee", "BadType"},  // string length
        {"d4:infod5:files3:abcee", "BadType"},          // files not a list
        {"d4:infod6:length1:xee", "BadType"},           // length not an integer
        {"d4:infodee", "BadType"},
        {"d4:infod5:filesld6:lengthi9223372036854775807eed6:lengthi2eeeee", "-9223372036854775807"},
        {"d4:infod9:file treed1:ad0:d6:lengthi5eee3:dird1:bd0:d6:lengthi6eeeeeee", "11"},
        // A file tree with keys out of order and a repeated one.
        {"d4:infod9:file treed1:bd0:d6:lengthi6eee1:ad0:d6:lengthi1eee1:ad0:d6:lengthi5eeeeee", "11"},
        {"d4:infod9:file treed1:ad0:deeeee", "BadType"},  // file without length
        {"d4:infod9:file treed1:ai1eeee", "BadType"},     // subtree not a dictionary
        {"d4:infod:i1e6:lengthie1:kli-0eeee", "0"},  // a key without a length, an integer without digits
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.torrent);
        const auto size = static_cast<int32_t>(std::strlen(row.torrent));
        const BValuePtr built = parseDocument(row.torrent, size);
        const BValuePtr held = parseDocumentInPlace(row.torrent, size);
        ASSERT_TRUE(built && held);
        EXPECT_EQ(seen(BView(*held)), seen(BView(*built)));
        EXPECT_EQ(sizeOf(*held), row.size);
        EXPECT_EQ(sizeOf(*built), row.size);
        // The view built nothing: what "info" holds under "files" or
        // "file tree" is still held.
        for (const char* key : {"files", "file tree"}) {
            const BEntries& entries = held->find("info")->entries;
            for (const BEntry& entry : entries) {
                if (entry.first == key && entry.second->kind != BStr && entry.second->kind != BInt) {
                    EXPECT_EQ(entry.second->held, BValue::Held::Whole) << key;
                }
            }
        }
    }
}

TEST(BView, TypedReadsOfAnotherKindAreTypeErrors) {
    const char* document = "d4:infod1:ai1e1:b1:x1:cle1:ddeee";
    const BValuePtr root = parseDocumentInPlace(document, static_cast<int32_t>(std::strlen(document)));
    ASSERT_TRUE(root);
    const BView info(*root->find("info"));
    const BView integer = *info.find("a"), text = *info.find("b"), list = *info.find("c"), dict = *info.find("d");
    EXPECT_THROW(integer.asText(), BadType);
    EXPECT_THROW(text.asInt(), BadType);
    EXPECT_THROW(list.find("a"), BadType);
    EXPECT_THROW(dict.forEachElement([](const BView&) {}), BadType);
    EXPECT_THROW(list.forEachEntry([](std::string_view, const BView&) {}), BadType);
    EXPECT_FALSE(dict.find("a"));
}

}  // namespace
