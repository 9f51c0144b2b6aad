#include "image/Dib.h"
#include "image/ImagePath.h"
#include "image/PictureScale.h"
#include "tests/image/ImageTestSupport.h"
#include "tests/image/PictureFixtures.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <tiffio.h>

#include <QTemporaryDir>

// The TIFF and PNG readers against files libtiff and libpng wrote
// themselves, our writers read back, the scale both ways, and hostile files.

namespace {

constexpr int kWidth = 66; // partial tiles across and down, the pattern's full range
constexpr int kHeight = 24;

// Counts pixels off by more than `tolerance` in any colour.
int WrongPixels(const CDib& dib, const SampleKind& kind, int tolerance) {
    int wrong = 0;
    for (int y = 0; y < dib.Height(); ++y) {
        for (int x = 0; x < dib.Width(); ++x) {
            const Rgb got = PixelAt(dib, x, y);
            const Rgb want = ExpectedColor(kind, x, y);
            wrong += std::abs(got.red - want.red) > tolerance ||
                     std::abs(got.green - want.green) > tolerance ||
                     std::abs(got.blue - want.blue) > tolerance;
        }
    }
    return wrong;
}

std::string Path(const QTemporaryDir& dir, const std::string& name) {
    return dir.filePath(QString::fromStdString(name)).toStdString();
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

CPictureScale Micrometres() {
    return CPictureScale{1234.5678, "um", "Objective 40×"};
}

} // namespace

TEST(PictureCodec, EveryTiffKindReadsPixelForPixel) {
    const SampleKind grey8{1, 8}, grey16{1, 16}, greyAlpha{2, 8}, rgb8{3, 8}, rgba8{4, 8},
        rgb16{3, 16}, palette{1, 8, true}, bilevel{1, 1};
    const TiffFixture fixtures[] = {
        {"grey8.tif", grey8},
        {"grey16-lzw.tif", grey16, COMPRESSION_LZW},
        {"grey16-big-endian.tif", grey16, COMPRESSION_ADOBE_DEFLATE, false, "wb"},
        {"grey-alpha.tif", greyAlpha, COMPRESSION_PACKBITS},
        {"rgb8-packbits.tif", rgb8, COMPRESSION_PACKBITS},
        {"rgb8-tiles.tif", rgb8, COMPRESSION_ADOBE_DEFLATE, true},
        {"rgb8-tiles-big-endian.tif", rgb8, COMPRESSION_LZW, true, "wb"},
        {"rgba8-lzw.tif", rgba8, COMPRESSION_LZW},
        {"rgb16-bigtiff.tif", rgb16, COMPRESSION_ADOBE_DEFLATE, false, "w8"},
        {"rgb16-tiles.tif", rgb16, COMPRESSION_NONE, true, "wb"},
        {"palette.tif", palette, COMPRESSION_LZW},
        {"bilevel.tif", bilevel, COMPRESSION_PACKBITS},
        {"pages.tif", rgb8, COMPRESSION_ADOBE_DEFLATE, false, "w", 3},
        {"one-strip.tif", grey8, COMPRESSION_NONE, false, "w", 1, false, kHeight},
    };
    QTemporaryDir dir;
    for (const TiffFixture& fixture : fixtures) {
        SCOPED_TRACE(fixture.name);
        const std::string path = Path(dir, fixture.name);
        WriteTiffFixture(path, fixture, kWidth, kHeight);
        CDib dib;
        ASSERT_TRUE(dib.Load(path, ImageType::Tiff)) << dib.LastError();
        EXPECT_EQ(dib.Type(), ImageType::Tiff);
        EXPECT_EQ(dib.Width(), kWidth);
        EXPECT_EQ(dib.Height(), kHeight);
        EXPECT_EQ(dib.PageCount(), fixture.pages);
        EXPECT_EQ(WrongPixels(dib, fixture.samples, 0), 0);
        EXPECT_EQ(dib.IsGrayScale(), fixture.samples.channels <= 2 && !fixture.samples.palette);
        EXPECT_FALSE(dib.Scale());
    }
}

TEST(PictureCodec, JpegCompressedTiffReadsClose) {
    QTemporaryDir dir;
    const std::string path = Path(dir, "jpeg.tif");
    const TiffFixture fixture{"jpeg.tif", {3, 8}, COMPRESSION_JPEG, false, "w", 1, true, 16};
    WriteTiffFixture(path, fixture, 64, 32);
    CDib dib;
    ASSERT_TRUE(dib.Load(path, ImageType::Unknown)) << dib.LastError();
    EXPECT_EQ(dib.Width(), 64);
    // Lossy: most pixels stay near, the sharp wraps of the pattern blur.
    EXPECT_LT(WrongPixels(dib, fixture.samples, 24), 64 * 32 / 4);
}

TEST(PictureCodec, EveryPngKindReadsPixelForPixel) {
    const PngFixture fixtures[] = {
        {"grey8.png", {1, 8}},
        {"grey16.png", {1, 16}},
        {"grey1.png", {1, 1}},
        {"grey-alpha.png", {2, 8}},
        {"rgb8.png", {3, 8}},
        {"rgb16.png", {3, 16}},
        {"rgba8.png", {4, 8}},
        {"rgba16-interlaced.png", {4, 16}, true},
        {"rgb8-interlaced.png", {3, 8}, true},
        {"palette.png", {1, 8, true}},
        {"palette-alpha.png", {1, 8, true, true}},
    };
    QTemporaryDir dir;
    for (const PngFixture& fixture : fixtures) {
        SCOPED_TRACE(fixture.name);
        const std::string path = Path(dir, fixture.name);
        WritePngFixture(path, fixture, kWidth, kHeight);
        CDib dib;
        ASSERT_TRUE(dib.Load(path, ImageType::Png)) << dib.LastError();
        EXPECT_EQ(dib.Type(), ImageType::Png);
        EXPECT_EQ(dib.Width(), kWidth);
        EXPECT_EQ(dib.Height(), kHeight);
        EXPECT_EQ(dib.PageCount(), 1);
        EXPECT_EQ(WrongPixels(dib, fixture.samples, 0), 0);
    }
}

TEST(PictureCodec, OurFilesRoundTripWithTheirScale) {
    CDib grey;
    grey.Create(kWidth, kHeight, 8);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            grey.Row(grey.StoredRow(y))[x] = static_cast<std::uint8_t>(x * 3 + y);
        }
    }
    CDib palette = NoisePicture(kWidth, kHeight, 3);
    palette.ConvertTo8Bits(std::vector<RgbQuad>{{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {9, 9, 9}});
    CDib colour = NoisePicture(kWidth, kHeight, 2);
    const std::optional<CPictureScale> scales[] = {std::nullopt,
                                                   Micrometres(),
                                                   CPictureScale{37.5, "mm", ""},
                                                   CPictureScale{0.4, "cm", "Ruler"},
                                                   CPictureScale{96.1, "mil", "Mils"},
                                                   CPictureScale{3.0e6, "nm", "SEM"}};
    QTemporaryDir dir;
    for (ImageType type : {ImageType::Tiff, ImageType::Png}) {
        for (const auto& scale : scales) {
            for (CDib* picture : {&colour, &grey, &palette}) {
                SCOPED_TRACE(std::to_string(static_cast<int>(type)) + " " +
                             (scale ? scale->unit : "none") + " " +
                             std::to_string(picture->BitsPerPixel()));
                picture->SetScale(scale);
                const std::string path = Path(dir, type == ImageType::Tiff ? "a.tif" : "a.png");
                ASSERT_TRUE(picture->Save(path, type)) << picture->LastError();
                CDib back;
                ASSERT_TRUE(back.Load(path, ImageType::Unknown)) << back.LastError();
                EXPECT_EQ(back.Type(), type);
                EXPECT_TRUE(SameColors(back, *picture));
                EXPECT_EQ(back.IsGrayScale(), picture->IsGrayScale());
                EXPECT_EQ(back.Scale(), scale);
            }
        }
    }
}

TEST(PictureCodec, ForeignResolutionsBecomeCalibrationScales) {
    const struct {
        double perUnit;
        int resolutionUnit;
        const char* description;
        std::optional<CPictureScale> scale;
    } cases[] = {
        {100, RESUNIT_CENTIMETER, "", CPictureScale{100, "cm", ""}},
        {254, RESUNIT_INCH, "", CPictureScale{100, "mil", ""}},
        {72, RESUNIT_NONE, "", std::nullopt},
        {72, 0, "", std::nullopt},
        // ImageJ counts pixels per its own unit when the resolution has none.
        {2, RESUNIT_NONE, "ImageJ=1.53t\nunit=micron\n", CPictureScale{20000, "um", ""}},
        {2, RESUNIT_NONE, "ImageJ=1.54f\nunit=\\u00B5m\n", CPictureScale{20000, "um", ""}},
        {4, RESUNIT_NONE, "ImageJ=1.53t\nunit=mm\n", CPictureScale{40, "mm", ""}},
        {0.5, RESUNIT_NONE, "ImageJ=1.53t\nunit=nm\n", CPictureScale{5000000, "nm", ""}},
        {254, RESUNIT_INCH, "ImageJ=1.53t\nunit=inch\n", CPictureScale{100, "mil", ""}},
        {5000, RESUNIT_CENTIMETER, "ImageJ=1.53t\nunit=um\n", CPictureScale{5000, "um", ""}},
        {2, RESUNIT_NONE, "ImageJ=1.53t\nunit=pixel\n", std::nullopt},
        {0, RESUNIT_CENTIMETER, "", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.description) + std::to_string(c.perUnit));
        const auto scale = ForeignScale(c.perUnit, c.resolutionUnit, c.description);
        ASSERT_EQ(scale.has_value(), c.scale.has_value());
        if (scale) {
            EXPECT_NEAR(scale->pixelsPerCentimetre, c.scale->pixelsPerCentimetre,
                        1e-6 * c.scale->pixelsPerCentimetre);
            EXPECT_EQ(scale->unit, c.scale->unit);
        }
    }
    // Our own record is refused unless whole.
    for (const char* text :
         {"", "unit=um\n", "pixelsPerCentimetre=12\nunit=parsec\n",
          "pixelsPerCentimetre=-3\nunit=um\n", "pixelsPerCentimetre=1x\nunit=um"}) {
        EXPECT_FALSE(ParseScaleRecord(text)) << text;
    }
}

TEST(PictureCodec, ImageJReadsOurTiffScale) {
    // What ImageJ makes of the description: only "um" rescales a centimetre
    // resolution, so every unit but the centimetre is told in micrometres.
    for (const char* unit : {"um", "mm", "nm", "mil"}) {
        EXPECT_EQ(ImageJDescription(CPictureScale{10, unit, ""}), "ImageJ=1.53t\nunit=um\n");
    }
    EXPECT_EQ(ImageJDescription(CPictureScale{10, "cm", ""}), "ImageJ=1.53t\nunit=cm\n");
}

TEST(PictureCodec, HostileFilesFailWithOneClearMessage) {
    QTemporaryDir dir;
    const std::string tiffPath = Path(dir, "plain.tif");
    WriteTiffFixture(tiffPath,
                     {"plain.tif", {1, 8}, COMPRESSION_NONE, false, "w", 1, false, kHeight}, kWidth,
                     kHeight);
    const std::vector<std::uint8_t> tiff = ReadFileBytes(tiffPath);
    const std::string pngPath = Path(dir, "plain.png");
    WritePngFixture(pngPath, {"plain.png", {3, 8}}, kWidth, kHeight);
    const std::vector<std::uint8_t> png = ReadFileBytes(pngPath);

    // libtiff writes the pixels first and the directory after them.
    std::uint32_t directory = 0;
    std::memcpy(&directory, tiff.data() + 4, 4);
    const auto patchTag = [&](std::uint16_t tag, std::uint32_t value) {
        std::vector<std::uint8_t> bytes = tiff;
        std::uint16_t count = 0;
        std::memcpy(&count, bytes.data() + directory, 2);
        for (std::uint16_t i = 0; i < count; ++i) {
            std::uint8_t* entry = bytes.data() + directory + 2 + 12 * i;
            std::uint16_t id = 0;
            std::memcpy(&id, entry, 2);
            if (id == tag) {
                const std::uint16_t longType = TIFF_LONG;
                std::memcpy(entry + 2, &longType, 2);
                std::memcpy(entry + 8, &value, 4);
            }
        }
        return bytes;
    };
    std::vector<std::uint8_t> loop = tiff;
    std::uint16_t entries = 0;
    std::memcpy(&entries, tiff.data() + directory, 2);
    std::memcpy(loop.data() + directory + 2 + 12 * entries, &directory, 4);
    std::vector<std::uint8_t> badCrc = png;
    badCrc[29] ^= 0xFF; // the header chunk's checksum
    std::vector<std::uint8_t> absurdPng = png;
    absurdPng[16] = 0x7F; // width 0x7F000042, with the header's checksum made right
    const std::uint32_t crc = Crc32(absurdPng.data() + 12, 17);
    for (int i = 0; i < 4; ++i) {
        absurdPng[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    }
    std::vector<std::uint8_t> badData = png;
    badData[png.size() / 2] ^= 0x55;

    const struct {
        const char* name;
        std::vector<std::uint8_t> data;
        const char* prefix;
    } cases[] = {
        {"truncated TIFF", {tiff.begin(), tiff.begin() + 12}, "TIFF: "},
        {"TIFF without its directory", {tiff.begin(), tiff.begin() + directory}, "TIFF: "},
        {"zero width", patchTag(TIFFTAG_IMAGEWIDTH, 0), "TIFF: "},
        {"absurd size", patchTag(TIFFTAG_IMAGEWIDTH, 0x7FFFFFF0), "TIFF: "},
        {"strip outside the file", patchTag(TIFFTAG_STRIPOFFSETS, 0x7FFFFFF0), "TIFF: "},
        {"directory loop", loop, "TIFF: "},
        {"truncated PNG", {png.begin(), png.begin() + png.size() / 2}, "PNG: "},
        {"PNG header only", {png.begin(), png.begin() + 8}, "PNG: "},
        {"bad PNG checksum", badCrc, "PNG: "},
        {"damaged PNG data", badData, "PNG: "},
        {"absurd PNG size", absurdPng, "PNG: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CDib dib;
        dib.Create(2, 2, 24);
        EXPECT_FALSE(dib.Decode(c.data, ImageType::Unknown));
        EXPECT_FALSE(dib.IsValid());
        EXPECT_EQ(dib.LastError().rfind(c.prefix, 0), 0u) << dib.LastError();
        EXPECT_GT(dib.LastError().size(), std::strlen(c.prefix)) << dib.LastError();
    }
}

TEST(PictureCodec, JpegRefusesSidesPastItsLimitNamingTiff) {
    CDib wide;
    ASSERT_TRUE(wide.Create(65536, 1, 8));
    std::vector<std::uint8_t> out;
    EXPECT_FALSE(wide.Encode(ImageType::Jpeg, out));
    EXPECT_NE(wide.LastError().find("TIFF"), std::string::npos) << wide.LastError();
    EXPECT_TRUE(wide.Encode(ImageType::Tiff, out)) << wide.LastError();
}

TEST(PictureCodec, ReducedLoadKeepsThePictureSmall) {
    QTemporaryDir dir;
    const CDib picture = MakePicture(300, 120, [](int x, int y) { return Rgb{x / 2, y * 2, 9}; });
    const struct {
        const char* name;
        ImageType type;
    } files[] = {{"a.tif", ImageType::Tiff}, {"a.png", ImageType::Png}, {"a.bmp", ImageType::Bmp}};
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        const std::string path = Path(dir, file.name);
        ASSERT_TRUE(picture.Save(path, file.type));
        CDib small;
        ASSERT_TRUE(LoadPictureReduced(path, 100, small)) << small.LastError();
        EXPECT_EQ(small.Width(), 100);
        EXPECT_EQ(small.Height(), 40);
        // Each pixel stands for its 3 × 3 block, whether sampled or averaged.
        int wrong = 0;
        for (int y = 0; y < small.Height(); ++y) {
            for (int x = 0; x < small.Width(); ++x) {
                const Rgb c = PixelAt(small, x, y);
                wrong += std::abs(c.red - 3 * x / 2) > 2 || std::abs(c.green - 6 * y) > 4;
            }
        }
        EXPECT_EQ(wrong, 0);
    }
    CDib missing;
    EXPECT_FALSE(LoadPictureReduced(Path(dir, "missing.tif"), 100, missing));
    EXPECT_FALSE(missing.LastError().empty());
}
