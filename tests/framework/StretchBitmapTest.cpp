#include "framework/BitmapStretch.h"
#include "framework/QImageDrawContext.h"
#include "framework/RecordingDrawContext.h"
#include "tests/support/TestEnvironment.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

#include <QImage>

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;

// A device-independent bitmap built in the test: rows bottom-up, padded to
// 4 bytes, the padding filled with a value that must never show.
struct TestBitmap {
    int width;
    int height;
    int bitsPerPixel;
    std::size_t stride;
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint8_t> palette; // 4 bytes an entry

    TestBitmap(int w, int h, int bpp)
        : width(w)
        , height(h)
        , bitsPerPixel(bpp)
        , stride((static_cast<std::size_t>(w) * bpp / 8 + 3) / 4 * 4)
        , bytes(stride * h, 0xAB) {}

    // Picture coordinates, y down.
    std::uint8_t* At(int x, int y) {
        return bytes.data() + stride * (height - 1 - y) + x * bitsPerPixel / 8;
    }
    void Set(int x, int y, QRgb color) {
        std::uint8_t* p = At(x, y);
        p[0] = static_cast<std::uint8_t>(qBlue(color));
        p[1] = static_cast<std::uint8_t>(qGreen(color));
        p[2] = static_cast<std::uint8_t>(qRed(color));
    }
    CBitmapView View() const {
        return CBitmapView{width,
                           height,
                           bitsPerPixel,
                           stride,
                           bytes.data(),
                           palette.empty() ? nullptr : palette.data(),
                           static_cast<int>(palette.size() / 4)};
    }
};

QRgb Distinct(int x, int y) {
    return qRgb(10 + 40 * x, 20 + 50 * y, 7 * x + 11 * y);
}

TestBitmap DistinctBitmap(int width, int height) {
    TestBitmap bitmap(width, height, 24);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bitmap.Set(x, y, Distinct(x, y));
        }
    }
    return bitmap;
}

QImage Stretched(const CBitmapView& view, QImage::Format format, int targetWidth, int targetHeight,
                 QRect box) {
    QImage target(targetWidth, targetHeight, format);
    target.fill(kWhite);
    {
        CQImageDrawContext dc(target);
        dc.SetRasterMode(RasterMode::NotXorPen); // pictures are copied whatever the mode
        dc.StretchBitmap(box.x(), box.y(), box.width(), box.height(), view);
    }
    return target.convertToFormat(QImage::Format_RGB32);
}

TEST(StretchBitmap, RowConversionIsExactAtEveryLengthAndNeverReadsPastTheRow) {
    // Rows of every length around the vector widths, each at the very end of
    // its buffer (so a read past the row would leave it), at several offsets.
    for (int count = 0; count <= 40; ++count) {
        for (int offset = 0; offset < 4; ++offset) {
            std::vector<std::uint8_t> bgr(static_cast<std::size_t>(offset + 3 * count));
            for (std::size_t i = 0; i < bgr.size(); ++i) {
                bgr[i] = static_cast<std::uint8_t>(37 * i + 11);
            }
            std::vector<std::uint32_t> xrgb(static_cast<std::size_t>(count) + 1, 0x12345678u);
            BgrToXrgb(bgr.data() + offset, xrgb.data(), count);
            for (int x = 0; x < count; ++x) {
                const std::uint8_t* p = bgr.data() + offset + 3 * x;
                ASSERT_EQ(xrgb[x], 0xFF000000u | (p[2] << 16) | (p[1] << 8) | p[0])
                    << count << " pixels, pixel " << x;
            }
            EXPECT_EQ(xrgb[count], 0x12345678u) << "nothing written past the row";
            std::vector<std::uint8_t> back(bgr.size(), 0);
            XrgbToBgr(xrgb.data(), back.data() + offset, count);
            EXPECT_TRUE(std::equal(back.begin() + offset, back.end(), bgr.begin() + offset));
        }
    }
}

TEST(StretchBitmap, StretchedRowsTakeTheNearestPixelUpToTheLastByte) {
    // Rows without padding (width a multiple of 4), the top row last in the
    // buffer: a stretch must not read past its last pixel.
    for (const int width : {4, 12, 40}) {
        const TestBitmap bitmap = DistinctBitmap(width, 3);
        ASSERT_EQ(bitmap.stride, static_cast<std::size_t>(3 * width));
        for (const int destWidth : {width / 2, width * 3 / 2, width * 3 + 1}) {
            std::vector<std::uint32_t> out(static_cast<std::size_t>(destWidth) * 3);
            StretchToXrgb(bitmap.View(), destWidth, 3, QRect(0, 0, destWidth, 3),
                          reinterpret_cast<std::uint8_t*>(out.data()), destWidth * 4);
            for (int y = 0; y < 3; ++y) {
                for (int d = 0; d < destWidth; ++d) {
                    const QRgb expected = Distinct(StretchSourceIndex(d, destWidth, width), y);
                    ASSERT_EQ(out[static_cast<std::size_t>(y) * destWidth + d], expected)
                        << width << " to " << destWidth << ", column " << d << ", row " << y;
                }
            }
        }
    }
}

} // namespace

TEST(StretchBitmap, CopiesOneToOneFromBottomUpRowsClippedToTheTargetInEveryFormat) {
    const TestBitmap bitmap = DistinctBitmap(5, 3); // 15 bytes a row, one byte of padding
    QImage expected(6, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            const bool inside = x <= 3 && y >= 2;
            expected.setPixel(x, y, inside ? Distinct(x + 1, y - 2) : kWhite);
        }
    }
    // 32-bit targets are written directly, others through the painter.
    for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied,
                                        QImage::Format_RGB888, QImage::Format_RGB16}) {
        const QImage image = Stretched(bitmap.View(), format, 6, 4, QRect(-1, 2, 5, 3));
        EXPECT_EQ(image, expected.convertToFormat(format).convertToFormat(QImage::Format_RGB32))
            << format;
    }
}

TEST(StretchBitmap, ShrinksAndGrowsByTheNearestPixelWithoutBlending) {
    const TestBitmap bitmap = DistinctBitmap(6, 4);
    // Halving takes the pixel under each target pixel's centre: columns 1, 3,
    // 5 and rows 1, 3, the same way from either end.
    const QImage half = Stretched(bitmap.View(), QImage::Format_RGB32, 3, 2, QRect(0, 0, 3, 2));
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(half.pixel(x, y), Distinct(2 * x + 1, 2 * y + 1)) << x << "," << y;
        }
    }
    // Tripling repeats every pixel over a 3 × 3 block.
    const QImage triple =
        Stretched(bitmap.View(), QImage::Format_RGB32, 18, 12, QRect(0, 0, 18, 12));
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 18; ++x) {
            EXPECT_EQ(triple.pixel(x, y), Distinct(x / 3, y / 3)) << x << "," << y;
        }
    }
    // 300 pixels onto 99: each target pixel shows a source pixel it covers.
    TestBitmap wide(300, 1, 24);
    for (int x = 0; x < 300; ++x) {
        wide.Set(x, 0, qRgb(x % 256, x / 256, 0));
    }
    const QImage third = Stretched(wide.View(), QImage::Format_RGB32, 99, 1, QRect(0, 0, 99, 1));
    int previous = -1;
    for (int x = 0; x < 99; ++x) {
        const int source = qRed(third.pixel(x, 0)) + 256 * qGreen(third.pixel(x, 0));
        EXPECT_GT(source, previous);
        EXPECT_GE(source * 99, x * 300) << x;
        EXPECT_LT(source * 99, (x + 1) * 300) << x;
        previous = source;
    }
}

TEST(StretchBitmap, PaletteBitmapsLookUpTheirColoursAndUnknownIndicesAreBlack) {
    TestBitmap bitmap(3, 2, 8);
    bitmap.palette = {10, 20, 30, 0, 200, 100, 50, 0}; // blue, green, red, unused
    *bitmap.At(0, 0) = 0;
    *bitmap.At(1, 0) = 1;
    *bitmap.At(2, 0) = 7;
    *bitmap.At(0, 1) = 1;
    *bitmap.At(1, 1) = 0;
    *bitmap.At(2, 1) = 255;
    const QImage image = Stretched(bitmap.View(), QImage::Format_RGB32, 3, 2, QRect(0, 0, 3, 2));
    EXPECT_EQ(image.pixel(0, 0), qRgb(30, 20, 10));
    EXPECT_EQ(image.pixel(1, 0), qRgb(50, 100, 200));
    EXPECT_EQ(image.pixel(2, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(0, 1), qRgb(50, 100, 200));
    EXPECT_EQ(image.pixel(2, 1), qRgb(0, 0, 0));
}

TEST(StretchBitmap, EmptyBoxesAndOtherDepthsDrawNothingAndTheRecorderKeepsTheCall) {
    const TestBitmap bitmap = DistinctBitmap(4, 4);
    CBitmapView deep = bitmap.View();
    deep.bitsPerPixel = 32;
    QImage blank(8, 8, QImage::Format_RGB32);
    blank.fill(kWhite);
    EXPECT_EQ(Stretched(deep, QImage::Format_RGB32, 8, 8, QRect(0, 0, 8, 8)), blank);
    EXPECT_EQ(Stretched(bitmap.View(), QImage::Format_RGB32, 8, 8, QRect(2, 2, 0, 5)), blank);
    EXPECT_EQ(Stretched(bitmap.View(), QImage::Format_RGB32, 8, 8, QRect(9, 0, 4, 4)), blank);

    CRecordingDrawContext recorder;
    recorder.StretchBitmap(-3, 4, 20, 10, bitmap.View());
    const auto calls = recorder.Calls(DrawCall::StretchBitmap);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(QRect(QPoint(calls[0].left, calls[0].top), QPoint(calls[0].right, calls[0].bottom)),
              QRect(QPoint(-3, 4), QPoint(17, 14)));
    EXPECT_EQ(calls[0].sourceWidth, 4);
    EXPECT_EQ(calls[0].sourceHeight, 4);
    EXPECT_EQ(calls[0].sourceBitsPerPixel, 24);
}
