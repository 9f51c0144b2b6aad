#include "analysis/particles/ParticleStats.h"

#include <gtest/gtest.h>

namespace {

CParticleResult ResultOfAreas(std::initializer_list<double> areas) {
    CParticleResult result;
    int id = 0;
    for (double area : areas) {
        CParticle particle;
        particle.id = ++id;
        particle.area = area;
        result.particles.push_back(particle);
    }
    return result;
}

TEST(ParticleStats, SummaryUsesTheSampleDeviation) {
    const CParticleSummary summary = SummariseParticles(ResultOfAreas({2, 4, 4, 4, 5, 5, 7, 9}));
    const CQuantityStats& area = summary.Of(ParticleQuantity::Area);
    EXPECT_EQ(summary.count, 8);
    EXPECT_DOUBLE_EQ(area.mean, 5.0);
    EXPECT_NEAR(area.sd, std::sqrt(32.0 / 7.0), 1e-12);
    EXPECT_DOUBLE_EQ(area.min, 2.0);
    EXPECT_DOUBLE_EQ(area.max, 9.0);
}

TEST(ParticleStats, HistogramSpansTheValuesAndKeepsTheLargestInTheLastBin) {
    struct Case {
        std::initializer_list<double> areas;
        int bins;
        std::vector<int> counts;
    };
    const Case cases[] = {
        {{1, 2, 3, 4, 5}, 2, {2, 3}},
        {{1, 1, 1}, 3, {3, 0, 0}},
        {{}, 4, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        double low = -1;
        double high = -1;
        EXPECT_EQ(
            ParticleHistogram(ResultOfAreas(c.areas), ParticleQuantity::Area, c.bins, low, high),
            c.counts);
    }
}

} // namespace
