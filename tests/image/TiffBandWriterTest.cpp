#include "image/TiffBandWriter.h"

#include "image/Dib.h"
#include "image/ImagePath.h"
#include "tests/image/ImageTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

// Large pictures written band by band come back whole, carry their scale and
// a reduced page for previews, and a writer that does not finish leaves
// nothing behind.

namespace {

// Writes `picture` in bands of the given heights (the last one repeated).
bool WriteInBands(CTiffBandWriter& writer, const CDib& picture, std::initializer_list<int> bands) {
    int y = 0;
    auto band = bands.begin();
    while (y < picture.Height()) {
        const int rows = std::min(*band, picture.Height() - y);
        // Top-down rows, unpadded.
        const std::size_t stride = 3 * static_cast<std::size_t>(picture.Width());
        std::vector<std::uint8_t> slice(stride * rows);
        for (int r = 0; r < rows; ++r) {
            std::copy_n(picture.Row(picture.StoredRow(y + r)), stride, slice.data() + stride * r);
        }
        if (!writer.WriteRows(slice.data(), rows, stride)) {
            return false;
        }
        y += rows;
        if (std::next(band) != bands.end()) {
            ++band;
        }
    }
    return true;
}

} // namespace

TEST(TiffBandWriter, BandsMakeTheWholePictureWithItsScaleAndAPreviewPage) {
    QTemporaryDir dir;
    const struct {
        int width;
        int height;
        std::initializer_list<int> bands;
        int previewWidth; // from the reduced page where the picture has one
    } cases[] = {
        {600, 300, {1, 100, 255, 300}, 200},
        {2100, 240, {256}, 175}, // its 700 × 80 reduced page, reduced again by 4
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        const CDib picture = NoisePicture(c.width, c.height, 7);
        const std::filesystem::path path = dir.filePath(QStringLiteral("band.tif")).toStdString();
        CTiffBandWriter writer;
        const CPictureScale scale{250.0, "um", "Stitched"};
        ASSERT_TRUE(writer.Open(path, c.width, c.height, scale)) << writer.LastError();
        ASSERT_TRUE(WriteInBands(writer, picture, c.bands)) << writer.LastError();
        ASSERT_TRUE(writer.Close()) << writer.LastError();
        EXPECT_FALSE(std::filesystem::exists(path.string() + ".part"));

        CDib back;
        ASSERT_TRUE(back.Load(path, ImageType::Tiff)) << back.LastError();
        EXPECT_TRUE(SameColors(back, picture));
        EXPECT_EQ(back.Scale(), scale);
        EXPECT_EQ(back.PageCount(), 1);
        CDib preview;
        ASSERT_TRUE(LoadPictureReduced(path, 200, preview)) << preview.LastError();
        EXPECT_EQ(preview.Width(), c.previewWidth);
    }
}

TEST(TiffBandWriter, UnfinishedWritersLeaveNothing) {
    QTemporaryDir dir;
    const std::filesystem::path path = dir.filePath(QStringLiteral("big.tif")).toStdString();
    const CDib rows = NoisePicture(40, 10, 3);
    {
        CTiffBandWriter dropped;
        ASSERT_TRUE(dropped.Open(path, 40, 30, std::nullopt));
        ASSERT_TRUE(dropped.WriteRows(rows.Bits(), 10, rows.Stride()));
    }
    CTiffBandWriter shortOne;
    ASSERT_TRUE(shortOne.Open(path, 40, 30, std::nullopt));
    ASSERT_TRUE(shortOne.WriteRows(rows.Bits(), 10, rows.Stride()));
    EXPECT_FALSE(shortOne.Close());
    EXPECT_FALSE(shortOne.LastError().empty());
    CTiffBandWriter longOne;
    ASSERT_TRUE(longOne.Open(path, 40, 5, std::nullopt));
    EXPECT_FALSE(longOne.WriteRows(rows.Bits(), 10, rows.Stride()));
    EXPECT_FALSE(longOne.Close());
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}
