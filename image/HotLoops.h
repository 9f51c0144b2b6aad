#pragma once

#include <cstddef>
#include <cstdint>

// The innermost loops of the adjustments, one row span at a time. They are
// compiled twice, for AVX2 and for any x86-64, and the first call picks the
// one the processor runs; results are identical (plain float and integer
// arithmetic, no fused multiply-add).

// The blur of three samples in single precision is
//   (uint8)(side * (before + after) + centre * at + 0.5f)
// with the side and centre weights of SmoothWeights() (the kernel is
// symmetric, so the side samples share their weight). For the 511 x 256
// possible inputs that equals this integer form exactly (a test checks every
// one), which runs several times faster.
inline std::uint8_t SmoothSample(int before, int at, int after) {
    return static_cast<std::uint8_t>((2715 * (before + after) + 2762 * at + 4096) >> 13);
}
void SmoothSpan(const std::uint8_t* before, const std::uint8_t* at, const std::uint8_t* after,
                std::size_t count, std::uint8_t* out);

// Bytes [begin, end) of a row whose taps are all inside the picture; `step`
// is the byte distance of horizontal neighbours. Below and above are the
// stored rows under and over the centre row.
// Sharpen: (15 centre - the 8 neighbours) / 7, clamped.
void SharpenSpan(const std::uint8_t* below, const std::uint8_t* centre, const std::uint8_t* above,
                 std::size_t begin, std::size_t end, std::size_t step, std::uint8_t* out);
// Relief: 127 + upper-left - lower-right, clamped.
void ReliefSpan(const std::uint8_t* below, const std::uint8_t* above, std::size_t begin,
                std::size_t end, std::size_t step, std::uint8_t* out);

// Grey levels (59 green + 11 blue + 30 red) / 100 of `count` BGR pixels.
void GreySpan(const std::uint8_t* bgr, std::size_t count, std::uint8_t* grey);
// edge[x] = 1 where centre[x] is dark (grey <= threshold) and a pixel of the
// 3x3 block around it is bright, for x in [1, count - 1); the rows are grey
// levels of `count` entries.
void BoundarySpan(const std::uint8_t* below, const std::uint8_t* centre, const std::uint8_t* above,
                  std::size_t count, std::uint8_t threshold, std::uint8_t* edge);

// `out` = the `width` BGR pixels of `in` in reverse order; `out` must not
// overlap `in`, and both must have room for one byte past the pixels.
void MirrorRow24(const std::uint8_t* in, std::uint8_t* out, int width);

// Every byte v of the span becomes 255 - v.
void InvertSpan(std::uint8_t* bytes, std::size_t count);
// Every byte v of the span becomes v + delta, clamped to 0..255.
void AddClampedSpan(std::uint8_t* bytes, std::size_t count, int delta);
