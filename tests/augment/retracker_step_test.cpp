#include <gtest/gtest.h>

#include <cstring>

#include "augment/retracker_step.h"
#include "bencoding/reader.h"

namespace {

TEST(ParseTrackerCheck, Table) {
    struct Row {
        const char* value;
        std::vector<int32_t> list;
    };
    const Row rows[] = {
        {"2 5 0", {2, 5}},
        {"   2   5   0   ", {2, 5}},
        {"2,5", {2}},
        {"2 x 5", {2}},
        {"0 2", {}},
        {"", {}},
        {" 0", {}},
        {"-3 4 0", {-3, 4}},
        {"1 3 4 0", {1, 3, 4}},
        {"7", {7}},
        {"2\t5 0", {2, 5}},  // strtol skips the tab before 5
        {"99999999999 -99999999999 0", {2147483647, -2147483647 - 1}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        std::vector<int32_t> list;
        parseTrackerCheck(row.value, list);
        EXPECT_EQ(list, row.list);
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
