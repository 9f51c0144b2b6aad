#include "image/BmpCodec.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kAlphaBitFields = 6;

std::uint16_t U16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
void Put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

// What the headers say, after validation.
struct BmpInfo {
    int width = 0;
    int height = 0; // rows, positive
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t masks[3] = {0, 0, 0}; // red, green, blue
    std::size_t pixelOffset = 0;
};

// One colour channel of a bit-field pixel, scaled to 0..255.
class Channel {
public:
    explicit Channel(std::uint32_t mask)
        : m_mask(mask) {
        if (mask == 0) {
            return;
        }
        m_shift = std::countr_zero(mask);
        const std::uint32_t max = mask >> m_shift;
        if (max <= 0xFFFF) {
            m_table.resize(max + 1);
            for (std::uint32_t v = 0; v <= max; ++v) {
                m_table[v] = static_cast<std::uint8_t>((v * 255ull + max / 2) / max);
            }
        } else {
            m_wideMax = max;
        }
    }
    std::uint8_t operator()(std::uint32_t pixel) const {
        if (m_mask == 0) {
            return 0;
        }
        const std::uint32_t v = (pixel & m_mask) >> m_shift;
        if (m_wideMax != 0) {
            return static_cast<std::uint8_t>((v * 255ull + m_wideMax / 2) / m_wideMax);
        }
        return m_table[v];
    }

private:
    std::uint32_t m_mask;
    int m_shift = 0;
    std::uint32_t m_wideMax = 0;
    std::vector<std::uint8_t> m_table;
};

bool Fail(CDib& dib, const char* text) {
    dib.SetError(text);
    return false;
}

bool ReadHeaders(std::span<const std::uint8_t> data, CDib& dib, BmpInfo& info,
                 std::vector<RgbQuad>& palette) {
    const std::size_t size = data.size();
    const std::uint8_t* p = data.data();
    if (size < kFileHeaderSize + 4) {
        return Fail(dib, "BMP: file too short");
    }
    const std::uint32_t offBits = U32(p + 10);
    const std::uint32_t headerSize = U32(p + 14);
    const bool core = headerSize == 12;
    const bool windows = headerSize == 40 || headerSize == 52 || headerSize == 56 ||
                         headerSize == 108 || headerSize == 124;
    const bool os2 = !windows && headerSize >= 16 && headerSize <= 64;
    if (!core && !windows && !os2) {
        return Fail(dib, "BMP: unknown header size");
    }
    if (size < kFileHeaderSize + headerSize) {
        return Fail(dib, "BMP: truncated header");
    }
    const std::uint8_t* h = p + kFileHeaderSize;
    auto field = [&](std::uint32_t at) {
        return at + 4 <= headerSize ? U32(h + at) : 0u;
    };
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t colorsUsed = 0;
    if (core) {
        width = U16(h + 4);
        height = U16(h + 6);
        info.bitCount = U16(h + 10);
    } else {
        width = static_cast<std::int32_t>(U32(h + 4));
        height = static_cast<std::int32_t>(U32(h + 8));
        info.bitCount = U16(h + 14);
        info.compression = field(16);
        colorsUsed = field(32);
    }
    if (width <= 0 || height == 0 || height == std::numeric_limits<std::int32_t>::min()) {
        return Fail(dib, "BMP: invalid picture size");
    }
    info.width = static_cast<int>(width);
    info.topDown = height < 0;
    info.height = static_cast<int>(height < 0 ? -height : height);

    const int bits = info.bitCount;
    const std::uint32_t c = info.compression;
    const bool palettised = bits == 1 || bits == 2 || bits == 4 || bits == 8;
    bool supported = false;
    if (c == kRgb) {
        supported = palettised || bits == 16 || bits == 24 || bits == 32;
    } else if (c == kRle8 || c == kRle4) {
        supported = bits == (c == kRle8 ? 8 : 4) && !info.topDown;
    } else if ((c == kBitFields || c == kAlphaBitFields) && !os2) {
        supported = bits == 16 || bits == 32;
    }
    if (!supported) {
        return Fail(dib, "BMP: unsupported depth or compression");
    }

    std::size_t paletteStart = kFileHeaderSize + headerSize;
    if (c == kBitFields || c == kAlphaBitFields) {
        if (headerSize >= 52) {
            info.masks[0] = U32(h + 40);
            info.masks[1] = U32(h + 44);
            info.masks[2] = U32(h + 48);
        } else {
            const std::size_t maskBytes = c == kAlphaBitFields ? 16 : 12;
            if (size < paletteStart + maskBytes) {
                return Fail(dib, "BMP: truncated header");
            }
            info.masks[0] = U32(p + paletteStart);
            info.masks[1] = U32(p + paletteStart + 4);
            info.masks[2] = U32(p + paletteStart + 8);
            paletteStart += maskBytes;
        }
    } else if (bits == 16) {
        info.masks[0] = 0x7C00;
        info.masks[1] = 0x03E0;
        info.masks[2] = 0x001F;
    } else if (bits == 32) {
        info.masks[0] = 0xFF0000;
        info.masks[1] = 0xFF00;
        info.masks[2] = 0xFF;
    }

    if (offBits != 0 && (offBits < paletteStart || offBits > size)) {
        return Fail(dib, "BMP: pixel data offset outside the file");
    }
    std::size_t pixelOffset = offBits != 0 ? offBits : paletteStart;
    if (palettised) {
        const std::size_t entrySize = core ? 3 : 4;
        std::size_t count = std::size_t{1} << bits;
        if (colorsUsed != 0 && colorsUsed < count) {
            count = colorsUsed;
        }
        // The palette ends where the pixels start when the offset says so.
        const std::size_t room = (offBits != 0 ? offBits : size) - paletteStart;
        if (room / entrySize < count) {
            count = room / entrySize;
        }
        if (count == 0) {
            return Fail(dib, "BMP: missing palette");
        }
        palette.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* e = p + paletteStart + i * entrySize;
            palette[i] = RgbQuad{e[0], e[1], e[2], 0};
        }
        if (offBits == 0) {
            pixelOffset = paletteStart + count * entrySize;
        }
    }
    if (pixelOffset > size) {
        return Fail(dib, "BMP: pixel data offset outside the file");
    }
    info.pixelOffset = pixelOffset;
    return true;
}

// Walks the runs and escapes of RLE8/RLE4, handing each stretch of pixels to
// put(storedRow, x, count, pixel) where pixel(i) is the index of its i-th
// pixel. Rows count up from the bottom, as stored.
template <typename Put>
bool WalkRle(std::span<const std::uint8_t> data, const BmpInfo& info, CDib& dib, Put&& put) {
    const bool four = info.compression == kRle4;
    const std::uint8_t* p = data.data() + info.pixelOffset;
    const std::uint8_t* end = data.data() + data.size();
    long long x = 0;
    long long y = 0;
    const long long width = info.width;
    const long long height = info.height;
    while (true) {
        if (end - p < 2) {
            return Fail(dib, "BMP: truncated RLE data");
        }
        const unsigned count = p[0];
        const unsigned code = p[1];
        p += 2;
        if (count > 0) {
            if (y >= height || x + count > width) {
                return Fail(dib, "BMP: RLE run past the end of a row");
            }
            const std::uint8_t pair[2] = {static_cast<std::uint8_t>(four ? code >> 4 : code),
                                          static_cast<std::uint8_t>(four ? code & 15 : code)};
            put(static_cast<int>(y), static_cast<int>(x), count,
                [&pair](unsigned i) { return pair[i & 1]; });
            x += count;
            continue;
        }
        if (code == 0) {
            x = 0;
            ++y;
        } else if (code == 1) {
            return true;
        } else if (code == 2) {
            if (end - p < 2) {
                return Fail(dib, "BMP: truncated RLE data");
            }
            x += p[0];
            y += p[1];
            p += 2;
            if (x > width || y > height) {
                return Fail(dib, "BMP: RLE move past the picture");
            }
        } else {
            const std::size_t bytes = four ? (code + 1) / 2 : code;
            const std::size_t padded = (bytes + 1) & ~std::size_t{1};
            if (static_cast<std::size_t>(end - p) < padded) {
                return Fail(dib, "BMP: truncated RLE data");
            }
            if (y >= height || x + code > width) {
                return Fail(dib, "BMP: RLE run past the end of a row");
            }
            const std::uint8_t* literal = p;
            put(static_cast<int>(y), static_cast<int>(x), code, [literal, four](unsigned i) {
                return static_cast<std::uint8_t>(
                    four ? ((i & 1) ? literal[i / 2] & 15 : literal[i / 2] >> 4) : literal[i]);
            });
            x += code;
            p += padded;
        }
    }
}

// RLE8/RLE4 into an 8-bit picture whose pixels are 0.
bool DecodeRle(std::span<const std::uint8_t> data, const BmpInfo& info, CDib& dib) {
    return WalkRle(data, info, dib, [&dib](int y, int x, unsigned count, auto pixel) {
        std::uint8_t* out = dib.Row(y) + x;
        for (unsigned i = 0; i < count; ++i) {
            out[i] = pixel(i);
        }
    });
}

void ExpandPacked(const std::uint8_t* in, std::uint8_t* out, int width, int bits) {
    if (bits == 8) {
        std::memcpy(out, in, static_cast<std::size_t>(width));
        return;
    }
    const int perByte = 8 / bits;
    const unsigned mask = (1u << bits) - 1;
    for (int x = 0; x < width; ++x) {
        const int shift = 8 - bits * (x % perByte + 1);
        out[x] = static_cast<std::uint8_t>((in[x / perByte] >> shift) & mask);
    }
}

bool DecodeRows(std::span<const std::uint8_t> data, const BmpInfo& info, CDib& dib) {
    const std::size_t srcStride = CDib::StrideFor(info.width, info.bitCount);
    const std::size_t available = data.size() - info.pixelOffset;
    // The last row need not carry its padding.
    const std::size_t lastRow = (static_cast<std::size_t>(info.width) * info.bitCount + 7) / 8;
    if (static_cast<std::size_t>(info.height - 1) >
            (available - std::min(available, lastRow)) / srcStride ||
        available < lastRow) {
        return Fail(dib, "BMP: truncated pixel data");
    }
    const std::uint8_t* base = data.data() + info.pixelOffset;
    const std::size_t dstStride = dib.Stride();
    const int width = info.width;
    const std::size_t used = dib.BitsPerPixel() == 8 ? static_cast<std::size_t>(width)
                                                     : 3 * static_cast<std::size_t>(width);
    const Channel red(info.masks[0]);
    const Channel green(info.masks[1]);
    const Channel blue(info.masks[2]);
    const bool plain32 = info.bitCount == 32 && info.masks[0] == 0xFF0000 &&
                         info.masks[1] == 0xFF00 && info.masks[2] == 0xFF;
    for (int row = 0; row < info.height; ++row) {
        const std::uint8_t* in = base + srcStride * static_cast<std::size_t>(row);
        std::uint8_t* out = dib.Row(info.topDown ? info.height - 1 - row : row);
        switch (info.bitCount) {
        case 24:
            std::memcpy(out, in, used);
            break;
        case 32:
            if (plain32) {
                for (int x = 0; x < width; ++x) {
                    out[3 * x] = in[4 * x];
                    out[3 * x + 1] = in[4 * x + 1];
                    out[3 * x + 2] = in[4 * x + 2];
                }
            } else {
                for (int x = 0; x < width; ++x) {
                    const std::uint32_t v = U32(in + 4 * x);
                    out[3 * x] = blue(v);
                    out[3 * x + 1] = green(v);
                    out[3 * x + 2] = red(v);
                }
            }
            break;
        case 16:
            for (int x = 0; x < width; ++x) {
                const std::uint32_t v = U16(in + 2 * x);
                out[3 * x] = blue(v);
                out[3 * x + 1] = green(v);
                out[3 * x + 2] = red(v);
            }
            break;
        default:
            ExpandPacked(in, out, width, info.bitCount);
            break;
        }
        std::memset(out + used, 0, dstStride - used);
    }
    return true;
}

} // namespace

bool LooksLikeBmp(std::span<const std::uint8_t> data) {
    return data.size() >= 2 && data[0] == 'B' && data[1] == 'M';
}

bool DecodeBmp(std::span<const std::uint8_t> data, CDib& dib, const DecodeLimits& limits) {
    if (!LooksLikeBmp(data)) {
        return Fail(dib, "Decode: Unknown or wrong format");
    }
    BmpInfo info;
    std::vector<RgbQuad> palette;
    if (!ReadHeaders(data, dib, info, palette)) {
        return false;
    }
    const int depth = info.bitCount <= 8 ? 8 : 24;
    if (!dib.Allocate(info.width, info.height, depth, limits.maxPixelBytes)) {
        return false;
    }
    dib.SetPalette(palette);
    dib.SetType(ImageType::Bmp);
    if (info.compression == kRle8 || info.compression == kRle4) {
        // Pixels that the runs skip keep index 0.
        std::memset(dib.Bits(), 0, dib.ImageSize());
        return DecodeRle(data, info, dib);
    }
    return DecodeRows(data, info, dib);
}

bool SampleBmpRle(std::span<const std::uint8_t> data, const BmpSampleChooser& choose,
                  BmpSamples& out, std::string& error) {
    CDib scratch; // carries the error text
    BmpInfo info;
    out = BmpSamples{};
    if (!LooksLikeBmp(data) || !ReadHeaders(data, scratch, info, out.palette)) {
        error = LooksLikeBmp(data) ? scratch.LastError() : "Decode: Unknown or wrong format";
        return false;
    }
    if (info.compression != kRle8 && info.compression != kRle4) {
        error = "BMP: not run-length encoded";
        return false;
    }
    out.width = info.width;
    out.height = info.height;
    choose(info.width, info.height, out.rows, out.columns);
    const auto sorted = [](const std::vector<int>& v, int limit) {
        return std::is_sorted(v.begin(), v.end()) &&
               std::adjacent_find(v.begin(), v.end()) == v.end() &&
               (v.empty() || (v.front() >= 0 && v.back() < limit));
    };
    if (!sorted(out.rows, info.height) || !sorted(out.columns, info.width)) {
        error = "BMP: bad samples";
        return false;
    }
    const std::size_t across = out.columns.size();
    out.indexes.assign(out.rows.size() * across, 0);
    const bool walked = WalkRle(data, info, scratch, [&](int y, int x, unsigned count, auto pixel) {
        // Stored rows count up from the bottom; samples from the top.
        const auto row = std::lower_bound(out.rows.begin(), out.rows.end(), info.height - 1 - y);
        if (row == out.rows.end() || *row != info.height - 1 - y) {
            return;
        }
        std::uint8_t* target = out.indexes.data() + (row - out.rows.begin()) * across;
        for (auto column = std::lower_bound(out.columns.begin(), out.columns.end(), x);
             column != out.columns.end() && *column < x + static_cast<long long>(count); ++column) {
            target[column - out.columns.begin()] = pixel(static_cast<unsigned>(*column - x));
        }
    });
    if (!walked) {
        error = scratch.LastError();
    }
    return walked;
}

bool EncodeBmp(const CDib& dib, std::vector<std::uint8_t>& out) {
    if (!dib.IsValid()) {
        dib.SetError("No picture");
        return false;
    }
    const bool indexed = dib.BitsPerPixel() == 8;
    const std::size_t entries = indexed ? (dib.Palette().empty() ? 256 : dib.Palette().size()) : 0;
    const std::size_t offset = kFileHeaderSize + 40 + 4 * entries;
    const std::size_t total = offset + dib.ImageSize();
    if (total > std::numeric_limits<std::uint32_t>::max()) {
        dib.SetError("BMP: picture too large for a bitmap file");
        return false;
    }
    out.resize(total);
    std::uint8_t* p = out.data();
    std::memset(p, 0, offset);
    p[0] = 'B';
    p[1] = 'M';
    Put32(p + 2, static_cast<std::uint32_t>(total));
    Put32(p + 10, static_cast<std::uint32_t>(offset));
    std::uint8_t* h = p + kFileHeaderSize;
    Put32(h, 40);
    Put32(h + 4, static_cast<std::uint32_t>(dib.Width()));
    Put32(h + 8, static_cast<std::uint32_t>(dib.Height()));
    Put16(h + 12, 1);
    Put16(h + 14, static_cast<std::uint32_t>(dib.BitsPerPixel()));
    Put32(h + 20, static_cast<std::uint32_t>(dib.ImageSize()));
    Put32(h + 32, static_cast<std::uint32_t>(entries));
    for (std::size_t i = 0; i < entries && i < dib.Palette().size(); ++i) {
        const RgbQuad& c = dib.Palette()[i];
        std::uint8_t* e = h + 40 + 4 * i;
        e[0] = c.blue;
        e[1] = c.green;
        e[2] = c.red;
    }
    std::memcpy(p + offset, dib.Bits(), dib.ImageSize());
    return true;
}
