#include "analysis/particles/ParticleAnalysis.h"
#include "tests/analysis/ParticlePictures.h"

#include <gtest/gtest.h>
#include <numbers>

namespace {

CParticleResult Analyse(const CDib& picture, ParticleMeasures measures, bool fillHoles = false) {
    CParticleOptions options;
    options.measures = measures;
    options.fillHoles = fillHoles;
    return AnalyseParticles(picture, options, CParticleScale{});
}

// The accuracy promised for anti-aliased discs, each tolerance from the
// smallest radius it is promised for.
TEST(PreciseMeasures, AntiAliasedDiscsMeetThePromisedAccuracy) {
    for (const double r : {5.0, 8.0, 10.0, 14.5, 20.0, 41.3}) {
        SCOPED_TRACE(r);
        const int size = static_cast<int>(2 * r) + 24;
        const Disc disc{size / 2.0 + 0.3, size / 2.0 - 0.35, r};
        const CParticleResult result = Analyse(
            ObjectPicture(size, size, InDiscs({disc}), 220, 40, 16), ParticleMeasures::Precise);
        ASSERT_EQ(result.particles.size(), 1u);
        const CParticle& p = result.particles[0];
        const double area = std::numbers::pi * r * r;
        const double perimeter = 2 * std::numbers::pi * r;
        EXPECT_NEAR(p.area, area, 0.02 * area);
        if (r >= 8) {
            EXPECT_NEAR(p.circularity, 1.0, 0.02);
        }
        if (r >= 10) {
            EXPECT_NEAR(p.perimeter, perimeter, (r >= 20 ? 0.01 : 0.015) * perimeter);
        }
        EXPECT_NEAR(p.feret, 2 * r, 0.3);
        EXPECT_NEAR(p.minFeret, 2 * r, 0.3);
        EXPECT_NEAR(p.centroidX, disc.x, 0.05);
        EXPECT_NEAR(p.centroidY, disc.y, 0.05);
    }
}

// Pixel-based measures on thresholded pixels, worked by hand: a corner costs
// 2 − √2 of the traced perimeter, a staircase step shares one corner, the
// calipers rest on pixel corners.
TEST(PixelMeasures, FollowThePixelDefinitions) {
    const double cut = 2 - std::numbers::sqrt2;
    struct Case {
        const char* name;
        std::function<bool(double, double)> inside;
        bool fillHoles;
        double area, perimeter, feret, minFeret, angle, centroidX, centroidY;
    };
    const Box square{10, 12, 30, 32};
    const Box hole{16, 18, 24, 26};
    const auto ring = [=](double x, double y) {
        return square.Holds(x, y) && !hole.Holds(x, y);
    };
    const auto diagonal = [](double x, double y) {
        return x >= 10 && x < 20 && std::floor(x) - 10 == std::floor(y) - 12;
    };
    const auto pi = std::numbers::pi;
    const Case cases[] = {
        {"square", [=](double x, double y) { return square.Holds(x, y); }, false, 400, 80 - 4 * cut,
         20 * std::numbers::sqrt2, 20, 45, 20, 22},
        {"ring", ring, false, 400 - 64, 80 - 4 * cut, 20 * std::numbers::sqrt2, 20, 45, 20, 22},
        {"filled ring", ring, true, 400, 80 - 4 * cut, 20 * std::numbers::sqrt2, 20, 45, 20, 22},
        {"diagonal line", diagonal, false, 10, 20 * std::numbers::sqrt2, 10 * std::numbers::sqrt2,
         std::numbers::sqrt2, 135, 15, 17},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CParticleResult result = Analyse(ObjectPicture(40, 44, c.inside, 220, 40, 1),
                                               ParticleMeasures::ImageJ, c.fillHoles);
        ASSERT_EQ(result.particles.size(), 1u);
        const CParticle& p = result.particles[0];
        EXPECT_DOUBLE_EQ(p.area, c.area);
        EXPECT_NEAR(p.perimeter, c.perimeter, 1e-9);
        EXPECT_NEAR(p.feret, c.feret, 1e-9);
        EXPECT_NEAR(p.minFeret, c.minFeret, 1e-9);
        if (c.angle != 45) { // both diagonals of a square are largest
            EXPECT_NEAR(p.feretAngle, c.angle, 1e-9);
        }
        EXPECT_NEAR(p.centroidX, c.centroidX, 1e-9);
        EXPECT_NEAR(p.centroidY, c.centroidY, 1e-9);
        EXPECT_NEAR(p.circularity, std::min(1.0, 4 * pi * c.area / (c.perimeter * c.perimeter)),
                    1e-9);
    }
}

// The two measure sets agree on a large object and differ where pixel
// measures are known to be biased: the small disc's perimeter and Feret.
TEST(PixelMeasures, ShowTheKnownBiasOnSmallDiscs) {
    const CDib picture = ObjectPicture(40, 40, InDiscs({{20, 20, 10}}), 220, 40, 16);
    const CParticle pixels = Analyse(picture, ParticleMeasures::ImageJ).particles.at(0);
    const CParticle precise = Analyse(picture, ParticleMeasures::Precise).particles.at(0);
    EXPECT_GT(pixels.perimeter, 1.02 * precise.perimeter);
    EXPECT_GT(pixels.feret, precise.feret + 0.5);
    EXPECT_LT(pixels.circularity, 0.97);
    EXPECT_NEAR(pixels.area, precise.area, 0.03 * precise.area);
}

} // namespace
