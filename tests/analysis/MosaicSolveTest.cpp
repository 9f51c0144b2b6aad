#include "analysis/mosaic/MosaicSolve.h"

#include <gtest/gtest.h>

namespace {

// A 2 × 2 square of pictures 100 apart, each link measured a little off.
std::vector<CMosaicLink> SquareLinks() {
    return {{0, 1, {100.1, 0}, 0.9},
            {1, 2, {0, 99.9}, 0.9},
            {3, 2, {100, 0.1}, 0.9},
            {0, 3, {-0.1, 100}, 0.9},
            {0, 2, {100, 100}, 0.9}};
}

struct SolveCase {
    const char* name;
    int count;
    std::vector<CMosaicLink> extra;
    std::vector<bool> placed;
    std::size_t kept;
};

// Links that disagree with the rest are dropped however strongly they were
// scored; pictures linked only among themselves, or not at all, are left out.
TEST(MosaicSolve, PlacesTheLargestConsistentGroup) {
    const SolveCase cases[] = {
        {"consistent", 4, {}, {true, true, true, true}, 5},
        {"one link far off", 4, {{1, 3, {-60, 140}, 0.99}}, {true, true, true, true}, 5},
        {"a separate pair", 6, {{4, 5, {30, 0}, 0.9}}, {true, true, true, true, false, false}, 5},
        {"an isolated picture", 5, {}, {true, true, true, true, false}, 5},
    };
    for (const SolveCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<CMosaicLink> links = SquareLinks();
        links.insert(links.end(), c.extra.begin(), c.extra.end());
        const CSolvedPositions solved = SolvePositions(c.count, links);
        EXPECT_EQ(solved.placed, c.placed);
        EXPECT_EQ(solved.kept.size(), c.kept);
        const cv::Point2d expected[] = {{0, 0}, {100, 0}, {100, 100}, {0, 100}};
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(solved.positions[i].x, expected[i].x, 0.15) << i;
            EXPECT_NEAR(solved.positions[i].y, expected[i].y, 0.15) << i;
        }
    }
}

} // namespace
