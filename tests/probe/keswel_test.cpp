#include "probe/keswel.h"

#include <gtest/gtest.h>

namespace {

struct IndexRow {
    std::string_view text;
    int32_t first, second;  // both preset to -1
};

constexpr IndexRow kIndexRows[] = {
    {"", -1, -1},
    {"2", 2, -1},
    {"0 0", 0, 0},
    {"  3\t 4  ", 3, 4},
    {"1,2", 1, -1},  // the separator must be blank
    {"-1 +2", -1, 2},
    {"x 2", -1, -1},  // the first failure ends the scan
    {"5 y", 5, -1},
    {"7 8 9", 7, 8},
    {"12abc", 12, -1},
    {"+ 1", -1, -1},
    {"2147483647 -2147483648", 2147483647, -2147483648LL},
    {"2147483648 1", -1, -1},  // out of range reads as no number
    {"1 99999999999999999999", 1, -1},
};

TEST(ScanIndexPair, Table) {
    for (const IndexRow& row : kIndexRows) {
        SCOPED_TRACE(row.text);
        int32_t first = -1, second = -1;
        scanIndexPair(row.text, first, second);
        EXPECT_EQ(first, row.first);
        EXPECT_EQ(second, row.second);
    }
}

TEST(TrackerCheckList, JoinsNumbersWithSingleSpaces) {
    EXPECT_EQ(trackerCheckList({}), "");
    EXPECT_EQ(trackerCheckList({2}), "2");
    EXPECT_EQ(trackerCheckList({1, 3, 4}), "1 3 4");
    EXPECT_EQ(trackerCheckList({10, 200}), "10 200");
}

}  // namespace
