#include "image/Adjustments.h"

#include "tests/image/ImageTestSupport.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

// The convolution rule written plainly over a full copy, for comparison.
CDib PlainConvolution(const CDib& source, const ConvolutionKernel& k) {
    CDib out(source);
    int total = 0;
    for (int tap : k.taps) {
        total += tap;
    }
    const SelectionBox box = source.WorkBox();
    for (int row = box.bottom; row < box.top; ++row) {
        for (int x = box.left; x < box.right; ++x) {
            if (!source.IsSelected(x, row)) {
                continue;
            }
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                int used = 0;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx;
                        const int ny = row + dy;
                        if (nx < 0 || ny < 0 || nx >= source.Width() || ny >= source.Height()) {
                            continue;
                        }
                        const int tap = k.taps[(dx + 1) + 3 * (dy + 1)];
                        sum += tap * source.Row(ny)[3 * nx + c];
                        used += tap;
                    }
                }
                int value = 0;
                if (k.factor == 0 || used == 0) {
                    value = sum + k.offset;
                } else if (used == total) {
                    value = sum / k.factor + k.offset;
                } else {
                    value = (sum * total) / (used * k.factor) + k.offset;
                }
                out.Row(row)[3 * x + c] = static_cast<std::uint8_t>(std::clamp(value, 0, 255));
            }
        }
    }
    return out;
}

bool SamePixels(const CDib& a, const CDib& b) {
    return a.ImageSize() == b.ImageSize() && std::memcmp(a.Bits(), b.Bits(), a.ImageSize()) == 0;
}

} // namespace

TEST(Brightness, AddsAndClampsOnlyTheSelectedPixels) {
    CDib dib = FlatPicture(4, 3, Rgb{250, 10, 128});
    AdjustBrightness(dib, 25);
    EXPECT_EQ(PixelAt(dib, 2, 1), (Rgb{255, 35, 153}));
    dib = FlatPicture(4, 3, Rgb{250, 10, 128});
    AdjustBrightness(dib, -25);
    EXPECT_EQ(PixelAt(dib, 0, 0), (Rgb{225, 0, 103}));

    dib = FlatPicture(4, 3, Rgb{100, 100, 100});
    SelectPictureRect(dib, PictureRect{1, 0, 2, 1});
    ASSERT_TRUE(ApplyAreaOperation(dib, AreaOperation::Brighter));
    EXPECT_EQ(PixelAt(dib, 1, 0), (Rgb{125, 125, 125}));
    EXPECT_EQ(PixelAt(dib, 2, 1), (Rgb{125, 125, 125}));
    EXPECT_EQ(PixelAt(dib, 0, 0), (Rgb{100, 100, 100}));
    EXPECT_EQ(PixelAt(dib, 1, 2), (Rgb{100, 100, 100}));
    EXPECT_EQ(dib.Progress(), 50); // last row started at half way
}

TEST(Brightness, PalettePicturesChangeTheirPaletteOrGreyIndices) {
    CDib colour;
    ASSERT_TRUE(colour.Create(3, 3, 8));
    const std::vector<RgbQuad> palette = {{0, 0, 250, 0}, {100, 100, 100, 0}};
    colour.SetPalette(palette);
    SelectPictureRect(colour, PictureRect{0, 0, 0, 0});
    AdjustBrightness(colour, 25);
    // A colour palette changes as a whole, selection or not.
    EXPECT_EQ(colour.Palette()[0], (RgbQuad{25, 25, 255, 0}));

    CDib grey;
    ASSERT_TRUE(grey.Create(3, 3, 8));
    std::memset(grey.Bits(), 40, grey.ImageSize());
    SelectPictureRect(grey, PictureRect{0, 0, 0, 0});
    AdjustBrightness(grey, 25);
    EXPECT_TRUE(grey.IsGrayScale());
    EXPECT_EQ(grey.Row(2)[0], 65);
    EXPECT_EQ(grey.Row(2)[1], 40);
}

TEST(InverseColor, InvertsSelectionAndBackgroundAndUndoesItself) {
    const CDib original = NoisePicture(9, 6);
    CDib dib(original);
    dib.SetBackgroundColor(MakeColorref(255, 0, 16));
    ASSERT_TRUE(InvertColors(dib));
    EXPECT_EQ(dib.BackgroundColor(), MakeColorref(0, 255, 239));
    const Rgb before = PixelAt(original, 4, 4);
    EXPECT_EQ(PixelAt(dib, 4, 4), (Rgb{255 - before.red, 255 - before.green, 255 - before.blue}));
    ASSERT_TRUE(InvertColors(dib));
    EXPECT_TRUE(SamePixels(dib, original));

    SelectPictureRect(dib, PictureRect{2, 2, 3, 3});
    InvertColors(dib);
    EXPECT_EQ(PixelAt(dib, 0, 0), PixelAt(original, 0, 0));
    EXPECT_EQ(PixelAt(dib, 3, 3).red, 255 - PixelAt(original, 3, 3).red);
}

TEST(MirrorFlip, MoveWholePixelsAndUndoThemselves) {
    const CDib original = NoisePicture(7, 5);
    CDib dib(original);
    SelectPictureRect(dib, PictureRect{0, 0, 1, 1});
    ASSERT_TRUE(MirrorLeftRight(dib));
    EXPECT_EQ(PixelAt(dib, 0, 2), PixelAt(original, 6, 2));
    EXPECT_EQ(PixelAt(dib, 3, 4), PixelAt(original, 3, 4));
    EXPECT_EQ(dib.Selection(), (SelectionBox{0, 2, 3, 5})); // not mirrored
    ASSERT_TRUE(MirrorLeftRight(dib));
    EXPECT_TRUE(SamePixels(dib, original));
    // Every width, so that wide rows and their tails are both covered.
    for (int width = 1; width < 40; ++width) {
        const CDib wide = NoisePicture(width, 2, static_cast<unsigned>(width));
        CDib mirrored(wide);
        ASSERT_TRUE(MirrorLeftRight(mirrored));
        for (int x = 0; x < width; ++x) {
            ASSERT_EQ(PixelAt(mirrored, x, 1), PixelAt(wide, width - 1 - x, 1)) << width;
        }
    }

    ASSERT_TRUE(FlipUpsideDown(dib));
    EXPECT_EQ(PixelAt(dib, 1, 0), PixelAt(original, 1, 4));
    EXPECT_EQ(PixelAt(dib, 1, 2), PixelAt(original, 1, 2));
    ASSERT_TRUE(FlipUpsideDown(dib));
    EXPECT_TRUE(SamePixels(dib, original));
}

TEST(Convolution, FlatAreasKeepSharpenAndGiveReliefItsOffset) {
    CDib dib = FlatPicture(6, 5, Rgb{90, 90, 90});
    ASSERT_TRUE(Sharpen(dib));
    EXPECT_TRUE(SamePixels(dib, FlatPicture(6, 5, Rgb{90, 90, 90})));
    ASSERT_TRUE(Relief(dib));
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(PixelAt(dib, x, y), (Rgb{127, 127, 127})) << x << "," << y;
        }
    }
}

TEST(Convolution, ReliefIsUpperLeftMinusLowerRight) {
    CDib dib = MakePicture(3, 3, [](int x, int y) {
        const int v = x == 0 && y == 0 ? 150 : (x == 2 && y == 2 ? 100 : 120);
        return Rgb{v, v, v};
    });
    ASSERT_TRUE(Relief(dib));
    EXPECT_EQ(PixelAt(dib, 1, 1).red, 127 + 150 - 100);
}

TEST(Convolution, FastPathsFollowThePlainRuleEverywhere) {
    for (const ConvolutionKernel* kernel : {&kSharpenKernel, &kReliefKernel}) {
        const CDib noise = NoisePicture(23, 17, 5);
        CDib whole(noise);
        ASSERT_TRUE(Convolve(whole, *kernel));
        EXPECT_TRUE(SamePixels(whole, PlainConvolution(noise, *kernel)));

        // Selections at a corner, in the middle, and of two separate parts.
        for (const PictureRect& rect :
             {PictureRect{0, 0, 5, 4}, PictureRect{3, 4, 19, 11}, PictureRect{20, 10, 40, 40}}) {
            CDib part(noise);
            SelectPictureRect(part, rect);
            part.SelectionAddRect(8, 14, 9, 16);
            const CDib expected = PlainConvolution(part, *kernel);
            ASSERT_TRUE(Convolve(part, *kernel));
            EXPECT_TRUE(SamePixels(part, expected)) << rect.x1 << "," << rect.y1;
        }
    }
}

TEST(Convolution, GreyPalettesWorkOnIndicesOthersThroughColour) {
    CDib grey;
    ASSERT_TRUE(grey.Create(4, 4, 8));
    std::memset(grey.Bits(), 60, grey.ImageSize());
    ASSERT_TRUE(Relief(grey));
    EXPECT_TRUE(grey.IsGrayScale());
    EXPECT_EQ(grey.Row(1)[1], 127);

    CDib colour;
    ASSERT_TRUE(colour.Create(4, 4, 8));
    const std::vector<RgbQuad> palette = {{0, 0, 200, 0}, {127, 127, 127, 0}};
    colour.SetPalette(palette);
    ASSERT_TRUE(Relief(colour));
    EXPECT_EQ(colour.BitsPerPixel(), 8);
    EXPECT_EQ(colour.Row(1)[1], 1); // flat becomes 127 grey, the nearest entry
}

TEST(Adjustments, StoppedOperationsReportIt) {
    CDib dib = NoisePicture(20, 20);
    dib.SetEscape(true);
    for (AreaOperation op : {AreaOperation::Relief, AreaOperation::Sharpen, AreaOperation::Smooth,
                             AreaOperation::EdgeDetection, AreaOperation::InverseColor,
                             AreaOperation::Darker, AreaOperation::Mirror, AreaOperation::Flip}) {
        EXPECT_FALSE(ApplyAreaOperation(dib, op)) << static_cast<int>(op);
    }
}

TEST(ViewSelection, ScrolledAndZoomedRectangleMapsToPictureCells) {
    const PictureRect rect = PictureRectFromView(10, 20, 60, 80, 100, 40, 0.5);
    EXPECT_EQ(rect, (PictureRect{220, 120, 320, 240}));
    EXPECT_EQ(PictureRectFromView(60, 80, 10, 20, 100, 40, 0.5), rect);
    EXPECT_EQ(PictureRectFromView(0, 0, 9, 9, 0, 0, 1.5), (PictureRect{0, 0, 6, 6}));

    CDib dib = FlatPicture(400, 300, Rgb{});
    SelectPictureRect(dib, rect);
    // Picture rows 120..240 are stored rows 59..179.
    EXPECT_EQ(dib.Selection(), (SelectionBox{220, 321, 59, 180}));
    SelectPictureRect(dib, PictureRect{0, 0, 0, 0});
    EXPECT_EQ(dib.Selection(), (SelectionBox{0, 1, 299, 300}));
    EXPECT_FALSE(dib.IsSelected(220, 100));

    EXPECT_EQ(OperationForAreaMode(2), AreaOperation::Relief);
    EXPECT_EQ(OperationForAreaMode(8), AreaOperation::Brighter);
    EXPECT_EQ(OperationForAreaMode(1), std::nullopt);
}
