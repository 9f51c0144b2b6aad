#include "image/HotLoops.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#if defined(__x86_64__) && !defined(__SANITIZE_THREAD__)
#define MARNELO_HOT __attribute__((target_clones("avx2", "default")))
#else
#define MARNELO_HOT
#endif

namespace {

inline std::uint8_t Clamp(int value) {
    return static_cast<std::uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

} // namespace

MARNELO_HOT
void SmoothSpan(const std::uint8_t* before, const std::uint8_t* at, const std::uint8_t* after,
                std::size_t count, std::uint8_t* out) {
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = SmoothSample(before[i], at[i], after[i]);
    }
}

MARNELO_HOT
void SharpenSpan(const std::uint8_t* below, const std::uint8_t* centre, const std::uint8_t* above,
                 std::size_t begin, std::size_t end, std::size_t step, std::uint8_t* out) {
    for (std::size_t i = begin; i < end; ++i) {
        const int neighbours = below[i - step] + below[i] + below[i + step] + centre[i - step] +
                               centre[i + step] + above[i - step] + above[i] + above[i + step];
        out[i] = Clamp((15 * centre[i] - neighbours) / 7);
    }
}

MARNELO_HOT
void ReliefSpan(const std::uint8_t* below, const std::uint8_t* above, std::size_t begin,
                std::size_t end, std::size_t step, std::uint8_t* out) {
    for (std::size_t i = begin; i < end; ++i) {
        out[i] = Clamp(127 + above[i - step] - below[i + step]);
    }
}

MARNELO_HOT void InvertSpan(std::uint8_t* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(~bytes[i]);
    }
}

// Written as unsigned saturating steps, which the vectoriser turns into
// saturating byte additions; a table lookup per byte cannot be vectorised.
MARNELO_HOT void AddClampedSpan(std::uint8_t* bytes, std::size_t count, int delta) {
    if (delta >= 0) {
        const unsigned step = static_cast<unsigned>(delta > 255 ? 255 : delta);
        for (std::size_t i = 0; i < count; ++i) {
            const unsigned sum = bytes[i] + step;
            bytes[i] = static_cast<std::uint8_t>(sum > 255 ? 255 : sum);
        }
        return;
    }
    const std::uint8_t step = static_cast<std::uint8_t>(delta < -255 ? 255 : -delta);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(bytes[i] > step ? bytes[i] - step : 0);
    }
}

void GreySpan(const std::uint8_t* bgr, std::size_t count, std::uint8_t* grey) {
    for (std::size_t i = 0; i < count; ++i) {
        const int weighted = 59 * bgr[3 * i + 1] + 11 * bgr[3 * i] + 30 * bgr[3 * i + 2];
        grey[i] = static_cast<std::uint8_t>(weighted / 100);
    }
}

MARNELO_HOT
void BoundarySpan(const std::uint8_t* below, const std::uint8_t* centre, const std::uint8_t* above,
                  std::size_t count, std::uint8_t threshold, std::uint8_t* edge) {
    for (std::size_t x = 1; x + 1 < count; ++x) {
        // Bitwise, not short-circuit, so that the loop vectorises.
        const int bright = (below[x - 1] > threshold) | (below[x] > threshold) |
                           (below[x + 1] > threshold) | (centre[x - 1] > threshold) |
                           (centre[x + 1] > threshold) | (above[x - 1] > threshold) |
                           (above[x] > threshold) | (above[x + 1] > threshold);
        edge[x] = static_cast<std::uint8_t>(bright & (centre[x] <= threshold));
    }
}

namespace {

void MirrorRowPlain(const std::uint8_t* in, std::uint8_t* out, int first, int width) {
    for (int x = first; x < width; ++x) {
        const std::uint8_t* from = in + 3 * static_cast<std::size_t>(x);
        std::uint8_t* to = out + 3 * static_cast<std::size_t>(width - 1 - x);
        to[0] = from[0];
        to[1] = from[1];
        to[2] = from[2];
    }
}

#if defined(__x86_64__)
// Five pixels per step: one shuffle reverses their order inside a 16-byte
// register. The shuffled block starts one byte early; that byte is written
// again, correctly, by the next step, which stores below it.
__attribute__((target("ssse3"))) int MirrorRowShuffled(const std::uint8_t* in, std::uint8_t* out,
                                                       int width) {
    const __m128i order = _mm_setr_epi8(0, 12, 13, 14, 9, 10, 11, 6, 7, 8, 3, 4, 5, 0, 1, 2);
    int x = 0;
    for (; x + 6 <= width && 3 * (width - 5 - x) >= 1; x += 5) {
        const __m128i pixels =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 3 * static_cast<std::size_t>(x)));
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(out + 3 * static_cast<std::size_t>(width - 5 - x) - 1),
            _mm_shuffle_epi8(pixels, order));
    }
    return x;
}
#endif

} // namespace

void MirrorRow24(const std::uint8_t* in, std::uint8_t* out, int width) {
    int done = 0;
#if defined(__x86_64__)
    static const bool shuffles = __builtin_cpu_supports("ssse3");
    if (shuffles) {
        done = MirrorRowShuffled(in, out, width);
    }
#endif
    MirrorRowPlain(in, out, done, width);
}
