#pragma once

#include "tests/image/ImageTestSupport.h"

#include <cstdint>
#include <string>

// Pictures of every kind the readers take, written with libtiff and libpng
// themselves where our writers make only a few kinds. All share one pattern,
// so the colours a reader must produce follow from the kind alone.

// What the samples are: 1 (grey), 2 (grey, alpha), 3 (RGB) or 4 (RGBA)
// channels of 1, 8 or 16 bits, or 8-bit palette indexes.
struct SampleKind {
    int channels = 1;
    int bits = 8;
    bool palette = false;
    bool paletteAlpha = false; // PNG transparency per palette entry
};

// The colour a reader must show at (x, y): 16-bit levels span the pattern's
// own range, so they map back to the 8-bit pattern; alpha is composited on
// white.
Rgb ExpectedColor(const SampleKind& kind, int x, int y);

struct TiffFixture {
    const char* name;
    SampleKind samples;
    std::uint16_t compression = 1; // COMPRESSION_NONE
    bool tiled = false;
    const char* mode = "w"; // "wb" big-endian, "w8" BigTIFF
    int pages = 1;
    bool ycbcr = false; // JPEG-compressed YCbCr
    int rowsPerStrip = 8;
};
void WriteTiffFixture(const std::string& path, const TiffFixture& fixture, int width, int height);

struct PngFixture {
    const char* name;
    SampleKind samples;
    bool interlaced = false;
};
void WritePngFixture(const std::string& path, const PngFixture& fixture, int width, int height);

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
