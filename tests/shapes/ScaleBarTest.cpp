#include "shapes/ScaleBar.h"

#include "framework/QImageDrawContext.h"
#include "framework/RecordingDrawContext.h"

#include <cmath>
#include <gtest/gtest.h>
#include <set>

#include <QImage>

namespace {

CUnitConversion Conversion(const char* unit, double scale) {
    return CUnitConversion{*UnitFactorOf(QLatin1String(unit)), scale};
}

TEST(ScaleBarLength, IsARoundLengthNearAFifthOfThePicture) {
    struct Case {
        const char* unit;
        double scale; // pixels per centimetre
        int width;
        double value;
        const char* text;
    };
    // 60 px/cm in mm: a 640-pixel picture's fifth is 21.3 mm, nearest 20 mm.
    const Case cases[] = {
        {"mm", 60, 640, 20, "20mm"},           {"mm", 1200, 640, 1, "1mm"},
        {"um", 1200, 640, 1000, "1000um"},     {"mm", 12000, 640, 0.1, "0.1mm"},
        {"mm", 60000, 2592, 0.1, "0.1mm"},     {"cm", 60, 1920, 5, "5cm"},
        {"nm", 500000, 640, 2000, "2000nm"},   {"mil", 600, 640, 100, "100mil"},
        {"mm", 240000, 640, 0.005, "0.005mm"},
    };
    for (const Case& c : cases) {
        const auto length =
            ChooseScaleBarLength(c.width, Conversion(c.unit, c.scale), QLatin1String(c.unit));
        ASSERT_TRUE(length) << c.text;
        EXPECT_NEAR(length->value, c.value, c.value * 1e-9) << c.text;
        EXPECT_EQ(length->text, QLatin1String(c.text));
        const double factor = *UnitFactorOf(QLatin1String(c.unit));
        EXPECT_NEAR(length->pixels, c.value * c.scale / factor, 1e-6) << c.text;
    }
}

TEST(ScaleBarLength, StaysWithinARoundStepOfTheTargetOverEveryScale) {
    for (const char* unit : {"nm", "um", "mm", "cm", "mil"}) {
        for (double scale = 0.37; scale < 1e7; scale *= 1.7) {
            const CUnitConversion conversion = Conversion(unit, scale);
            const auto length = ChooseScaleBarLength(1000, conversion, QLatin1String(unit));
            ASSERT_TRUE(length) << unit << " " << scale;
            // Nearest of 1, 2, 5, 10: never more than √2.5 off a fifth.
            const double ratio = length->pixels / 200.0;
            EXPECT_LE(ratio, std::sqrt(2.5) + 1e-9) << unit << " " << scale;
            EXPECT_GE(ratio, 1 / std::sqrt(2.5) - 1e-9) << unit << " " << scale;
            const double mantissa =
                length->value / std::pow(10.0, std::floor(std::log10(length->value) + 1e-9));
            EXPECT_TRUE(std::abs(mantissa - 1) < 1e-6 || std::abs(mantissa - 2) < 1e-6 ||
                        std::abs(mantissa - 5) < 1e-6)
                << unit << " " << scale << " " << length->value;
            // The text says the same length as the bar, in the unit.
            EXPECT_NEAR(length->text.chopped(qstrlen(unit)).toDouble(), length->value,
                        length->value * 1e-9);
        }
    }
}

TEST(ScaleBarLength, NothingForAPictureWithoutWidthOrAnUnusableScale) {
    EXPECT_FALSE(ChooseScaleBarLength(0, Conversion("mm", 60), QStringLiteral("mm")));
    EXPECT_FALSE(ChooseScaleBarLength(-5, Conversion("mm", 60), QStringLiteral("mm")));
    EXPECT_FALSE(ChooseScaleBarLength(640, Conversion("mm", 0), QStringLiteral("mm")));
    EXPECT_FALSE(ChooseScaleBarLength(640, Conversion("mm", INFINITY), QStringLiteral("mm")));
    EXPECT_FALSE(ChooseScaleBarLength(640, Conversion("mm", NAN), QStringLiteral("mm")));
}

TEST(ScaleBarPlacement, SitsInTheBottomRightCornerWithItsTextAboveOrNotAtAll) {
    CScaleBarStyle style;
    style.penWidth = 2;
    style.textSize = 16;
    const auto placement = PlaceScaleBar(120, 640, 480, style);
    ASSERT_TRUE(placement);
    EXPECT_EQ(placement->right - placement->left, 120);
    EXPECT_GT(placement->right, 600);
    EXPECT_LT(placement->right, 640);
    EXPECT_GT(placement->y, 450);
    EXPECT_LT(placement->y, 480);
    EXPECT_EQ(640 - placement->right, 480 - placement->y);
    EXPECT_LT(placement->text.bottom(), placement->y);
    EXPECT_EQ(placement->text.height(), 16);
    EXPECT_EQ(placement->text.left(), placement->left);
    EXPECT_EQ(placement->text.right(), placement->right - 1);

    EXPECT_FALSE(PlaceScaleBar(630, 640, 480, style)); // wider than the picture allows
    EXPECT_FALSE(PlaceScaleBar(120, 640, 30, style));  // no room for the text
    EXPECT_FALSE(PlaceScaleBar(1.2, 640, 480, style)); // too short to see
    EXPECT_FALSE(PlaceScaleBar(NAN, 640, 480, style));
}

TEST(ScaleBarDrawing, DrawsTheHaloFirstThenTheStyleColoursAndRestoresTheContext) {
    CScaleBarStyle style{0x00FFFF /* yellow */, 0x202020 /* dark grey */, 1, 14};
    const auto placement = PlaceScaleBar(100, 400, 300, style);
    ASSERT_TRUE(placement);
    CRecordingDrawContext dc;
    DrawScaleBar(dc, *placement, QStringLiteral("2mm"), style);
    EXPECT_EQ(dc.SavedDepth(), 0);
    EXPECT_EQ(dc.UnmatchedRestores(), 0);
    EXPECT_EQ(dc.State(), CDrawState{});

    const auto lines = dc.Calls(DrawCall::LineTo);
    ASSERT_EQ(lines.size(), 6u);
    // A light line gets a black halo, wider than the bar.
    EXPECT_EQ(lines.front().state.pen.color, 0x000000u);
    EXPECT_GT(lines.front().state.pen.width, lines.back().state.pen.width);
    EXPECT_EQ(lines.back().state.pen.color, 0x00FFFFu);
    EXPECT_EQ(lines.back().from, QPoint(placement->right, placement->y));

    const auto texts = dc.Calls(DrawCall::DrawCenteredText);
    ASSERT_EQ(texts.size(), 9u);
    // A dark text gets a white halo; the text itself comes last, on top.
    EXPECT_EQ(texts.front().state.textColor, 0xFFFFFFu);
    EXPECT_EQ(texts.back().state.textColor, 0x202020u);
    EXPECT_EQ(texts.back().state.backgroundMode, BackgroundMode::Transparent);
    EXPECT_EQ(texts.back().state.font.height, 14);
    EXPECT_EQ(texts.back().text, QStringLiteral("2mm"));
    EXPECT_EQ(texts.back().left, placement->text.left());
    EXPECT_EQ(texts.back().top, placement->text.top());
}

// The bar keeps its own colour on any picture, and a halo that stands out
// from it (black for red) runs along it, so it also reads on a red picture.
TEST(ScaleBarDrawing, ReadsOnLightDarkAndSameColouredPictures) {
    const CScaleBarStyle style{0x0000FF /* red */, 0x0000FF, 2, 16};
    for (const QRgb background : {qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(255, 0, 0)}) {
        QImage picture(640, 480, QImage::Format_RGB32);
        picture.fill(background);
        {
            CQImageDrawContext dc(picture);
            DrawPictureScaleBar(dc, 640, 480, 1.0, 0, 0, Conversion("mm", 60), QStringLiteral("mm"),
                                style);
        }
        const auto placement = PlaceScaleBar(120, 640, 480, style);
        ASSERT_TRUE(placement);
        const int middle = (placement->left + placement->right) / 2;
        std::set<QRgb> across;
        for (int y = placement->y - 5; y <= placement->y + 5; ++y) {
            across.insert(picture.pixel(middle, y));
        }
        EXPECT_TRUE(across.count(qRgb(255, 0, 0))) << std::hex << background;
        EXPECT_TRUE(across.count(qRgb(0, 0, 0))) << std::hex << background;
        EXPECT_EQ(picture.pixel(middle, placement->y + 6), background);
        EXPECT_EQ(picture.pixel(placement->left - 6, placement->y), background);
        EXPECT_EQ(picture.pixel(20, 20), background);
    }
}

TEST(ScaleBarDrawing, FollowsTheZoomAndTheOffsetOfThePicture) {
    const CScaleBarStyle style;
    CRecordingDrawContext full;
    DrawPictureScaleBar(full, 640, 480, 1.0, 0, 0, Conversion("mm", 60), QStringLiteral("mm"),
                        style);
    CRecordingDrawContext half;
    DrawPictureScaleBar(half, 640, 480, 0.5, 0, 0, Conversion("mm", 60), QStringLiteral("mm"),
                        style);
    CRecordingDrawContext scrolled;
    DrawPictureScaleBar(scrolled, 640, 480, 1.0, 100, 50, Conversion("mm", 60),
                        QStringLiteral("mm"), style);
    const auto bar = [](const CRecordingDrawContext& dc) {
        const CDrawRecord line = dc.Calls(DrawCall::LineTo).back();
        return std::make_pair(line.from, line.point);
    };
    ASSERT_FALSE(full.Calls(DrawCall::LineTo).empty());
    ASSERT_FALSE(half.Calls(DrawCall::LineTo).empty());
    // The same 20 mm at half the pixels, at the half-size picture's corner.
    EXPECT_EQ(half.Texts().back(), QStringLiteral("20mm"));
    const auto fullBar = full.Calls(DrawCall::LineTo)[3];
    const auto halfBar = half.Calls(DrawCall::LineTo)[3];
    EXPECT_EQ(fullBar.point.x() - fullBar.from.x(), 120);
    EXPECT_EQ(halfBar.point.x() - halfBar.from.x(), 60);
    EXPECT_LT(halfBar.point.x(), 320);
    EXPECT_GT(halfBar.point.x(), 280);
    EXPECT_EQ(bar(scrolled).first, bar(full).first - QPoint(100, 50));

    CRecordingDrawContext none;
    DrawPictureScaleBar(none, 640, 480, 1.0, 0, 0, Conversion("mm", 0), QStringLiteral("mm"),
                        style);
    DrawPictureScaleBar(none, 40, 30, 1.0, 0, 0, Conversion("mm", 60), QStringLiteral("mm"), style);
    EXPECT_TRUE(none.Records().empty());
}

} // namespace
