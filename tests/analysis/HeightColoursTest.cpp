#include "analysis/focus/HeightColours.h"

#include "framework/RecordingDrawContext.h"

#include <gtest/gtest.h>
#include <limits>

#include <QLocale>

namespace {

CHeightMap Ramp(double low, double high, std::string unit) {
    CHeightMap map{3, 1, {}, low, high, std::move(unit)};
    map.heights = {static_cast<float>(low), std::numeric_limits<float>::quiet_NaN(),
                   static_cast<float>(high)};
    return map;
}

} // namespace

TEST(HeightColours, PaintsLowBlueHighRedUnknownGreyAndLeavesTheLegendStripWhite) {
    const CDib colours = HeightMapColours(Ramp(0, 4, ""), 5);
    ASSERT_EQ(colours.Width(), 8);
    const RgbQuad low = colours.PixelColor(0, 0), unknown = colours.PixelColor(1, 0),
                  high = colours.PixelColor(2, 0), strip = colours.PixelColor(7, 0);
    EXPECT_GT(low.blue, low.red);
    EXPECT_GT(high.red, high.blue);
    EXPECT_EQ(unknown, (RgbQuad{128, 128, 128, 0}));
    EXPECT_EQ(strip, (RgbQuad{255, 255, 255, 0}));
}

TEST(HeightColours, LabelsTheLegendWithRoundLocaleFreeTicksInTheUnit) {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German));
    struct Case {
        CHeightMap map;
        QStringList labels;
    };
    const Case cases[] = {
        {Ramp(0, 4, ""), {"slices", "0", "1", "2", "3", "4"}},
        {Ramp(12.3, 13.1, "um"), {"um", "12.4", "12.6", "12.8", "13.0"}},
        {Ramp(-50, 50, "mm"), {"mm", "-40", "-20", "0", "20", "40"}},
        {Ramp(2, 2, "um"), {"um", "2"}},
    };
    for (const Case& c : cases) {
        CRecordingDrawContext dc;
        DrawHeightLegend(dc, c.map, 300, 0, 120, 400);
        EXPECT_EQ(dc.Texts(), c.labels);
        EXPECT_EQ(dc.Records().front().call, DrawCall::SaveState);
        EXPECT_EQ(dc.Records().back().call, DrawCall::RestoreState);
    }
    QLocale::setDefault(previous);
}
