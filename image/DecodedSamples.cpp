#include "image/DecodedSamples.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace {

// Reads 16-bit samples as unsigned levels, so signed ones keep their order.
struct Level16 {
    bool signedSamples;
    unsigned operator()(const std::uint8_t* p) const {
        std::uint16_t value;
        std::memcpy(&value, p, sizeof value);
        return signedSamples ? static_cast<unsigned>(value ^ 0x8000u) : value;
    }
};

// 8-bit levels of every sample, with the 16-bit range stretched to 0..255.
class LevelMap {
public:
    explicit LevelMap(const CDecodedSamples& s)
        : m_bits(s.bits)
        , m_level{s.signedSamples} {
        if (m_bits != 16) {
            return;
        }
        const int colours = s.channels == 2 || s.channels == 4 ? s.channels - 1 : s.channels;
        unsigned low = 0xFFFF, high = 0;
        for (int y = 0; y < s.height; ++y) {
            const std::uint8_t* row = s.bytes.data() + s.RowBytes() * y;
            for (int x = 0; x < s.width; ++x) {
                for (int c = 0; c < colours; ++c) {
                    const unsigned v = m_level(row + 2 * (x * s.channels + c));
                    low = std::min(low, v);
                    high = std::max(high, v);
                }
            }
        }
        m_low = low > high ? 0 : low;
        m_range = high > m_low ? high - m_low : 0;
    }
    unsigned Colour(const std::uint8_t* p) const {
        if (m_bits == 8) {
            return *p;
        }
        if (m_range == 0) {
            return m_level(p) > m_low ? 255 : 0;
        }
        return ((m_level(p) - m_low) * 255 + m_range / 2) / m_range;
    }
    unsigned Alpha(const std::uint8_t* p) const {
        return m_bits == 8 ? *p : (m_level(p) * 255 + 32767) / 65535;
    }

private:
    int m_bits;
    Level16 m_level;
    unsigned m_low = 0;
    unsigned m_range = 0;
};

} // namespace

bool CDecodedSamples::Allocate(std::size_t maxBytes, std::string& error) {
    if (width <= 0 || height <= 0 || RowBytes() > maxBytes / static_cast<std::size_t>(height)) {
        error = "Picture too large";
        return false;
    }
    try {
        bytes.assign(RowBytes() * height, 0);
    } catch (const std::bad_alloc&) {
        error = "Out of memory";
        return false;
    }
    return true;
}

void SetGreyPalette(CDib& dib) {
    std::array<RgbQuad, 256> palette;
    for (int i = 0; i < 256; ++i) {
        const auto level = static_cast<std::uint8_t>(i);
        palette[i] = RgbQuad{level, level, level, 0};
    }
    dib.SetPalette(palette);
}

bool SamplesToDib(const CDecodedSamples& s, CDib& dib, std::size_t maxPixelBytes) {
    const bool grey = s.channels <= 2;
    const bool alpha = s.channels == 2 || s.channels == 4;
    if (!dib.Allocate(s.width, s.height, grey ? 8 : 24, maxPixelBytes)) {
        return false;
    }
    if (grey) {
        SetGreyPalette(dib);
    }
    if (s.bits == 8 && !alpha && !s.minIsWhite) {
        // The common case, kept to a copy (grey) or a swap of red and blue.
        for (int y = 0; y < s.height; ++y) {
            const std::uint8_t* in = s.bytes.data() + s.RowBytes() * y;
            std::uint8_t* row = dib.Row(dib.StoredRow(y));
            std::memset(row + s.RowBytes(), 0, dib.Stride() - s.RowBytes());
            if (grey) {
                std::memcpy(row, in, s.RowBytes());
                continue;
            }
            for (int x = 0; x < s.width; ++x, in += 3, row += 3) {
                row[0] = in[2];
                row[1] = in[1];
                row[2] = in[0];
            }
        }
        return true;
    }
    const LevelMap levels(s);
    const int sampleBytes = s.bits / 8;
    const int colours = alpha ? s.channels - 1 : s.channels;
    unsigned out[3] = {0, 0, 0};
    for (int y = 0; y < s.height; ++y) {
        const std::uint8_t* in = s.bytes.data() + s.RowBytes() * y;
        std::uint8_t* row = dib.Row(dib.StoredRow(y));
        std::memset(row, 0, dib.Stride());
        for (int x = 0; x < s.width; ++x, in += s.channels * sampleBytes) {
            for (int c = 0; c < colours; ++c) {
                out[c] = levels.Colour(in + c * sampleBytes);
                if (s.minIsWhite) {
                    out[c] = 255 - out[c];
                }
            }
            if (alpha) {
                const unsigned a = levels.Alpha(in + colours * sampleBytes);
                for (int c = 0; c < colours; ++c) {
                    const unsigned covered =
                        s.premultiplied ? std::min(out[c], a) : (out[c] * a + 127) / 255;
                    out[c] = covered + 255 - a;
                }
            }
            if (grey) {
                row[x] = static_cast<std::uint8_t>(out[0]);
            } else {
                std::uint8_t* pixel = row + 3 * static_cast<std::size_t>(x);
                pixel[0] = static_cast<std::uint8_t>(out[2]);
                pixel[1] = static_cast<std::uint8_t>(out[1]);
                pixel[2] = static_cast<std::uint8_t>(out[0]);
            }
        }
    }
    return true;
}
