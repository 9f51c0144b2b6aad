#pragma once

#include "image/Dib.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

// Windows bitmap files. Reads 1, 2, 4 and 8-bit palette pictures (also RLE4 and
// RLE8), 16-bit (5-5-5 or bit fields), 24-bit and 32-bit (plain or bit
// fields), bottom-up or top-down, with the 12-byte core header, the OS/2 2.x
// headers and the 40/52/56/108/124-byte headers. Palette depths become 8-bit
// pictures with the same palette; 16 and 32 bits become 24 bits (alpha is
// dropped). Every size and offset is checked against the data: a bad file
// fails with a text in `dib.LastError()`, never reads outside `data`.
bool LooksLikeBmp(std::span<const std::uint8_t> data);
bool DecodeBmp(std::span<const std::uint8_t> data, CDib& dib, const DecodeLimits& limits);

// Some pixels of an RLE4 or RLE8 picture, read without decoding it whole: the
// work follows the file and the samples, not the size the header declares
// (a file of a few hundred bytes may declare a hundred million pixels).
struct BmpSamples {
    int width = 0;
    int height = 0;
    std::vector<RgbQuad> palette;
    std::vector<int> rows;             // picture rows, top-down, ascending
    std::vector<int> columns;          // ascending
    std::vector<std::uint8_t> indexes; // palette indexes, rows × columns, row by row
};
// Given the picture's width and height, fills the rows and columns to sample.
using BmpSampleChooser =
    std::function<void(int width, int height, std::vector<int>& rows, std::vector<int>& columns)>;
// False with a text in `error` for another kind of file, a broken one, or
// samples outside the picture or not ascending.
bool SampleBmpRle(std::span<const std::uint8_t> data, const BmpSampleChooser& choose,
                  BmpSamples& out, std::string& error);

// Writes a standard bitmap of the picture's depth (24 bits, or 8 bits with
// its palette), bottom-up, uncompressed, 40-byte header. `out` is replaced.
bool EncodeBmp(const CDib& dib, std::vector<std::uint8_t>& out);
