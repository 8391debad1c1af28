#include "probe/keswel.h"

#include <gtest/gtest.h>

namespace {

TEST(TrackerCheckList, JoinsNumbersWithSingleSpaces) {
    EXPECT_EQ(trackerCheckList({}), "");
    EXPECT_EQ(trackerCheckList({2}), "2");
    EXPECT_EQ(trackerCheckList({1, 3, 4}), "1 3 4");
    EXPECT_EQ(trackerCheckList({10, 200}), "10 200");
}

}  // namespace
