#include "analysis/particles/ParticleStats.h"

#include "analysis/particles/ParticleCsv.h"
#include "framework/RecordingDrawContext.h"

#include <clocale>
#include <gtest/gtest.h>
#include <map>

#include <QStringList>

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

// Bars in proportion to the counts inside the box, an empty bin without one,
// the range and the quantity written with it.
TEST(ParticleStats, HistogramPictureScalesTheBarsToTheBox) {
    CRecordingDrawContext dc;
    DrawParticleHistogram(dc, {1, 4, 0, 2}, 2.5, 10, ParticleQuantity::Area, "mm", 10, 20, 206,
                          120);
    EXPECT_EQ(dc.SavedDepth(), 0);
    const QStringList texts = dc.Texts();
    for (const char* text : {"Area (mm²)", "4", "2.5", "10"}) {
        EXPECT_TRUE(texts.contains(QString::fromUtf8(text))) << text;
    }
    std::map<int, int> tops; // bar column -> highest row reached
    for (const CDrawRecord& line : dc.Calls(DrawCall::LineTo)) {
        if (line.state.pen.color != 0 && line.from.x() == line.point.x()) {
            tops[line.point.x()] = line.point.y();
        }
    }
    const int bottom = 20 + 120 - 6 - 14;
    const int top = 20 + 6 + 14;
    ASSERT_FALSE(tops.empty());
    EXPECT_GE(tops.begin()->first, 10);
    EXPECT_LT(tops.rbegin()->first, 10 + 206);
    EXPECT_EQ(tops.at(13 + 50 + 10), top);                    // 4 of 4
    EXPECT_EQ(tops.at(13 + 10), bottom - (bottom - top) / 4); // 1 of 4
    EXPECT_EQ(tops.count(13 + 100 + 10), 0u);                 // the empty bin
}

// The table, an empty line, then the summary; numbers keep their dot in a
// locale that writes a comma.
TEST(ParticleCsv, TableThenSummaryWithoutTheLocale) {
    CParticleResult result = ResultOfAreas({2.5, 10});
    result.unit = "mm";
    result.particles[1].touchesEdge = true;
    result.particles[1].centroidX = 3.25;
    result.areaFraction = 0.125;
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    const std::string csv = ParticleCsv(result);
    std::setlocale(LC_NUMERIC, "C");
    const QStringList lines = QString::fromStdString(csv).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 14);
    EXPECT_EQ(lines[0], QStringLiteral("Number,Area (mm²),Perimeter (mm),Circularity,Feret (mm),"
                                       "Min Feret (mm),Feret angle (°),Centroid X (px),Centroid Y "
                                       "(px),Bounding box X (px),Bounding box Y (px),Bounding box "
                                       "W (px),Bounding box H (px),Touches edge"));
    EXPECT_EQ(lines[1], QStringLiteral("1,2.5,0,0,0,0,0,0,0,0,0,0,0,0"));
    EXPECT_EQ(lines[2], QStringLiteral("2,10,0,0,0,0,0,3.25,0,0,0,0,0,1"));
    EXPECT_EQ(lines[3], QString());
    EXPECT_EQ(lines[5], QStringLiteral("Area (mm²),6.25,5.303300858899107,2.5,10"));
    EXPECT_EQ(lines[11], QStringLiteral("Count,2"));
    EXPECT_EQ(lines[12], QStringLiteral("Area fraction,0.125"));
}

} // namespace
