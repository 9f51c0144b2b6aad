#include "analysis/particles/ParticleAnalysis.h"

#include "tests/analysis/ParticlePictures.h"

#include <gtest/gtest.h>
#include <numbers>

namespace {

std::vector<int> Areas(const CParticleResult& result) {
    std::vector<int> areas;
    for (const CParticle& p : result.particles) {
        areas.push_back(static_cast<int>(std::lround(p.area)));
    }
    return areas;
}

CParticleOptions PixelOptions() {
    CParticleOptions options;
    options.measures = ParticleMeasures::ImageJ;
    return options;
}

// Squares of 4, 6 and 8 pixels, the first on the left border.
CDib ThreeSquares(int object = 40) {
    const Box a{0, 5, 4, 9};
    const Box b{10, 5, 16, 11};
    const Box c{20, 5, 28, 13};
    return ObjectPicture(
        32, 20, [=](double x, double y) { return a.Holds(x, y) || b.Holds(x, y) || c.Holds(x, y); },
        220, object, 1);
}

TEST(ParticleThresholds, AutomaticMethodsSeparateTwoLevels) {
    for (const ThresholdMethod method :
         {ThresholdMethod::Otsu, ThresholdMethod::Triangle, ThresholdMethod::Default}) {
        CParticleOptions options = PixelOptions();
        options.method = method;
        const CParticleResult result = AnalyseParticles(ThreeSquares(), options, {});
        EXPECT_EQ(Areas(result), (std::vector<int>{16, 36, 64})) << static_cast<int>(method);
        EXPECT_GE(result.threshold, 40);
        EXPECT_LT(result.threshold, 220);
    }
    // The iterative intermediate settles half way between two levels.
    CParticleOptions options;
    options.method = ThresholdMethod::Default;
    EXPECT_EQ(ParticleThreshold(ObjectPicture(
                                    10, 10, [](double x, double) { return x < 5; }, 200, 50, 1),
                                options),
              125);
}

// A manual level N: dark objects are grey ≤ N, light objects grey > N.
TEST(ParticleThresholds, ManualLevelSidesAreExact) {
    struct Case {
        ParticleObjects objects;
        int object;
        int background;
        int level;
        std::size_t count;
    };
    const Case cases[] = {
        {ParticleObjects::Dark, 100, 220, 100, 3},
        {ParticleObjects::Dark, 101, 220, 100, 0},
        {ParticleObjects::Light, 100, 20, 99, 3},
        {ParticleObjects::Light, 100, 20, 100, 0},
    };
    for (const Case& c : cases) {
        CParticleOptions options = PixelOptions();
        options.objects = c.objects;
        options.method = ThresholdMethod::Manual;
        options.manualThreshold = c.level;
        const CDib picture = ObjectPicture(
            20, 10, [](double x, double y) { return y > 2 && y < 7 && (int(x) % 7) < 3; },
            c.background, c.object, 1);
        EXPECT_EQ(AnalyseParticles(picture, options, {}).particles.size(), c.count)
            << c.object << " " << c.level;
    }
}

TEST(ParticleRules, HolesEdgesScaleAndRegion) {
    // A ring with an island in its hole, and a square on the left border.
    const Box outer{10, 10, 30, 30};
    const Box hole{14, 14, 26, 26};
    const Box island{18, 18, 22, 22};
    const Box border{0, 2, 5, 7};
    const CDib picture = ObjectPicture(
        40, 36,
        [=](double x, double y) {
            return (outer.Holds(x, y) && !hole.Holds(x, y)) || island.Holds(x, y) ||
                   border.Holds(x, y);
        },
        220, 40, 1);
    struct Case {
        const char* name;
        std::function<void(CParticleOptions&)> set;
        double unitsPerPixel;
        std::vector<int> areas;
    };
    const Case cases[] = {
        {"holes excluded, island separate", [](CParticleOptions&) {}, 1, {25, 256, 16}},
        {"holes filled take the island",
         [](CParticleOptions& o) { o.fillHoles = true; },
         1,
         {25, 400}},
        {"edge objects excluded", [](CParticleOptions& o) { o.excludeEdges = true; }, 1, {256, 16}},
        {"size range in unit²",
         [](CParticleOptions& o) { o.minArea = 3, o.maxArea = 30; },
         0.5,
         {6, 4}},
        {"region",
         [](CParticleOptions& o) {
             o.region = SelectionBox{8, 32, 4, 30};
         },
         1,
         {256, 16}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CParticleOptions options = PixelOptions();
        c.set(options);
        const CParticleResult result =
            AnalyseParticles(picture, options, CParticleScale{c.unitsPerPixel, "mm"});
        std::vector<int> areas;
        for (const CParticle& p : result.particles) {
            areas.push_back(static_cast<int>(std::lround(p.area)));
        }
        EXPECT_EQ(areas, c.areas);
        EXPECT_EQ(result.unit, "mm");
    }
}

TEST(ParticleRules, EdgeContactAndPositionsInPicturePixels) {
    CParticleOptions options = PixelOptions();
    options.region = SelectionBox{2, 32, 0, 16}; // picture rows 4..19, columns 2..31
    const CParticleResult result = AnalyseParticles(ThreeSquares(), options, {1, ""});
    ASSERT_EQ(result.particles.size(), 3u);
    const CParticle& first = result.particles[0];
    EXPECT_TRUE(first.touchesEdge); // cut by the region's left side
    EXPECT_EQ(first.area, 8);
    EXPECT_EQ((std::vector<int>{first.boxX, first.boxY, first.boxWidth, first.boxHeight}),
              (std::vector<int>{2, 5, 2, 4}));
    EXPECT_TRUE(result.particles[1].touchesEdge == false);
    EXPECT_DOUBLE_EQ(result.particles[1].centroidX, 13);
    EXPECT_DOUBLE_EQ(result.particles[1].centroidY, 8);
    EXPECT_DOUBLE_EQ(result.areaFraction, (8.0 + 36 + 64) / (30 * 16));
}

TEST(ParticleSplit, CutsTouchingDiscsButNotSingleObjects) {
    struct Case {
        const char* name;
        std::vector<Disc> discs;
        std::size_t split;
    };
    const Case cases[] = {
        {"two touching discs", {{20, 25, 10}, {38.5, 25, 10}}, 2},
        {"row of four", {{16, 25, 9}, {33, 25, 9}, {50, 25, 9}, {67, 25, 9}}, 4},
        {"peanut", {{30, 25, 11}, {41, 25, 11}}, 1},
        {"elongated", {{20, 25, 6}, {26, 25, 6}, {32, 25, 6}, {38, 25, 6}, {44, 25, 6}}, 1},
        {"single disc", {{30, 25, 12}}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CDib picture = ObjectPicture(84, 50, InDiscs(c.discs), 220, 40, 4);
        CParticleOptions options;
        EXPECT_EQ(AnalyseParticles(picture, options, {}).particles.size(), 1u);
        options.split = true;
        const CParticleResult result = AnalyseParticles(picture, options, {});
        EXPECT_EQ(result.particles.size(), c.split);
        if (c.split == c.discs.size()) {
            for (std::size_t i = 0; i < c.split; ++i) {
                const double area = std::numbers::pi * c.discs[i].r * c.discs[i].r;
                EXPECT_NEAR(result.particles[i].area, area, 0.08 * area);
                EXPECT_NEAR(result.particles[i].centroidX, c.discs[i].x, 1.0);
            }
        }
    }
}

// Vignetting: light falls from 235 in the middle to 110 in the corners, the
// objects 60 levels under the light around them. One global level cannot
// find them all; the flattened picture can.
TEST(ParticleFlattening, FindsEveryObjectUnderVignetting) {
    std::vector<Disc> discs;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 6; ++column) {
            discs.push_back({20.0 + 30 * column, 20.0 + 30 * row, 5});
        }
    }
    const auto inside = InDiscs(discs);
    const CDib picture = MakePicture(180, 120, [&](int x, int y) {
        const double dx = (x - 90) / 90.0;
        const double dy = (y - 60) / 60.0;
        const double light = 235 - 62.5 * (dx * dx + dy * dy);
        const int level =
            static_cast<int>(std::lround(inside(x + 0.5, y + 0.5) ? light - 60 : light));
        return Rgb{level, level, level};
    });
    CParticleOptions options = PixelOptions();
    EXPECT_NE(AnalyseParticles(picture, options, {}).particles.size(), discs.size());
    options.flattenRadius = 12;
    const CParticleResult result = AnalyseParticles(picture, options, {});
    EXPECT_EQ(result.particles.size(), discs.size());
    for (const CParticle& p : result.particles) {
        EXPECT_NEAR(p.area, 81, 10);
    }
}

TEST(ParticleAnalysis, CancelGivesAnEmptyResultAndTheMaskFollowsTheRules) {
    const CDib picture = ThreeSquares();
    CParticleOptions options;
    const CParticleResult cancelled =
        AnalyseParticles(picture, options, {}, [](int percent) { return percent < 10; });
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_TRUE(cancelled.particles.empty());

    options.region = SelectionBox{12, 32, 0, 20};
    std::vector<std::uint8_t> mask;
    ThresholdMask(picture, options, mask);
    ASSERT_EQ(mask.size(), 32u * 20u);
    int set = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 32; ++x) {
            const bool object = mask[y * 32 + x] != 0;
            set += object ? 1 : 0;
            EXPECT_EQ(object, x >= 12 && PixelAt(picture, x, y).red < 100) << x << "," << y;
        }
    }
    EXPECT_EQ(set, 4 * 6 + 64);
}

} // namespace
