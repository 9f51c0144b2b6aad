#include "image/Dib.h"

#include "core/FileWriting.h"
#include "image/BmpCodec.h"
#include "image/JpegCodec.h"
#include "image/PngCodec.h"
#include "image/TiffCodec.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <new>
#include <system_error>

#include <QFile>

namespace {

constexpr const char* kUnknownFormat = "Decode: Unknown or wrong format";

// The kind the data's signature names.
ImageType SniffedType(std::span<const std::uint8_t> data) {
    if (LooksLikeBmp(data)) {
        return ImageType::Bmp;
    }
    if (LooksLikeJpeg(data)) {
        return ImageType::Jpeg;
    }
    if (LooksLikePng(data)) {
        return ImageType::Png;
    }
    if (LooksLikeTiff(data)) {
        return ImageType::Tiff;
    }
    return ImageType::Unknown;
}

} // namespace

CDib::CDib(const CDib& other) {
    CopyFrom(other);
}

CDib& CDib::operator=(const CDib& other) {
    if (this != &other) {
        CopyFrom(other);
    }
    return *this;
}

CDib::~CDib() = default;

std::size_t CDib::StrideFor(int width, int bitsPerPixel) {
    const std::size_t bits =
        static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel);
    return (bits + 31) / 32 * 4;
}

bool CDib::Allocate(int width, int height, int bitsPerPixel, std::size_t maxPixelBytes) {
    if (width <= 0 || height <= 0 || (bitsPerPixel != 8 && bitsPerPixel != 24)) {
        m_error = "Invalid picture size or depth";
        return false;
    }
    const std::size_t stride = StrideFor(width, bitsPerPixel);
    if (stride > maxPixelBytes / static_cast<std::size_t>(height)) {
        m_error = "Picture too large";
        return false;
    }
    const std::size_t size = stride * static_cast<std::size_t>(height);
    if (size > m_capacity) {
        m_bits.reset();
        m_capacity = 0;
        m_bits.reset(new (std::nothrow) std::uint8_t[size]);
        if (!m_bits) {
            m_width = m_height = m_bitsPerPixel = 0;
            m_stride = 0;
            m_error = "Out of memory";
            return false;
        }
        m_capacity = size;
    }
    m_width = width;
    m_height = height;
    m_bitsPerPixel = bitsPerPixel;
    m_stride = stride;
    m_paletteSize = 0;
    m_palette.fill(RgbQuad{});
    m_selection.clear();
    m_selection.shrink_to_fit();
    m_box = SelectionBox{width, 0, height, 0};
    return true;
}

bool CDib::Create(int width, int height, int bitsPerPixel, std::size_t maxPixelBytes) {
    if (!Allocate(width, height, bitsPerPixel, maxPixelBytes)) {
        Destroy();
        return false;
    }
    std::memset(m_bits.get(), 0, ImageSize());
    if (bitsPerPixel == 8) {
        for (int i = 0; i < 256; ++i) {
            const auto level = static_cast<std::uint8_t>(i);
            m_palette[i] = RgbQuad{level, level, level, 0};
        }
        m_paletteSize = 256;
    }
    m_type = ImageType::Unknown;
    m_scale.reset();
    m_pageCount = 1;
    return true;
}

void CDib::Destroy() {
    m_width = m_height = m_bitsPerPixel = 0;
    m_stride = 0;
    m_bits.reset();
    m_capacity = 0;
    m_paletteSize = 0;
    m_palette.fill(RgbQuad{});
    m_selection.clear();
    m_selection.shrink_to_fit();
    m_box = SelectionBox{};
    m_type = ImageType::Unknown;
    m_scale.reset();
    m_pageCount = 1;
}

void CDib::SetPalette(std::span<const RgbQuad> entries) {
    m_paletteSize = std::min<std::size_t>(entries.size(), 256);
    m_palette.fill(RgbQuad{});
    std::copy_n(entries.begin(), m_paletteSize, m_palette.begin());
}

bool CDib::IsGrayScale() const {
    if (m_bitsPerPixel != 8 || m_paletteSize != 256) {
        return false;
    }
    for (int i = 0; i < 256; ++i) {
        const RgbQuad& entry = m_palette[i];
        if (entry.red != i || entry.green != i || entry.blue != i) {
            return false;
        }
    }
    return true;
}

RgbQuad CDib::PixelColor(int x, int pictureY) const {
    const std::uint8_t* row = Row(StoredRow(pictureY));
    if (m_bitsPerPixel == 8) {
        return m_palette[row[x]];
    }
    const std::uint8_t* pixel = row + 3 * static_cast<std::size_t>(x);
    return RgbQuad{pixel[0], pixel[1], pixel[2], 0};
}

void CDib::SelectionClear() {
    std::fill(m_selection.begin(), m_selection.end(), std::uint8_t{0});
    m_box = SelectionBox{m_width, 0, m_height, 0};
}

void CDib::SelectionDelete() {
    m_selection.clear();
    m_selection.shrink_to_fit();
    m_box = SelectionBox{m_width, 0, m_height, 0};
}

void CDib::SelectionAddRect(int x1, int y1, int x2, int y2, std::uint8_t level) {
    if (!IsValid()) {
        return;
    }
    if (m_selection.empty()) {
        m_selection.assign(static_cast<std::size_t>(m_width) * m_height, 0);
        m_box = SelectionBox{m_width, 0, m_height, 0};
    }
    // Picture rows y1..y2 are stored rows height-1-y2 .. height-1-y1.
    const long long left = std::clamp<long long>(std::min(x1, x2), 0, m_width);
    const long long right = std::clamp<long long>(std::max<long long>(x1, x2) + 1, 0, m_width);
    const long long bottom = std::clamp<long long>(m_height - 1LL - std::max(y1, y2), 0, m_height);
    const long long top = std::clamp<long long>(m_height - 1LL - std::min(y1, y2) + 1, 0, m_height);
    if (left >= right || bottom >= top) {
        return;
    }
    m_box.left = std::min(m_box.left, static_cast<int>(left));
    m_box.right = std::max(m_box.right, static_cast<int>(right));
    m_box.bottom = std::min(m_box.bottom, static_cast<int>(bottom));
    m_box.top = std::max(m_box.top, static_cast<int>(top));
    for (long long row = bottom; row < top; ++row) {
        std::uint8_t* mask = m_selection.data() + static_cast<std::size_t>(row) * m_width;
        std::fill(mask + left, mask + right, level);
    }
}

SelectionBox CDib::WorkBox() const {
    if (m_selection.empty()) {
        return SelectionBox{0, m_width, 0, m_height};
    }
    return m_box;
}

bool CDib::CopyFrom(const CDib& other) {
    if (this == &other) {
        return true;
    }
    if (!other.IsValid()) {
        Destroy();
        m_error = other.m_error;
        return true;
    }
    if (!Allocate(other.m_width, other.m_height, other.m_bitsPerPixel, SIZE_MAX)) {
        return false;
    }
    std::memcpy(m_bits.get(), other.m_bits.get(), other.ImageSize());
    m_palette = other.m_palette;
    m_paletteSize = other.m_paletteSize;
    m_selection = other.m_selection;
    m_box = other.m_box;
    m_jpegQuality = other.m_jpegQuality;
    m_background = other.m_background;
    m_type = other.m_type;
    m_scale = other.m_scale;
    m_pageCount = other.m_pageCount;
    m_error = other.m_error;
    return true;
}

void CDib::SwapContent(CDib& other) noexcept {
    std::swap(m_width, other.m_width);
    std::swap(m_height, other.m_height);
    std::swap(m_bitsPerPixel, other.m_bitsPerPixel);
    std::swap(m_stride, other.m_stride);
    std::swap(m_bits, other.m_bits);
    std::swap(m_capacity, other.m_capacity);
    std::swap(m_palette, other.m_palette);
    std::swap(m_paletteSize, other.m_paletteSize);
    std::swap(m_selection, other.m_selection);
    std::swap(m_box, other.m_box);
    std::swap(m_jpegQuality, other.m_jpegQuality);
    std::swap(m_background, other.m_background);
    std::swap(m_type, other.m_type);
    std::swap(m_scale, other.m_scale);
    std::swap(m_pageCount, other.m_pageCount);
    std::swap(m_error, other.m_error);
}

bool CDib::ConvertTo24Bits() {
    if (m_bitsPerPixel == 24) {
        return true;
    }
    CDib wide;
    if (!wide.Allocate(m_width, m_height, 24, SIZE_MAX)) {
        m_error = wide.m_error;
        return false;
    }
    for (int row = 0; row < m_height; ++row) {
        const std::uint8_t* in = Row(row);
        std::uint8_t* out = wide.Row(row);
        for (int x = 0; x < m_width; ++x) {
            const RgbQuad& c = m_palette[in[x]];
            out[0] = c.blue;
            out[1] = c.green;
            out[2] = c.red;
            out += 3;
        }
        std::memset(out, 0, wide.m_stride - 3 * static_cast<std::size_t>(m_width));
    }
    wide.m_selection = std::move(m_selection);
    wide.m_box = m_box;
    wide.m_jpegQuality = m_jpegQuality;
    wide.m_background = m_background;
    wide.m_type = m_type;
    wide.m_scale = m_scale;
    wide.m_pageCount = m_pageCount;
    SwapContent(wide);
    return true;
}

bool CDib::ConvertTo8Bits(std::span<const RgbQuad> palette) {
    if (m_bitsPerPixel != 24 || palette.empty()) {
        return false;
    }
    CDib narrow;
    if (!narrow.Allocate(m_width, m_height, 8, SIZE_MAX)) {
        m_error = narrow.m_error;
        return false;
    }
    narrow.SetPalette(palette);
    // Nearest entry by squared distance, remembered per colour seen.
    std::vector<std::pair<std::uint32_t, std::uint8_t>> cache(4096, {0xFFFFFFFFu, 0});
    const std::size_t entries = narrow.m_paletteSize;
    auto nearest = [&](std::uint8_t b, std::uint8_t g, std::uint8_t r) {
        const std::uint32_t key = b | g << 8 | static_cast<std::uint32_t>(r) << 16;
        auto& slot = cache[(key * 2654435761u) >> 20];
        if (slot.first == key) {
            return slot.second;
        }
        std::uint8_t best = 0;
        int bestDistance = INT32_MAX;
        for (std::size_t i = 0; i < entries; ++i) {
            const RgbQuad& c = narrow.m_palette[i];
            const int db = b - c.blue, dg = g - c.green, dr = r - c.red;
            const int distance = db * db + dg * dg + dr * dr;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = static_cast<std::uint8_t>(i);
            }
        }
        slot = {key, best};
        return best;
    };
    for (int row = 0; row < m_height; ++row) {
        const std::uint8_t* in = Row(row);
        std::uint8_t* out = narrow.Row(row);
        for (int x = 0; x < m_width; ++x, in += 3) {
            out[x] = nearest(in[0], in[1], in[2]);
        }
        std::memset(out + m_width, 0, narrow.m_stride - static_cast<std::size_t>(m_width));
    }
    narrow.m_selection = std::move(m_selection);
    narrow.m_box = m_box;
    narrow.m_jpegQuality = m_jpegQuality;
    narrow.m_background = m_background;
    narrow.m_type = m_type;
    narrow.m_scale = m_scale;
    narrow.m_pageCount = m_pageCount;
    SwapContent(narrow);
    return true;
}

bool CDib::DecodeAs(std::span<const std::uint8_t> data, ImageType type,
                    const DecodeLimits& limits) {
    switch (type) {
    case ImageType::Bmp:
        return DecodeBmp(data, *this, limits);
    case ImageType::Jpeg:
        return DecodeJpeg(data, *this, limits);
    case ImageType::Png:
        return DecodePng(data, *this, limits);
    case ImageType::Tiff:
        return DecodeTiff(data, *this, limits);
    case ImageType::Unknown:
        if (SniffedType(data) != ImageType::Unknown) {
            return DecodeAs(data, SniffedType(data), limits);
        }
        break;
    }
    m_error = kUnknownFormat;
    return false;
}

bool CDib::Decode(std::span<const std::uint8_t> data, ImageType type, const DecodeLimits& limits) {
    m_scale.reset();
    m_pageCount = 1;
    bool decoded = DecodeAs(data, type, limits);
    // A file named for one type may hold another; decoding it as unknown
    // would only repeat the same codec otherwise.
    const ImageType sniffed = SniffedType(data);
    if (!decoded && type != ImageType::Unknown && sniffed != ImageType::Unknown &&
        sniffed != type) {
        decoded = DecodeAs(data, sniffed, limits);
    }
    if (!decoded) {
        const std::string error = m_error;
        Destroy();
        m_error = error.empty() ? kUnknownFormat : error;
        return false;
    }
    m_error.clear();
    return true;
}

bool CDib::Load(const std::filesystem::path& path, ImageType type) {
    std::ifstream file(path, std::ios::binary);
    std::vector<std::uint8_t> data;
    if (file) {
        file.seekg(0, std::ios::end);
        const std::streamoff size = file.tellg();
        file.seekg(0, std::ios::beg);
        if (size >= 0) {
            data.resize(static_cast<std::size_t>(size));
            file.read(reinterpret_cast<char*>(data.data()), size);
        }
    }
    if (!file) {
        Destroy();
        m_error = "Cannot read the file";
        return false;
    }
    return Decode(data, type);
}

bool CDib::Encode(ImageType type, std::vector<std::uint8_t>& out) const {
    if (!IsValid()) {
        m_error = "No picture";
        return false;
    }
    switch (type) {
    case ImageType::Bmp:
        return EncodeBmp(*this, out);
    case ImageType::Jpeg:
        return EncodeJpeg(*this, m_jpegQuality, out);
    case ImageType::Png:
        return EncodePng(*this, out);
    case ImageType::Tiff:
        return EncodeTiff(*this, out);
    case ImageType::Unknown:
        break;
    }
    m_error = "Encode: Unknown format";
    return false;
}

bool CDib::Save(const std::filesystem::path& path, ImageType type) const {
    std::vector<std::uint8_t> data;
    if (!Encode(type, data)) {
        return false;
    }
    // Written aside and renamed, so a failed save leaves the old file intact.
    const QByteArray bytes(reinterpret_cast<const char*>(data.data()),
                           static_cast<qsizetype>(data.size()));
    if (!WriteFileWhole(QFile::decodeName(path.c_str()), bytes)) {
        m_error = "Cannot write the file";
        return false;
    }
    return true;
}
