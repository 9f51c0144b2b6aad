#include "shapes/ScaleBar.h"
#include "tests/document/StillDocumentTestSupport.h"

namespace {

constexpr Rgb kGrey{100, 100, 100};
constexpr Rgb kRed{255, 0, 0};

int CountColor(const CDib& picture, int x1, int y1, int x2, int y2, Rgb color) {
    int count = 0;
    for (int y = std::max(0, y1); y <= std::min(picture.Height() - 1, y2); ++y) {
        for (int x = std::max(0, x1); x <= std::min(picture.Width() - 1, x2); ++x) {
            count += PixelAt(picture, x, y) == color ? 1 : 0;
        }
    }
    return count;
}

// A 600-pixel-wide grey picture at 60 px/cm in mm: its bar is 20 mm, 120
// pixels at full size, drawn in red (the default line and text colour).
class ScaleBarBurnInTest : public StillDocumentTest {
protected:
    // The bar's run of red along its row, where the placement puts it for a
    // picture of the output's size.
    static int RedAlongBar(const CDib& out, double factor) {
        const auto placement =
            PlaceScaleBar(120 * factor, out.Width(), out.Height(), CScaleBarStyle::FromSettings());
        EXPECT_TRUE(placement);
        if (!placement) {
            return 0;
        }
        // The bar is two pixels thick around its row.
        int best = 0;
        for (int y = placement->y - 1; y <= placement->y + 1; ++y) {
            best =
                std::max(best, CountColor(out, placement->left, y, placement->right - 1, y, kRed));
        }
        return best;
    }
};

TEST_F(ScaleBarBurnInTest, EveryExportSizeCarriesTheBarAtItsOwnCorner) {
    auto document = Opened(FlatPicture(600, 400, kGrey));
    g_parameters.scalebar = 1;
    struct Size {
        int option;
        double factor;
    };
    for (const Size size : {Size{1, 1.0}, Size{2, 0.5}, Size{3, 0.33}}) {
        CDib out;
        ASSERT_EQ(document->MakeExportPicture({size.option, false}, out),
                  PictureWriteResult::Written);
        const int length = static_cast<int>(std::lround(120 * size.factor));
        EXPECT_GE(RedAlongBar(out, size.factor), length - 1) << size.option;
        // Nothing of it reaches the left half or the top half.
        EXPECT_EQ(CountColor(out, 0, 0, out.Width() / 2, out.Height() - 1, kRed), 0);
        EXPECT_EQ(CountColor(out, 0, 0, out.Width() - 1, out.Height() / 2, kRed), 0);
    }

    g_parameters.scalebar = 0;
    CDib plain;
    ASSERT_EQ(document->MakeExportPicture({1, true}, plain), PictureWriteResult::Written);
    EXPECT_EQ(CountColor(plain, 0, 0, 599, 399, kRed), 0);
}

TEST_F(ScaleBarBurnInTest, SavingBurnsTheBarInAndItFollowsTheCalibration) {
    auto document = Opened(FlatPicture(600, 400, kGrey));
    g_parameters.scalebar = 1;
    ASSERT_EQ(document->WriteTo(PathOf("saved.bmp")), PictureWriteResult::Written);
    CDib saved;
    ASSERT_TRUE(saved.Load(PathOf("saved.bmp"), ImageType::Bmp));
    EXPECT_GE(RedAlongBar(saved, 1.0), 119);

    // Twice the pixels per centimetre: the 20 mm bar would be 240 pixels, so
    // 10 mm (120 pixels) is chosen instead and the picture looks the same
    // but for the text.
    g_calibration.scale = 120;
    ASSERT_EQ(document->WriteTo(PathOf("finer.bmp")), PictureWriteResult::Written);
    CDib finer;
    ASSERT_TRUE(finer.Load(PathOf("finer.bmp"), ImageType::Bmp));
    EXPECT_GE(RedAlongBar(finer, 1.0), 119);
    EXPECT_FALSE(SameColors(saved, finer));
}

} // namespace
