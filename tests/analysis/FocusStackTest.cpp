#include "analysis/focus/FocusStack.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

TEST(HeightMap, ReadsKnownHeightsOnly) {
    CHeightMap map{2, 1, {1.5F, std::numeric_limits<float>::quiet_NaN()}, 1.5, 1.5, ""};
    EXPECT_EQ(HeightAt(map, 0, 0), 1.5);
    EXPECT_FALSE(HeightAt(map, 1, 0));
    EXPECT_FALSE(HeightAt(map, 2, 0));
    EXPECT_FALSE(HeightAt(map, 0, -1));
}
