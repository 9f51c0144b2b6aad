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

namespace {

#if defined(__x86_64__)
__attribute__((target("avx2"))) inline __m256i Widen16(const std::uint8_t* bytes) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)));
}

// Sixteen samples per step, in SmoothSample's integer form: one multiply-add
// per pair of (before + after, at) words gives the weighted sum.
__attribute__((target("avx2"))) std::size_t SmoothSpanAvx2(const std::uint8_t* before,
                                                           const std::uint8_t* at,
                                                           const std::uint8_t* after,
                                                           std::size_t count, std::uint8_t* out) {
    const __m256i weights = _mm256_set1_epi32((2762 << 16) | 2715);
    const __m256i half = _mm256_set1_epi32(4096);
    std::size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m256i outer = _mm256_add_epi16(Widen16(before + i), Widen16(after + i));
        const __m256i centre = Widen16(at + i);
        // Per 128-bit lane: samples 0-3 and 8-11 low, 4-7 and 12-15 high.
        const __m256i low = _mm256_srli_epi32(
            _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(outer, centre), weights),
                             half),
            13);
        const __m256i high = _mm256_srli_epi32(
            _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(outer, centre), weights),
                             half),
            13);
        const __m256i words = _mm256_packus_epi32(low, high);
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(out + i),
            _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1)));
    }
    return i;
}
#endif

} // namespace

void SmoothSpan(const std::uint8_t* before, const std::uint8_t* at, const std::uint8_t* after,
                std::size_t count, std::uint8_t* out) {
    std::size_t i = 0;
#if defined(__x86_64__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) {
        i = SmoothSpanAvx2(before, at, after, count, out);
    }
#endif
    for (; i < count; ++i) {
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

namespace {

void GreySpanPlain(const std::uint8_t* bgr, std::size_t first, std::size_t count,
                   std::uint8_t* grey) {
    for (std::size_t i = first; i < count; ++i) {
        const int weighted = 59 * bgr[3 * i + 1] + 11 * bgr[3 * i] + 30 * bgr[3 * i + 2];
        grey[i] = static_cast<std::uint8_t>(weighted / 100);
    }
}

#if defined(__x86_64__)
// Eight pixels per step. Each 128-bit lane takes four pixels (one shuffle
// spreads them to blue, green, red, 0 words); multiply-adds give the weighted
// sums w <= 25500 exactly, and w / 100 is (w × 41944) >> 22 for every such w
// (the error stays under 0.006 where the fraction is at most 0.99). A lane
// loads 16 bytes from its first pixel, so the loop leaves at least two pixels
// to the plain loop and never reads past the span.
__attribute__((target("avx2"))) std::size_t GreySpanAvx2(const std::uint8_t* bgr, std::size_t count,
                                                         std::uint8_t* grey) {
    const __m256i order = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 0,
                                           1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m256i weights =
        _mm256_setr_epi8(11, 59, 30, 0, 11, 59, 30, 0, 11, 59, 30, 0, 11, 59, 30, 0, 11, 59, 30, 0,
                         11, 59, 30, 0, 11, 59, 30, 0, 11, 59, 30, 0);
    const __m256i ones = _mm256_set1_epi16(1);
    const __m128i reciprocal = _mm_set1_epi16(static_cast<short>(41944));
    std::size_t i = 0;
    for (; i + 10 <= count; i += 8) {
        const std::uint8_t* p = bgr + 3 * i;
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 12));
        const __m256i pixels = _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
        const __m256i pairs = _mm256_maddubs_epi16(_mm256_shuffle_epi8(pixels, order), weights);
        const __m256i sums = _mm256_madd_epi16(pairs, ones);
        const __m128i words =
            _mm_packus_epi32(_mm256_castsi256_si128(sums), _mm256_extracti128_si256(sums, 1));
        const __m128i levels = _mm_srli_epi16(_mm_mulhi_epu16(words, reciprocal), 6);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(grey + i), _mm_packus_epi16(levels, levels));
    }
    return i;
}
#endif

} // namespace

void GreySpan(const std::uint8_t* bgr, std::size_t count, std::uint8_t* grey) {
    std::size_t done = 0;
#if defined(__x86_64__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) {
        done = GreySpanAvx2(bgr, count, grey);
    }
#endif
    GreySpanPlain(bgr, done, count, grey);
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
