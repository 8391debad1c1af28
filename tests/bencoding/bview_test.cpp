#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "augment/retracker_step.h"
#include "bencoding/bview.h"
#include "bencoding/reader.h"

namespace {

std::string walked(const BValue& root) {
    try {
        return std::to_string(totalSize(root));
    } catch (const BadType&) {
        return "BadType";
    }
}

// The size the reader gathers while it checks "info" is the one the view's
// walk finds; where it gives none (`gathered` false) the walk answers.
TEST(BView, SizeGatheredByTheReaderAgreesWithTheWalk) {
    struct Row {
        const char* torrent;
        const char* size;
        bool gathered;
    };
    const Row rows[] = {
        {"d4:infod6:lengthi1048576e4:name1:xee", "1048576", true},
        {"d4:infod5:filesld6:lengthi10eed6:lengthi32eeeee", "42", true},
        {"d4:infod5:filesld6:lengthi1e4:pathl1:aeed6:lengthi2e4:pathl1:beeeee", "3", true},
        // Repeated "length" in an element: the last one read counts.
        {"d4:infod5:filesld6:lengthi10e6:lengthi5eeeee", "5", true},
        // Keys out of order and repeated, numbers with blanks, signs, zeros.
        {"d4:infod5:filesld4:pathl1:ae6:lengthi 9e6:lengthi+007eeeee", "7", true},
        // "length" comes first, the last one read.
        {"d6:lengthi3e4:infod6:lengthi1e5:filesld6:lengthi2eee6:lengthi4eee", "4", true},
        {"d4:infod5:filesli1eeee", "BadType", false},          // element not a dictionary
        {"d4:infod5:filesldeeee", "BadType", false},           // element without length
        {"d4:infod5:filesld6:length1:9eeee", "BadType", false},  // string length
        {"d4:infod5:files3:abcee", "BadType", false},          // files not a list
        {"d4:infod6:length1:xee", "BadType", false},           // length not an integer
        {"d4:infodee", "BadType", false},
        {"d4:infoi1ee", "BadType", false},
        {"d4:infolee", "BadType", false},
        {"d1:xi1ee", "BadType", false},  // no "info"
        {"d4:infod5:filesld6:lengthi9223372036854775807eed6:lengthi2eeeee", "-9223372036854775807", true},
        {"d4:infod9:file treed1:ad0:d6:lengthi5eee3:dird1:bd0:d6:lengthi6eeeeeee", "11", true},
        // A file tree with keys out of order and a repeated one: walked.
        {"d4:infod9:file treed1:bd0:d6:lengthi6eee1:ad0:d6:lengthi1eee1:ad0:d6:lengthi5eeeeee", "11", false},
        {"d4:infod9:file treed1:ad0:deeeee", "BadType", false},  // file without length
        {"d4:infod9:file treed1:ai1eeee", "BadType", false},     // subtree not a dictionary
        {"d4:infod:i1e6:lengthie1:kli-0eeee", "0", true},  // a key without a length, an integer without digits
        {"d4:infod6:lengthi1ee4:infod6:lengthi2eee", "2", true},  // the later "info" wins
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.torrent);
        const auto size = static_cast<int32_t>(std::strlen(row.torrent));
        std::optional<int64_t> gathered;
        const BValuePtr root = parseDocument(row.torrent, size, nullptr, &gathered);
        ASSERT_TRUE(root);
        EXPECT_EQ(walked(*root), row.size);
        EXPECT_EQ(gathered.has_value(), row.gathered);
        if (gathered) {
            EXPECT_EQ(std::to_string(*gathered), row.size);
        }
    }
}

TEST(BView, TypedReadsOfAnotherKindAreTypeErrors) {
    const char* document = "d4:infod1:ai1e1:b1:x1:cle1:ddeee";
    const BValuePtr root = parseDocument(document, static_cast<int32_t>(std::strlen(document)));
    ASSERT_TRUE(root);
    const BValue& held = *root->find("info");
    EXPECT_THROW(held.find("a"), BadType);  // held as bytes: read through a view
    const BView info(held);
    const BView integer = *info.find("a"), text = *info.find("b"), list = *info.find("c"), dict = *info.find("d");
    EXPECT_THROW(integer.asText(), BadType);
    EXPECT_THROW(text.asInt(), BadType);
    EXPECT_THROW(list.find("a"), BadType);
    EXPECT_THROW(dict.forEachElement([](const BView&) {}), BadType);
    EXPECT_THROW(list.forEachEntry([](std::string_view, const BView&) {}), BadType);
    EXPECT_FALSE(dict.find("a"));
}

}  // namespace
