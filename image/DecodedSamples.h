#pragma once

#include "image/Dib.h"

#include <cstdint>
#include <vector>

// Interleaved samples of a decoded picture, rows top-down, as the TIFF and
// PNG readers produce them before they become a CDib: 1 (grey), 2 (grey,
// alpha), 3 (red, green, blue) or 4 (with alpha) channels of 8 or 16 bits.
struct CDecodedSamples {
    int width = 0;
    int height = 0;
    int channels = 0;
    int bits = 8;
    bool premultiplied = false;      // colour already multiplied by alpha
    bool signedSamples = false;      // 16-bit two's complement
    bool minIsWhite = false;         // grey 0 is white
    std::vector<std::uint8_t> bytes; // 16-bit samples in the machine's byte order

    std::size_t RowBytes() const { return static_cast<std::size_t>(width) * channels * (bits / 8); }
    // Sizes the buffer for width × height after checking it against `maxBytes`.
    bool Allocate(std::size_t maxBytes, std::string& error);
};

// Gives an 8-bit picture the grey palette (entry i is grey level i).
void SetGreyPalette(CDib& dib);

// Makes the picture: grey becomes 8 bits with a grey palette, colour 24 bits;
// 16-bit samples are mapped through the picture's own minimum–maximum range
// (alpha excluded) and alpha is composited on white.
bool SamplesToDib(const CDecodedSamples& samples, CDib& dib, std::size_t maxPixelBytes);
