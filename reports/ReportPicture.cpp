#include "reports/ReportPicture.h"

#include "image/Dib.h"

#include <cstdint>
#include <limits>
#include <new>
#include <zlib.h>

namespace {

void AppendBigEndian(QByteArray& out, std::uint32_t value) {
    out.append(static_cast<char>(value >> 24));
    out.append(static_cast<char>(value >> 16));
    out.append(static_cast<char>(value >> 8));
    out.append(static_cast<char>(value));
}

void AppendLittleEndian(QByteArray& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.append(static_cast<char>(value >> (8 * i)));
    }
}

void AppendChunk(QByteArray& out, const char* type, const QByteArray& data) {
    AppendBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const qsizetype start = out.size();
    out.append(type, 4);
    out.append(data);
    const auto* bytes = reinterpret_cast<const Bytef*>(out.constData() + start);
    AppendBigEndian(
        out, static_cast<std::uint32_t>(crc32(0, bytes, static_cast<uInt>(out.size() - start))));
}

// Picture row y (0 = top) as blue, green, red triples.
void BgrRow(const CDib& picture, int y, std::uint8_t* out) {
    const int width = picture.Width();
    if (picture.BitsPerPixel() == 24) {
        const std::uint8_t* row = picture.Row(picture.StoredRow(y));
        std::copy(row, row + 3 * static_cast<std::size_t>(width), out);
        return;
    }
    for (int x = 0; x < width; ++x) {
        const RgbQuad color = picture.PixelColor(x, y);
        out[3 * x] = color.blue;
        out[3 * x + 1] = color.green;
        out[3 * x + 2] = color.red;
    }
}

bool Usable(const CDib& picture) {
    return picture.IsValid() && (picture.BitsPerPixel() == 24 || picture.BitsPerPixel() == 8);
}

} // namespace

QByteArray EncodeReportPng(const CDib& picture) {
    if (!Usable(picture)) {
        return {};
    }
    try {
        const int width = picture.Width();
        const int height = picture.Height();
        const std::size_t rowBytes = 1 + 3 * static_cast<std::size_t>(width);
        std::vector<std::uint8_t> raw(rowBytes * static_cast<std::size_t>(height));
        std::vector<std::uint8_t> bgr(3 * static_cast<std::size_t>(width));
        for (int y = 0; y < height; ++y) {
            std::uint8_t* out = raw.data() + rowBytes * static_cast<std::size_t>(y);
            out[0] = 0; // no filter
            BgrRow(picture, y, bgr.data());
            for (int x = 0; x < width; ++x) {
                out[1 + 3 * x] = bgr[3 * x + 2];
                out[2 + 3 * x] = bgr[3 * x + 1];
                out[3 + 3 * x] = bgr[3 * x];
            }
        }
        uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
        QByteArray packed(static_cast<qsizetype>(packedSize), Qt::Uninitialized);
        // Fast compression: the report file is zipped again, and a large
        // picture must not keep the user waiting.
        if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, raw.data(),
                      static_cast<uLong>(raw.size()), Z_BEST_SPEED) != Z_OK) {
            return {};
        }
        packed.truncate(static_cast<qsizetype>(packedSize));

        QByteArray png("\x89PNG\r\n\x1a\n", 8);
        QByteArray header;
        AppendBigEndian(header, static_cast<std::uint32_t>(width));
        AppendBigEndian(header, static_cast<std::uint32_t>(height));
        header.append("\x08\x02\x00\x00\x00",
                      5); // 8 bits, RGB, deflate, no filter set, no interlace
        AppendChunk(png, "IHDR", header);
        AppendChunk(png, "IDAT", packed);
        AppendChunk(png, "IEND", QByteArray());
        return png;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

QByteArray EncodeReportDib(const CDib& picture) {
    if (!Usable(picture)) {
        return {};
    }
    const int width = picture.Width();
    const int height = picture.Height();
    const std::size_t stride = CDib::StrideFor(width, 24);
    const std::size_t size = 40 + stride * static_cast<std::size_t>(height);
    if (size > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        return {};
    }
    try {
        QByteArray dib;
        dib.reserve(static_cast<qsizetype>(size));
        AppendLittleEndian(dib, 40, 4);
        AppendLittleEndian(dib, static_cast<std::uint32_t>(width), 4);
        AppendLittleEndian(dib, static_cast<std::uint32_t>(height), 4);
        AppendLittleEndian(dib, 1, 2);  // planes
        AppendLittleEndian(dib, 24, 2); // bits per pixel
        AppendLittleEndian(dib, 0, 4);  // no compression
        AppendLittleEndian(dib, static_cast<std::uint32_t>(size - 40), 4);
        AppendLittleEndian(dib, 3780, 4); // 96 dpi
        AppendLittleEndian(dib, 3780, 4);
        AppendLittleEndian(dib, 0, 4);
        AppendLittleEndian(dib, 0, 4);
        std::vector<std::uint8_t> row(stride, 0);
        for (int stored = 0; stored < height; ++stored) {
            BgrRow(picture, height - 1 - stored, row.data());
            dib.append(reinterpret_cast<const char*>(row.data()), static_cast<qsizetype>(stride));
        }
        return dib;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

bool PngSize(const QByteArray& png, int& width, int& height) {
    if (png.size() < 24 || !png.startsWith("\x89PNG\r\n\x1a\n") || png.mid(12, 4) != "IHDR") {
        return false;
    }
    const auto read = [&png](int at) {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value = (value << 8) | static_cast<std::uint8_t>(png[at + i]);
        }
        return value;
    };
    const std::uint32_t w = read(16);
    const std::uint32_t h = read(20);
    if (w == 0 || h == 0 || w > 0x7fffffffU || h > 0x7fffffffU) {
        return false;
    }
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}
