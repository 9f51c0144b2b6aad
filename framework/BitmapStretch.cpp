#include "framework/BitmapStretch.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

std::uint32_t Xrgb(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    return 0xFF000000u | (std::uint32_t{red} << 16) | (std::uint32_t{green} << 8) | blue;
}

std::uint32_t Load32(const std::uint8_t* p) {
    std::uint32_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

void Store32(std::uint8_t* p, std::uint32_t word) {
    std::memcpy(p, &word, sizeof word);
}

// With little-endian words, four pixels move as three 32-bit words of
// blue-green-red bytes, a quarter of the byte loads and stores.
constexpr bool kLittleEndian = std::endian::native == std::endian::little;

#if defined(__x86_64__)
static_assert(sizeof(std::size_t) == 8, "the gather takes the offsets as 64-bit indices");

// Eight stretched pixels per step: each is gathered as the 4 bytes at its
// offset, the fourth of which belongs to the next pixel or the row's end, so
// the caller passes only the leading offsets with 4 bytes left in the row.
__attribute__((target("avx2"))) std::size_t GatherRow24Avx2(const std::uint8_t* row,
                                                            const std::size_t* offsets,
                                                            std::size_t count, std::uint32_t* out) {
    const __m256i colour = _mm256_set1_epi32(0x00FFFFFF);
    const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    const auto* base = reinterpret_cast<const int*>(row);
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i first = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(offsets + i));
        const __m256i second =
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(offsets + i + 4));
        const __m256i pixels =
            _mm256_inserti128_si256(_mm256_castsi128_si256(_mm256_i64gather_epi32(base, first, 1)),
                                    _mm256_i64gather_epi32(base, second, 1), 1);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                            _mm256_or_si256(_mm256_and_si256(pixels, colour), alpha));
    }
    return i;
}
#endif

// One stored row converted at the precomputed source offsets; `contiguous`
// when the columns follow each other from offsets[0] (no horizontal stretch).
// The first `gatherable` offsets have at least 4 bytes of the row from them on.
void ConvertRow24(const std::uint8_t* row, const std::vector<std::size_t>& offsets, bool contiguous,
                  [[maybe_unused]] std::size_t gatherable, std::uint32_t* out) {
    const std::size_t count = offsets.size();
    if (contiguous) {
        BgrToXrgb(row + offsets[0], out, static_cast<int>(count));
        return;
    }
    std::size_t i = 0;
#if defined(__x86_64__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) {
        i = GatherRow24Avx2(row, offsets.data(), gatherable, out);
    }
#endif
    for (; i < count; ++i) {
        const std::uint8_t* p = row + offsets[i];
        out[i] = Xrgb(p[0], p[1], p[2]);
    }
}

void ConvertRow8(const std::uint8_t* row, const std::vector<std::size_t>& offsets, bool contiguous,
                 const std::array<std::uint32_t, 256>& colors, std::uint32_t* out) {
    const std::size_t count = offsets.size();
    if (contiguous) {
        const std::uint8_t* p = row + offsets[0];
        for (std::size_t i = 0; i < count; ++i) {
            out[i] = colors[p[i]];
        }
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = colors[row[offsets[i]]];
    }
}

#if defined(__x86_64__)
// Eight pixels per step: each 128-bit lane loads four pixels (and four bytes
// it does not use) and one shuffle spreads them over four words. The last
// load reaches 16 bytes past its lane's start, so the loop stops while at
// least two pixels are left for the plain loop.
__attribute__((target("avx2"))) int BgrToXrgbAvx2(const std::uint8_t* bgr, std::uint32_t* xrgb,
                                                  int count) {
    const __m256i order = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 0,
                                           1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    int i = 0;
    for (; i + 10 <= count; i += 8) {
        const std::uint8_t* p = bgr + 3 * static_cast<std::size_t>(i);
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 12));
        const __m256i pixels = _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(xrgb + i),
                            _mm256_or_si256(_mm256_shuffle_epi8(pixels, order), alpha));
    }
    return i;
}
#endif

} // namespace

void BgrToXrgb(const std::uint8_t* bgr, std::uint32_t* xrgb, int count) {
    int i = 0;
#if defined(__x86_64__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) {
        i = BgrToXrgbAvx2(bgr, xrgb, count);
    }
#endif
    if constexpr (kLittleEndian) {
        for (; i + 4 <= count; i += 4) {
            const std::uint32_t w0 = Load32(bgr + 3 * i);
            const std::uint32_t w1 = Load32(bgr + 3 * i + 4);
            const std::uint32_t w2 = Load32(bgr + 3 * i + 8);
            xrgb[i] = 0xFF000000u | (w0 & 0xFFFFFFu);
            xrgb[i + 1] = 0xFF000000u | (w0 >> 24) | ((w1 & 0xFFFFu) << 8);
            xrgb[i + 2] = 0xFF000000u | (w1 >> 16) | ((w2 & 0xFFu) << 16);
            xrgb[i + 3] = 0xFF000000u | (w2 >> 8);
        }
    }
    for (; i < count; ++i) {
        const std::uint8_t* p = bgr + 3 * i;
        xrgb[i] = Xrgb(p[0], p[1], p[2]);
    }
}

void XrgbToBgr(const std::uint32_t* xrgb, std::uint8_t* bgr, int count) {
    int i = 0;
    if constexpr (kLittleEndian) {
        for (; i + 4 <= count; i += 4) {
            const std::uint32_t p0 = xrgb[i];
            const std::uint32_t p1 = xrgb[i + 1];
            const std::uint32_t p2 = xrgb[i + 2];
            const std::uint32_t p3 = xrgb[i + 3];
            Store32(bgr + 3 * i, (p0 & 0xFFFFFFu) | (p1 << 24));
            Store32(bgr + 3 * i + 4, ((p1 >> 8) & 0xFFFFu) | (p2 << 16));
            Store32(bgr + 3 * i + 8, ((p2 >> 16) & 0xFFu) | (p3 << 8));
        }
    }
    for (; i < count; ++i) {
        const std::uint32_t pixel = xrgb[i];
        std::uint8_t* p = bgr + 3 * i;
        p[0] = static_cast<std::uint8_t>(pixel);
        p[1] = static_cast<std::uint8_t>(pixel >> 8);
        p[2] = static_cast<std::uint8_t>(pixel >> 16);
    }
}

int StretchSourceIndex(int d, int destLength, int sourceLength) {
    return static_cast<int>((2 * static_cast<std::int64_t>(d) + 1) * sourceLength /
                            (2 * static_cast<std::int64_t>(destLength)));
}

void StretchToXrgb(const CBitmapView& source, int destWidth, int destHeight, const QRect& part,
                   std::uint8_t* out, std::ptrdiff_t outStride) {
    const int bytesPerPixel = source.bitsPerPixel / 8;
    if ((source.bitsPerPixel != 24 && source.bitsPerPixel != 8) || source.bits == nullptr ||
        source.width <= 0 || source.height <= 0 || destWidth <= 0 || destHeight <= 0 ||
        part.isEmpty()) {
        return;
    }
    std::array<std::uint32_t, 256> colors;
    colors.fill(Xrgb(0, 0, 0));
    if (source.bitsPerPixel == 8 && source.palette != nullptr) {
        const int entries = std::min(source.paletteSize, 256);
        for (int i = 0; i < entries; ++i) {
            const std::uint8_t* quad = source.palette + 4 * i;
            colors[i] = Xrgb(quad[0], quad[1], quad[2]);
        }
    }
    std::vector<std::size_t> offsets(static_cast<std::size_t>(part.width()));
    for (int i = 0; i < part.width(); ++i) {
        offsets[i] = static_cast<std::size_t>(bytesPerPixel) *
                     StretchSourceIndex(part.left() + i, destWidth, source.width);
    }
    const bool contiguous = destWidth == source.width;
    // Offsets grow with the column, so those with 4 bytes left lead.
    const std::size_t rowPixelBytes = static_cast<std::size_t>(bytesPerPixel) * source.width;
    const std::size_t gatherable =
        rowPixelBytes < 4
            ? 0
            : static_cast<std::size_t>(
                  std::upper_bound(offsets.begin(), offsets.end(), rowPixelBytes - 4) -
                  offsets.begin());
    const std::size_t rowBytes = offsets.size() * sizeof(std::uint32_t);

    int previousStored = -1;
    const std::uint8_t* previousOut = nullptr;
    for (int r = 0; r < part.height(); ++r) {
        std::uint8_t* target = out + outStride * r;
        const int pictureRow = StretchSourceIndex(part.top() + r, destHeight, source.height);
        const int stored = source.height - 1 - pictureRow;
        if (stored == previousStored) {
            std::memcpy(target, previousOut, rowBytes);
            continue;
        }
        const std::uint8_t* row = source.bits + source.stride * static_cast<std::size_t>(stored);
        auto* pixels = reinterpret_cast<std::uint32_t*>(target);
        if (source.bitsPerPixel == 24) {
            ConvertRow24(row, offsets, contiguous, gatherable, pixels);
        } else {
            ConvertRow8(row, offsets, contiguous, colors, pixels);
        }
        previousStored = stored;
        previousOut = target;
    }
}
