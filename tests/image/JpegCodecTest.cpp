#include "image/JpegCodec.h"

#include "tests/image/ImageTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <jpeglib.h>

namespace {

double MeanDifference(const CDib& a, const CDib& b) {
    double total = 0;
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            const Rgb p = PixelAt(a, x, y);
            const Rgb q = PixelAt(b, x, y);
            total +=
                std::abs(p.red - q.red) + std::abs(p.green - q.green) + std::abs(p.blue - q.blue);
        }
    }
    return total / (3.0 * a.Width() * a.Height());
}

// A one-colour CMYK JPEG with the Adobe marker (inverted ink values).
std::vector<std::uint8_t> CmykJpeg(int width, int height, const std::uint8_t cmyk[4]) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<std::uint8_t> row(4 * static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x) {
        std::copy(cmyk, cmyk + 4, row.begin() + 4 * x);
    }
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<std::uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

} // namespace

TEST(Jpeg, ColourRoundTripAtQuality90) {
    // A smooth picture: JPEG keeps it close.
    CDib picture = MakePicture(37, 23, [](int x, int y) { return Rgb{x * 6, y * 10, 128}; });
    std::vector<std::uint8_t> small;
    ASSERT_TRUE(picture.Encode(ImageType::Jpeg, small));
    CDib back;
    ASSERT_TRUE(back.Decode(small, ImageType::Jpeg)) << back.LastError();
    EXPECT_EQ(back.Width(), 37);
    EXPECT_EQ(back.Height(), 23);
    EXPECT_EQ(back.BitsPerPixel(), 24);
    EXPECT_LT(MeanDifference(picture, back), 2.0);
    // Orientation: the top-left stays dark red-free, the bottom-right bright.
    EXPECT_LT(PixelAt(back, 0, 0).red, 12);
    EXPECT_GT(PixelAt(back, 36, 22).red, 200);

    // The quality setting is what the encoder uses.
    std::vector<std::uint8_t> rough;
    picture.SetJpegQuality(20);
    ASSERT_TRUE(picture.Encode(ImageType::Jpeg, rough));
    EXPECT_LT(rough.size(), small.size());
}

TEST(Jpeg, GreyAndCmykPicturesDecodeTo24Bits) {
    CDib grey;
    ASSERT_TRUE(grey.Create(16, 16, 8));
    for (int row = 0; row < 16; ++row) {
        std::memset(grey.Row(row), 100 + row, 16);
    }
    std::vector<std::uint8_t> encoded;
    ASSERT_TRUE(grey.Encode(ImageType::Jpeg, encoded));
    CDib back;
    ASSERT_TRUE(back.Decode(encoded, ImageType::Jpeg));
    EXPECT_EQ(back.BitsPerPixel(), 24);
    const Rgb top = PixelAt(back, 3, 0);
    EXPECT_EQ(top.red, top.green);
    EXPECT_EQ(top.red, top.blue);
    EXPECT_NEAR(top.red, 115, 2);

    const std::uint8_t red[4] = {255, 0, 0, 255}; // Adobe: 255 = no ink
    ASSERT_TRUE(back.Decode(CmykJpeg(8, 8, red), ImageType::Jpeg)) << back.LastError();
    const Rgb c = PixelAt(back, 4, 4);
    EXPECT_GT(c.red, 245);
    EXPECT_LT(c.green, 10);
    EXPECT_LT(c.blue, 10);
}

TEST(Jpeg, BrokenFilesFailWithTheLibrarysText) {
    CDib picture = NoisePicture(32, 32);
    std::vector<std::uint8_t> good;
    ASSERT_TRUE(picture.Encode(ImageType::Jpeg, good));
    CDib dib;
    // Every cut of the header and beyond is a clean failure or a picture.
    for (std::size_t length = 0; length < 700 && length < good.size(); length += 7) {
        const std::vector<std::uint8_t> cut(good.begin(), good.begin() + length);
        if (!DecodeJpeg(cut, dib, DecodeLimits{})) {
            EXPECT_FALSE(dib.LastError().empty()) << length;
        }
    }
    // A frame header that promises 65535 x 65535 is refused before allocating.
    CDib limited;
    EXPECT_FALSE(DecodeJpeg(good, limited, DecodeLimits{1000}));
    EXPECT_EQ(limited.LastError(), "JPEG: picture too large");
}
