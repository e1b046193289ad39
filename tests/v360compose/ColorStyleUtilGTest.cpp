#include <gtest/gtest.h>

#include "ColorStyleUtil.h"

namespace {

TEST(ColorStyleUtil, TableEntries) {
    const int expected[14][3] = {
        {255, 255, 255}, {0, 0, 0},     {255, 76, 0}, {255, 241, 0}, {0, 237, 0},
        {0, 160, 233},   {228, 0, 127}, {0, 0, 0},    {230, 0, 18},  {129, 81, 28},
        {246, 175, 45},  {0, 86, 31},   {0, 28, 88},  {125, 0, 34},
    };
    for (int i = 0; i < 14; ++i) {
        int r = -1, g = -1, b = -1;
        ColorStyleUtil::queryColorStyle(i, &r, &g, &b);
        EXPECT_EQ(r, expected[i][0]) << i;
        EXPECT_EQ(g, expected[i][1]) << i;
        EXPECT_EQ(b, expected[i][2]) << i;
    }
}

TEST(ColorStyleUtil, IndexOutsideTheTableLeavesOutputs) {
    for (int index : {14, -1, 1000}) {
        int r = 1, g = 2, b = 3;
        ColorStyleUtil::queryColorStyle(index, &r, &g, &b);
        EXPECT_EQ(r, 1);
        EXPECT_EQ(g, 2);
        EXPECT_EQ(b, 3);
    }
}

}  // namespace
