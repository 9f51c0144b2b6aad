#include "image/BmpCodec.h"

#include "tests/image/ImageTestSupport.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& out, std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// A bitmap file with a 40-byte header (or the 12-byte core header), the
// given palette (BGR triples), optional bit-field masks and pixel bytes.
struct BmpLayout {
    int width = 2;
    int height = 2;
    int bitCount = 24;
    std::uint32_t compression = 0;
    bool core = false;
    std::vector<Rgb> palette;
    std::vector<std::uint32_t> masks;
    Bytes pixels;
};

Bytes BuildBmp(const BmpLayout& layout) {
    const std::size_t header = layout.core ? 12 : 40;
    const std::size_t entry = layout.core ? 3 : 4;
    const std::size_t offset =
        14 + header + 4 * layout.masks.size() + entry * layout.palette.size();
    Bytes out(offset + layout.pixels.size(), 0);
    out[0] = 'B';
    out[1] = 'M';
    Put(out, 2, static_cast<std::uint32_t>(out.size()), 4);
    Put(out, 10, static_cast<std::uint32_t>(offset), 4);
    Put(out, 14, static_cast<std::uint32_t>(header), 4);
    if (layout.core) {
        Put(out, 18, static_cast<std::uint32_t>(layout.width), 2);
        Put(out, 20, static_cast<std::uint32_t>(layout.height), 2);
        Put(out, 22, 1, 2);
        Put(out, 24, static_cast<std::uint32_t>(layout.bitCount), 2);
    } else {
        Put(out, 18, static_cast<std::uint32_t>(layout.width), 4);
        Put(out, 22, static_cast<std::uint32_t>(layout.height), 4);
        Put(out, 26, 1, 2);
        Put(out, 28, static_cast<std::uint32_t>(layout.bitCount), 2);
        Put(out, 30, layout.compression, 4);
        Put(out, 46, static_cast<std::uint32_t>(layout.palette.size()), 4);
    }
    std::size_t at = 14 + header;
    for (std::uint32_t mask : layout.masks) {
        Put(out, at, mask, 4);
        at += 4;
    }
    for (const Rgb& c : layout.palette) {
        out[at] = static_cast<std::uint8_t>(c.blue);
        out[at + 1] = static_cast<std::uint8_t>(c.green);
        out[at + 2] = static_cast<std::uint8_t>(c.red);
        at += entry;
    }
    std::memcpy(out.data() + offset, layout.pixels.data(), layout.pixels.size());
    return out;
}

const Rgb kRed{255, 0, 0};
const Rgb kGreen{0, 255, 0};
const Rgb kBlue{0, 0, 255};
const Rgb kWhite{255, 255, 255};

CDib Decoded(const Bytes& file) {
    CDib dib;
    EXPECT_TRUE(dib.Decode(file, ImageType::Bmp)) << dib.LastError();
    return dib;
}

} // namespace

TEST(BmpDecode, PaletteDepthsKeepTheirIndicesAndPalette) {
    // 3 x 2, bottom row first in the file: picture row 1 then row 0.
    BmpLayout one{3, 2, 1, 0, false, {kRed, kBlue}, {}, {0b10100000, 0, 0, 0, 0b01000000, 0, 0, 0}};
    CDib dib = Decoded(BuildBmp(one));
    EXPECT_EQ(dib.BitsPerPixel(), 8);
    EXPECT_EQ(PixelAt(dib, 0, 1), kBlue);
    EXPECT_EQ(PixelAt(dib, 1, 1), kRed);
    EXPECT_EQ(PixelAt(dib, 2, 1), kBlue);
    EXPECT_EQ(PixelAt(dib, 1, 0), kBlue);
    EXPECT_EQ(PixelAt(dib, 0, 0), kRed);

    BmpLayout four{3, 1, 4, 0, false, {kRed, kGreen, kBlue}, {}, {0x21, 0x00, 0, 0}};
    dib = Decoded(BuildBmp(four));
    EXPECT_EQ(PixelAt(dib, 0, 0), kBlue);
    EXPECT_EQ(PixelAt(dib, 1, 0), kGreen);
    EXPECT_EQ(PixelAt(dib, 2, 0), kRed);
    // Index 3 lies past the three-entry palette: black, not a read past it.
    four.pixels = {0x30, 0, 0, 0};
    EXPECT_EQ(PixelAt(Decoded(BuildBmp(four)), 0, 0), (Rgb{0, 0, 0}));

    BmpLayout core{2, 1, 8, 0, true, {kRed, kGreen}, {}, {1, 0, 0, 0}};
    dib = Decoded(BuildBmp(core));
    EXPECT_EQ(PixelAt(dib, 0, 0), kGreen);
    EXPECT_EQ(PixelAt(dib, 1, 0), kRed);
}

TEST(BmpDecode, TrueColourDepthsBecome24Bits) {
    // 16-bit 5-5-5: pure red is 0x7C00, white 0x7FFF.
    BmpLayout rgb16{2, 1, 16, 0, false, {}, {}, {0x00, 0x7C, 0xFF, 0x7F}};
    CDib dib = Decoded(BuildBmp(rgb16));
    EXPECT_EQ(dib.BitsPerPixel(), 24);
    EXPECT_EQ(PixelAt(dib, 0, 0), kRed);
    EXPECT_EQ(PixelAt(dib, 1, 0), kWhite);

    // 5-6-5 bit fields: green 0x07E0; mid grey channels scale to 0..255.
    BmpLayout rgb565{2, 1, 16, 3, false, {}, {0xF800, 0x07E0, 0x001F}, {0xE0, 0x07, 0x10, 0x84}};
    dib = Decoded(BuildBmp(rgb565));
    EXPECT_EQ(PixelAt(dib, 0, 0), kGreen);
    EXPECT_EQ(PixelAt(dib, 1, 0), (Rgb{132, 130, 132}));

    // 32-bit plain: blue, green, red, unused.
    BmpLayout rgb32{1, 1, 32, 0, false, {}, {}, {10, 20, 30, 99}};
    EXPECT_EQ(PixelAt(Decoded(BuildBmp(rgb32)), 0, 0), (Rgb{30, 20, 10}));
    // 32-bit bit fields with 10-bit channels and a zero mask.
    BmpLayout wide{1, 1, 32, 3, false, {}, {0x3FF00000, 0x000FFC00, 0}, {0, 0, 0xF0, 0x3F}};
    EXPECT_EQ(PixelAt(Decoded(BuildBmp(wide)), 0, 0), (Rgb{255, 0, 0}));

    // 24-bit top-down: the first row in the file is the top row.
    BmpLayout topDown{1, -2, 24, 0, false, {}, {}, {255, 0, 0, 0, 0, 0, 255, 0}};
    dib = Decoded(BuildBmp(topDown));
    EXPECT_EQ(dib.Height(), 2);
    EXPECT_EQ(PixelAt(dib, 0, 0), kBlue);
    EXPECT_EQ(PixelAt(dib, 0, 1), kRed);
}

TEST(BmpDecode, RleRunsAbsoluteBlocksAndDeltas) {
    // RLE8 4 x 2: row 0 = run of 3 x index 1 + absolute (2), then a delta up.
    BmpLayout rle8{4, 3, 8, 1, false, {kRed, kGreen, kBlue}, {}, {}};
    rle8.pixels = {3, 1, 0, 0,       // three green, end of line
                   0, 3, 2, 1, 2, 0, // absolute: blue green blue (+pad)
                   0, 0,             // end of line
                   0, 2, 1, 0,       // delta: one right
                   1, 2, 0, 1};      // one blue, end of bitmap
    CDib dib = Decoded(BuildBmp(rle8));
    EXPECT_EQ(PixelAt(dib, 0, 2), kGreen);
    EXPECT_EQ(PixelAt(dib, 2, 2), kGreen);
    EXPECT_EQ(PixelAt(dib, 3, 2), kRed); // skipped pixels keep index 0
    EXPECT_EQ(PixelAt(dib, 0, 1), kBlue);
    EXPECT_EQ(PixelAt(dib, 1, 1), kGreen);
    EXPECT_EQ(PixelAt(dib, 1, 0), kBlue);

    // RLE4 alternates the two nibbles of a run.
    BmpLayout rle4{5, 1, 4, 2, false, {kRed, kGreen, kBlue}, {}, {5, 0x12, 0, 1}};
    dib = Decoded(BuildBmp(rle4));
    EXPECT_EQ(PixelAt(dib, 0, 0), kGreen);
    EXPECT_EQ(PixelAt(dib, 1, 0), kBlue);
    EXPECT_EQ(PixelAt(dib, 4, 0), kGreen);
}

TEST(BmpDecode, HostileFilesAreRefusedWithAReason) {
    auto refused = [](const Bytes& file) {
        CDib dib;
        const bool decoded = DecodeBmp(file, dib, DecodeLimits{});
        EXPECT_FALSE(dib.LastError().empty());
        return !decoded;
    };
    // Runs past the row end, past the last row, moves past the picture.
    EXPECT_TRUE(refused(BuildBmp({4, 1, 8, 1, false, {kRed}, {}, {5, 0, 0, 1}})));
    EXPECT_TRUE(refused(BuildBmp({4, 1, 8, 1, false, {kRed}, {}, {0, 0, 1, 0, 0, 1}})));
    EXPECT_TRUE(refused(BuildBmp({4, 1, 8, 1, false, {kRed}, {}, {0, 2, 5, 0, 0, 1}})));
    EXPECT_TRUE(refused(BuildBmp({4, 1, 8, 1, false, {kRed}, {}, {0, 4, 0, 0}}))); // cut short
    EXPECT_TRUE(refused(BuildBmp({4, 1, 8, 1, false, {kRed}, {}, {2, 0}})));       // no end
    // Truncated pixel rows, zero and negative widths, unknown depth.
    EXPECT_TRUE(refused(BuildBmp({4, 4, 24, 0, false, {}, {}, Bytes(47)})));
    EXPECT_TRUE(refused(BuildBmp({0, 4, 24, 0, false, {}, {}, Bytes(48)})));
    EXPECT_TRUE(refused(BuildBmp({-4, 4, 24, 0, false, {}, {}, Bytes(48)})));
    EXPECT_TRUE(refused(BuildBmp({1, 1, 7, 0, false, {}, {}, Bytes(4)})));
    // Sizes whose byte count overflows 32 and 64-bit arithmetic.
    EXPECT_TRUE(refused(BuildBmp({0x7FFFFFFF, 0x7FFFFFFF, 32, 0, false, {}, {}, Bytes(64)})));
    // A pixel buffer past 1 GiB is refused even when RLE could fill it.
    EXPECT_TRUE(refused(BuildBmp({40000, 30000, 8, 1, false, {kRed}, {}, {0, 1}})));
    // A pixel offset past the end of the file.
    Bytes file = BuildBmp({1, 1, 24, 0, false, {}, {}, Bytes(4)});
    Put(file, 10, 5000, 4);
    EXPECT_TRUE(refused(file));
    // A file cut anywhere, in its headers, palette or pixels, is refused
    // with a reason (and, under the sanitizers, never read past its end).
    const Bytes whole = BuildBmp({3, 2, 4, 2, false, {kRed, kBlue}, {}, {3, 0x11, 0, 1}});
    CDib complete;
    ASSERT_TRUE(DecodeBmp(whole, complete, DecodeLimits{}));
    for (std::size_t length = 0; length < whole.size(); ++length) {
        EXPECT_TRUE(
            refused(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length))))
            << "cut at " << length;
    }
}

TEST(BmpEncode, RoundTripsBothDepthsByteForByte) {
    CDib colour = NoisePicture(13, 7);
    std::vector<std::uint8_t> first;
    ASSERT_TRUE(colour.Encode(ImageType::Bmp, first));
    EXPECT_EQ(first.size(), 54u + 40u * 7u);
    CDib back;
    ASSERT_TRUE(back.Decode(first, ImageType::Bmp));
    EXPECT_TRUE(SameColors(colour, back));
    std::vector<std::uint8_t> second;
    ASSERT_TRUE(back.Encode(ImageType::Bmp, second));
    EXPECT_EQ(first, second);

    CDib indexed;
    ASSERT_TRUE(indexed.Create(5, 3, 8));
    const std::vector<RgbQuad> palette = {{1, 2, 3, 0}, {40, 50, 60, 0}, {200, 100, 0, 0}};
    indexed.SetPalette(palette);
    for (int row = 0; row < 3; ++row) {
        for (int x = 0; x < 5; ++x) {
            indexed.Row(row)[x] = static_cast<std::uint8_t>((x + row) % 3);
        }
    }
    ASSERT_TRUE(indexed.Encode(ImageType::Bmp, first));
    ASSERT_TRUE(back.Decode(first, ImageType::Bmp));
    EXPECT_EQ(back.BitsPerPixel(), 8);
    EXPECT_EQ(back.Palette().size(), 3u);
    EXPECT_TRUE(SameColors(indexed, back));
}
