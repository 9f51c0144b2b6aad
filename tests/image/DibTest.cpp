#include "image/Dib.h"

#include "image/ImagePath.h"
#include "image/Zoom.h"
#include "tests/image/ImageTestSupport.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include <QTemporaryDir>

TEST(Dib, RowsAreBottomUpAndPaddedToFourBytes) {
    CDib dib = MakePicture(5, 3, [](int x, int y) { return Rgb{x, y, 7}; });
    EXPECT_EQ(dib.Stride(), 16u);
    EXPECT_EQ(dib.ImageSize(), 48u);
    // Picture row 0 (the top) is the last stored row; pixels are blue, green, red.
    EXPECT_EQ(dib.Row(2)[3 * 4 + 0], 7);
    EXPECT_EQ(dib.Row(2)[3 * 4 + 2], 4);
    EXPECT_EQ(dib.Row(0)[1], 2);
    EXPECT_EQ(CDib::StrideFor(1, 8), 4u);
    EXPECT_EQ(CDib::StrideFor(4, 8), 4u);
    EXPECT_EQ(CDib::StrideFor(5, 8), 8u);
    EXPECT_EQ(dib.JpegQuality(), 90);
}

TEST(Dib, SelectionRectanglesAreClampedAndGrowTheBox) {
    CDib dib = FlatPicture(10, 8, Rgb{});
    EXPECT_FALSE(dib.HasSelection());
    EXPECT_EQ(dib.WorkBox(), (SelectionBox{0, 10, 0, 8}));
    // Picture rows 1..2 are stored rows 5..6.
    dib.SelectionAddRect(2, 1, 4, 2);
    EXPECT_EQ(dib.Selection(), (SelectionBox{2, 5, 5, 7}));
    EXPECT_TRUE(dib.IsSelected(2, 5));
    EXPECT_FALSE(dib.IsSelected(5, 5));
    EXPECT_FALSE(dib.IsSelected(2, 4));
    dib.SelectionAddRect(8, 6, 20, 30); // runs off the picture
    EXPECT_EQ(dib.Selection(), (SelectionBox{2, 10, 0, 7}));
    EXPECT_TRUE(dib.IsSelected(9, 0));
    dib.SelectionClear();
    EXPECT_TRUE(dib.HasSelection());
    EXPECT_EQ(dib.Selection(), (SelectionBox{10, 0, 8, 0}));
    EXPECT_TRUE(dib.WorkBox().IsEmpty());
    dib.SelectionAddRect(-5, -5, -1, -1); // wholly outside: nothing selected
    EXPECT_TRUE(dib.Selection().IsEmpty());
}

TEST(Dib, CopiesAreIndependentAndKeepTheSelection) {
    CDib original = NoisePicture(6, 4);
    original.SelectionAddRect(1, 1, 2, 2);
    original.SetBackgroundColor(0x123456);
    CDib copy(original);
    EXPECT_TRUE(SameColors(copy, original));
    EXPECT_EQ(copy.Selection(), original.Selection());
    EXPECT_EQ(copy.BackgroundColor(), 0x123456u);
    copy.Row(0)[0] ^= 0xFF;
    EXPECT_FALSE(SameColors(copy, original));

    CDib other = FlatPicture(2, 2, Rgb{1, 2, 3});
    other.SwapContent(copy);
    EXPECT_EQ(other.Width(), 6);
    EXPECT_EQ(copy.Width(), 2);
}

TEST(Dib, PaletteConversionsRoundTrip) {
    CDib dib;
    ASSERT_TRUE(dib.Create(4, 2, 8));
    EXPECT_TRUE(dib.IsGrayScale());
    const std::vector<RgbQuad> palette = {{0, 0, 255, 0}, {255, 0, 0, 0}, {9, 9, 9, 0}};
    dib.SetPalette(palette);
    EXPECT_FALSE(dib.IsGrayScale());
    dib.Row(1)[2] = 1;
    dib.Row(0)[3] = 2;
    const CDib before(dib);
    ASSERT_TRUE(dib.ConvertTo24Bits());
    EXPECT_EQ(dib.BitsPerPixel(), 24);
    EXPECT_TRUE(SameColors(dib, before));
    ASSERT_TRUE(dib.ConvertTo8Bits(palette));
    EXPECT_EQ(dib.BitsPerPixel(), 8);
    EXPECT_EQ(std::memcmp(dib.Bits(), before.Bits(), dib.ImageSize()), 0);
}

TEST(Dib, UnknownTypeTriesBothCodecsAndTypedDecodesFallBack) {
    CDib picture = NoisePicture(8, 8);
    std::vector<std::uint8_t> jpeg;
    ASSERT_TRUE(picture.Encode(ImageType::Jpeg, jpeg));
    CDib dib;
    // A JPEG named as BMP still opens, as JPEG.
    ASSERT_TRUE(dib.Decode(jpeg, ImageType::Bmp)) << dib.LastError();
    EXPECT_EQ(dib.Type(), ImageType::Jpeg);
    ASSERT_TRUE(dib.Decode(jpeg, ImageType::Unknown));

    const std::vector<std::uint8_t> junk = {'h', 'e', 'l', 'l', 'o'};
    EXPECT_FALSE(dib.Decode(junk, ImageType::Unknown));
    EXPECT_EQ(dib.LastError(), "Decode: Unknown or wrong format");
    EXPECT_FALSE(dib.IsValid());
    EXPECT_FALSE(dib.Decode(junk, ImageType::Jpeg));
    EXPECT_FALSE(dib.LastError().empty());
    std::vector<std::uint8_t> cut(jpeg.begin(), jpeg.begin() + 40);
    EXPECT_FALSE(dib.Decode(cut, ImageType::Jpeg));
    EXPECT_FALSE(dib.LastError().empty());
}

TEST(Dib, SaveReplacesWholeFilesOrLeavesThemAlone) {
    QTemporaryDir dir;
    const std::filesystem::path path = dir.filePath("picture.bmp").toStdString();
    {
        std::ofstream old(path, std::ios::binary);
        old << "previous";
    }
    CDib dib = NoisePicture(9, 5);
    // An unknown type and an empty picture write nothing.
    EXPECT_FALSE(dib.Save(path, ImageType::Unknown));
    EXPECT_FALSE(CDib().Save(path, ImageType::Bmp));
    EXPECT_EQ(std::filesystem::file_size(path), 8u);

    // A file of the user's that happens to carry a temporary-looking name is
    // never touched.
    std::filesystem::path neighbour = path;
    neighbour += ".part";
    {
        std::ofstream keep(neighbour, std::ios::binary);
        keep << "mine";
    }
    ASSERT_TRUE(dib.Save(path, ImageType::Bmp));
    EXPECT_EQ(std::filesystem::file_size(neighbour), 4u);
    std::filesystem::remove(neighbour);
    CDib back;
    ASSERT_TRUE(back.Load(path, ImageType::Bmp));
    EXPECT_TRUE(SameColors(back, dib));
    EXPECT_EQ(back.Type(), ImageType::Bmp);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path().toStdString()),
                            std::filesystem::directory_iterator()),
              1); // no temporary file left behind

    EXPECT_FALSE(dib.Save(dir.filePath("missing/picture.bmp").toStdString(), ImageType::Bmp));
    EXPECT_FALSE(back.Load(dir.filePath("missing.bmp").toStdString(), ImageType::Bmp));
    EXPECT_FALSE(back.LastError().empty());
}

TEST(ImagePath, ExtensionChoosesTheTypeIgnoringCase) {
    EXPECT_EQ(ImageTypeForPath("/p/a.bmp"), ImageType::Bmp);
    EXPECT_EQ(ImageTypeForPath("/p/a.BMP"), ImageType::Bmp);
    EXPECT_EQ(ImageTypeForPath("/p/a.JPEG"), ImageType::Jpeg);
    EXPECT_EQ(ImageTypeForPath("/p/a.b.Jpg"), ImageType::Jpeg);
    EXPECT_EQ(ImageTypeForPath("/p/a.png"), ImageType::Png);
    EXPECT_EQ(ImageTypeForPath("/p/a.TIF"), ImageType::Tiff);
    EXPECT_EQ(ImageTypeForPath("/p/a.tiff"), ImageType::Tiff);
    EXPECT_EQ(ImageTypeForPath("/p/a.gif"), ImageType::Unknown);
    EXPECT_EQ(ImageTypeForPath("/p/a"), std::nullopt);
    EXPECT_EQ(ImageTypeForPath("/p/a."), std::nullopt);
    EXPECT_EQ(ImageTypeForPath("/p.d/a"), std::nullopt);
}

TEST(Zoom, StepsAreExactAndStopAtTheEnds) {
    CZoomState state;
    for (int i = 0; i < 5; ++i) {
        state.ZoomIn();
    }
    EXPECT_EQ(state.zoom, 1.5);
    EXPECT_EQ(state.StatusText(), QStringLiteral("150%"));
    state.ZoomIn();
    state.ZoomIn();
    EXPECT_EQ(state.zoom, 1.7);
    EXPECT_TRUE(state.zoomInAllowed);
    state.ZoomIn();
    EXPECT_EQ(state.zoom, 1.8);
    EXPECT_FALSE(state.zoomInAllowed);
    state.ZoomIn();
    EXPECT_EQ(state.zoom, 1.8);
    state.ZoomOut();
    EXPECT_TRUE(state.zoomInAllowed);
    for (int i = 0; i < 20; ++i) {
        state.ZoomOut();
    }
    EXPECT_EQ(state.zoom, 0.3);
    EXPECT_FALSE(state.zoomOutAllowed);
    EXPECT_EQ(state.StatusText(), QStringLiteral("30%"));
    state.ZoomIn();
    EXPECT_EQ(state.zoom, 0.4);
    EXPECT_TRUE(state.zoomOutAllowed);
    state.Normal();
    EXPECT_EQ(state.zoom, 1.0);
    EXPECT_EQ(state.StatusText(), QStringLiteral("100%"));
}

TEST(Zoom, FitShowsTheWholePictureAndStepsLeaveIt) {
    const struct {
        QSize picture;
        QSize area;
        double zoom;
        bool inAllowed;
        bool outAllowed;
        double afterIn;
        double afterOut;
    } cases[] = {
        {{2592, 1944}, {648, 972}, 0.25, true, false, 0.3, 0.25},
        {{1920, 1080}, {960, 1000}, 0.5, true, true, 0.6, 0.4},
        {{1920, 1080}, {1000, 486}, 0.45, true, true, 0.5, 0.4},
        {{100, 100}, {1000, 1000}, 1.8, false, true, 1.8, 1.7},
        {{0, 0}, {1000, 1000}, 1.0, true, true, 1.1, 0.9},
        {{640, 480}, {0, 480}, 1.0, true, true, 1.1, 0.9},
    };
    for (const auto& entry : cases) {
        CZoomState state;
        state.Fit(entry.picture, entry.area);
        EXPECT_DOUBLE_EQ(state.zoom, entry.zoom) << entry.area.width();
        EXPECT_TRUE(state.fitted);
        EXPECT_EQ(state.zoomInAllowed, entry.inAllowed) << entry.area.width();
        EXPECT_EQ(state.zoomOutAllowed, entry.outAllowed) << entry.area.width();
        CZoomState in = state;
        in.ZoomIn();
        EXPECT_DOUBLE_EQ(in.zoom, entry.afterIn) << entry.area.width();
        EXPECT_EQ(in.fitted, !entry.inAllowed) << entry.area.width();
        CZoomState out = state;
        out.ZoomOut();
        EXPECT_DOUBLE_EQ(out.zoom, entry.afterOut) << entry.area.width();
    }
    CZoomState normal;
    normal.Fit({2592, 1944}, {648, 972});
    normal.Normal();
    EXPECT_FALSE(normal.fitted);
    EXPECT_EQ(normal.StatusText(), QStringLiteral("100%"));
}

TEST(Zoom, ExportScaleUsesAThirdOf033) {
    EXPECT_EQ(ScaledLength(ExportScale(3, 1.0), 300), 99);
    EXPECT_EQ(ScaledLength(ExportScale(2, 1.0), 301), 151);
    EXPECT_EQ(ScaledLength(ExportScale(1, 0.4), 300), 300);
    EXPECT_EQ(ScaledLength(ExportScale(4, 0.7), 300), 210);
}
