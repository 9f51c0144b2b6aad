#include "browser/ThumbnailDecode.h"

#include "image/BmpCodec.h"
#include "image/ImagePath.h"
#include "image/JpegCodec.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include <QFile>

namespace {

// Larger files are not pictures anyone snapshots; reading them whole to make
// a 60-pixel preview would only stall the loader.
constexpr qint64 kMaxWholeFileBytes = qint64{512} << 20;
// Rows read from each band of picture rows that forms one thumbnail row.
constexpr int kRowsPerBand = 3;
constexpr std::size_t kBmpFileHeader = 14;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;

// Random access to the bytes of a file or of a buffer.
class CByteSource {
public:
    virtual ~CByteSource() = default;
    virtual qint64 Size() const = 0;
    // Fills `out` from `offset`; false when the bytes are not all there.
    virtual bool Read(qint64 offset, std::span<std::uint8_t> out) = 0;
};

class CMemorySource : public CByteSource {
public:
    explicit CMemorySource(std::span<const std::uint8_t> data)
        : m_data(data) {}
    qint64 Size() const override { return static_cast<qint64>(m_data.size()); }
    bool Read(qint64 offset, std::span<std::uint8_t> out) override {
        if (offset < 0 || offset > Size() || static_cast<qint64>(out.size()) > Size() - offset) {
            return false;
        }
        std::memcpy(out.data(), m_data.data() + offset, out.size());
        return true;
    }

private:
    std::span<const std::uint8_t> m_data;
};

class CFileSource : public CByteSource {
public:
    explicit CFileSource(QFile& file)
        : m_file(file) {}
    qint64 Size() const override { return m_file.size(); }
    bool Read(qint64 offset, std::span<std::uint8_t> out) override {
        if (!m_file.seek(offset)) {
            return false;
        }
        const qint64 wanted = static_cast<qint64>(out.size());
        return m_file.read(reinterpret_cast<char*>(out.data()), wanted) == wanted;
    }

private:
    QFile& m_file;
};

std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool Cancelled(const CancelCheck& cancelled) {
    return cancelled && cancelled();
}

// One row of palette indices as BGR in `bgr`, which it returns.
template <typename Color>
const std::uint8_t* PaletteRowToBgr(const std::uint8_t* indices, int width, Color&& color,
                                    std::vector<std::uint8_t>& bgr) {
    for (int x = 0; x < width; ++x) {
        const RgbQuad c = color(indices[x]);
        bgr[3 * static_cast<std::size_t>(x)] = c.blue;
        bgr[3 * static_cast<std::size_t>(x) + 1] = c.green;
        bgr[3 * static_cast<std::size_t>(x) + 2] = c.red;
    }
    return bgr.data();
}

bool Fail(std::string& error, const char* text) {
    error = text;
    return false;
}

bool ThumbnailOfJpeg(std::span<const std::uint8_t> data, CThumbnail& out, std::string& error,
                     const CancelCheck& cancelled) {
    std::optional<CThumbnailShrinker> shrinker;
    int rowsSinceCheck = 0;
    const JpegRowSink sink{[&](int width, int height) {
                               shrinker.emplace(width, height);
                               return !Cancelled(cancelled);
                           },
                           [&](int y, const std::uint8_t* bgr) {
                               shrinker->AddRow(y, bgr);
                               if (++rowsSinceCheck == 64) {
                                   rowsSinceCheck = 0;
                                   return !Cancelled(cancelled);
                               }
                               return true;
                           }};
    if (!DecodeJpegScaled(data, kThumbnailSide, sink, error)) {
        return false;
    }
    out = shrinker->Finish();
    return true;
}

// A picture decoded whole, shrunk afterwards.
CThumbnail ThumbnailOfDib(const CDib& dib) {
    CThumbnailShrinker shrinker(dib.Width(), dib.Height());
    std::vector<std::uint8_t> row(3 * static_cast<std::size_t>(dib.Width()));
    for (int y = 0; y < dib.Height(); ++y) {
        const std::uint8_t* source = dib.Row(dib.StoredRow(y));
        if (dib.BitsPerPixel() == 24) {
            shrinker.AddRow(y, source);
            continue;
        }
        for (int x = 0; x < dib.Width(); ++x) {
            const RgbQuad color = dib.PaletteColor(source[x]);
            row[3 * x] = color.blue;
            row[3 * x + 1] = color.green;
            row[3 * x + 2] = color.red;
        }
        shrinker.AddRow(y, row.data());
    }
    return shrinker.Finish();
}

// Up to `per` evenly spread members of first(i)..first(i + 1) - 1 for each of
// `bins` ranges, ascending.
template <typename First>
std::vector<int> SpreadSamples(int bins, int per, First first) {
    std::vector<int> samples;
    for (int bin = 0; bin < bins; ++bin) {
        const int start = first(bin);
        const int end = std::max(start + 1, first(bin + 1));
        const int count = std::min(per, end - start);
        for (int s = 0; s < count; ++s) {
            samples.push_back(start +
                              static_cast<int>(static_cast<qint64>(end - start) * s / count));
        }
    }
    return samples;
}

// Run-length pictures may declare far more pixels than their file holds, so
// they are read at a few rows and columns per thumbnail pixel instead of
// being decoded whole.
bool ThumbnailOfRleBmp(std::span<const std::uint8_t> data, CThumbnail& out, std::string& error) {
    std::optional<CThumbnailShrinker> shrinker;
    const auto choose = [&](int width, int height, std::vector<int>& rows,
                            std::vector<int>& columns) {
        shrinker.emplace(width, height);
        const int bands = shrinker->TargetRow(height - 1) + 1;
        rows = SpreadSamples(bands, kRowsPerBand,
                             [&](int band) { return shrinker->FirstSourceRow(band); });
        columns = SpreadSamples(shrinker->ColumnBins(), kRowsPerBand,
                                [&](int bin) { return shrinker->FirstSourceColumn(bin); });
    };
    BmpSamples samples;
    if (!SampleBmpRle(data, choose, samples, error)) {
        return false;
    }
    const std::size_t across = samples.columns.size();
    for (std::size_t r = 0; r < samples.rows.size(); ++r) {
        for (std::size_t c = 0; c < across; ++c) {
            const std::uint8_t index = samples.indexes[r * across + c];
            const RgbQuad color =
                index < samples.palette.size() ? samples.palette[index] : RgbQuad{0, 0, 0, 0};
            const std::uint8_t bgr[3] = {color.blue, color.green, color.red};
            shrinker->AddPixel(samples.columns[c], samples.rows[r], bgr);
        }
    }
    out = shrinker->Finish();
    return true;
}

bool ThumbnailOfWholeBmp(CByteSource& source, CThumbnail& out, std::string& error) {
    if (source.Size() > kMaxWholeFileBytes) {
        return Fail(error, "BMP: file too large");
    }
    std::vector<std::uint8_t> data(static_cast<std::size_t>(source.Size()));
    if (!source.Read(0, data)) {
        return Fail(error, "BMP: read error");
    }
    // Any header but the 12-byte core one may announce run-length data, even
    // one too short to be read as an info header.
    if (data.size() >= kBmpFileHeader + 20 && U32(data.data() + 14) != 12 &&
        (U32(data.data() + 30) == kRle8 || U32(data.data() + 30) == kRle4)) {
        return ThumbnailOfRleBmp(data, out, error);
    }
    CDib dib;
    DecodeLimits limits;
    limits.maxPixelBytes = std::size_t{256} << 20;
    if (!DecodeBmp(data, dib, limits)) {
        error = dib.LastError();
        return false;
    }
    out = ThumbnailOfDib(dib);
    return true;
}

// Uncompressed 8, 24 and 32-bit pictures with a plain info header are read a
// few rows per thumbnail row; every other kind goes through the full decoder.
bool ThumbnailOfBmp(CByteSource& source, CThumbnail& out, std::string& error,
                    const CancelCheck& cancelled) {
    std::uint8_t header[kBmpFileHeader + 40];
    if (!source.Read(0, header)) {
        // Too short for an info header: a core-header picture, or junk.
        return ThumbnailOfWholeBmp(source, out, error);
    }
    const std::uint32_t infoSize = U32(header + 14);
    const std::int32_t width = static_cast<std::int32_t>(U32(header + 18));
    const std::int32_t rawHeight = static_cast<std::int32_t>(U32(header + 22));
    const int bitCount = header[28] | header[29] << 8;
    const std::uint32_t compression = U32(header + 30);
    const bool plain = (infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 108 ||
                        infoSize == 124) &&
                       compression == 0 && (bitCount == 8 || bitCount == 24 || bitCount == 32);
    if (!plain) {
        return ThumbnailOfWholeBmp(source, out, error);
    }
    if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN) {
        return Fail(error, "BMP: bad size");
    }
    const int height = rawHeight < 0 ? -rawHeight : rawHeight;
    const qint64 stride = ((static_cast<qint64>(width) * bitCount + 31) / 32) * 4;
    const qint64 pixelOffset = U32(header + 10);
    if (pixelOffset > source.Size() || stride > (source.Size() - pixelOffset) / height) {
        return Fail(error, "BMP: truncated pixel data");
    }
    RgbQuad palette[256];
    if (bitCount == 8) {
        const std::uint32_t used = U32(header + 46);
        const std::size_t entries = used == 0 || used > 256 ? 256 : used;
        std::uint8_t raw[256 * 4] = {};
        const qint64 paletteOffset = static_cast<qint64>(kBmpFileHeader) + infoSize;
        const std::size_t available =
            static_cast<std::size_t>(std::clamp<qint64>((pixelOffset - paletteOffset) / 4, 0, 256));
        if (!source.Read(paletteOffset, std::span(raw, 4 * std::min(entries, available)))) {
            return Fail(error, "BMP: truncated palette");
        }
        for (int i = 0; i < 256; ++i) {
            palette[i] = RgbQuad{raw[4 * i], raw[4 * i + 1], raw[4 * i + 2], 0};
        }
    }
    CThumbnailShrinker shrinker(width, height);
    std::vector<std::uint8_t> stored(static_cast<std::size_t>(stride));
    std::vector<std::uint8_t> bgr(bitCount == 24 ? 0 : 3 * static_cast<std::size_t>(width));
    const int bands = shrinker.TargetRow(height - 1) + 1;
    for (int band = 0; band < bands; ++band) {
        if (Cancelled(cancelled)) {
            return Fail(error, "cancelled");
        }
        const int first = shrinker.FirstSourceRow(band);
        const int end = std::max(first + 1, shrinker.FirstSourceRow(band + 1));
        const int samples = std::min(kRowsPerBand, end - first);
        for (int s = 0; s < samples; ++s) {
            const int y = first + static_cast<int>(static_cast<qint64>(end - first) * s / samples);
            const int storedRow = rawHeight < 0 ? y : height - 1 - y;
            if (!source.Read(pixelOffset + stride * storedRow, stored)) {
                return Fail(error, "BMP: read error");
            }
            const std::uint8_t* row = stored.data();
            if (bitCount == 32) {
                for (int x = 0; x < width; ++x) {
                    std::memcpy(&bgr[3 * static_cast<std::size_t>(x)],
                                &stored[4 * static_cast<std::size_t>(x)], 3);
                }
                row = bgr.data();
            } else if (bitCount == 8) {
                row = PaletteRowToBgr(
                    stored.data(), width, [&](std::uint8_t index) { return palette[index]; }, bgr);
            }
            shrinker.AddRow(y, row);
        }
    }
    out = shrinker.Finish();
    return true;
}

// TIFF (classic and big, either byte order) and PNG go through the image
// library, which reads a large TIFF reduced.
bool IsTiffOrPng(std::span<const std::uint8_t, 4> magic) {
    static constexpr std::uint8_t kPng[4] = {0x89, 'P', 'N', 'G'};
    const bool little =
        magic[0] == 'I' && magic[1] == 'I' && magic[3] == 0 && (magic[2] == 42 || magic[2] == 43);
    const bool big =
        magic[0] == 'M' && magic[1] == 'M' && magic[2] == 0 && (magic[3] == 42 || magic[3] == 43);
    return little || big || std::equal(magic.begin(), magic.end(), kPng);
}

bool ThumbnailOfPicture(const CDib& picture, CThumbnail& out, std::string& error) {
    if (!picture.IsValid()) {
        return Fail(error, "Decode: no picture");
    }
    CThumbnailShrinker shrinker(picture.Width(), picture.Height());
    std::vector<std::uint8_t> bgr(static_cast<std::size_t>(picture.Width()) * 3);
    for (int y = 0; y < picture.Height(); ++y) {
        const std::uint8_t* stored = picture.Row(picture.StoredRow(y));
        const std::uint8_t* row = stored;
        if (picture.BitsPerPixel() == 8) {
            row = PaletteRowToBgr(
                stored, picture.Width(),
                [&](std::uint8_t index) { return picture.PaletteColor(index); }, bgr);
        }
        shrinker.AddRow(y, row);
    }
    out = shrinker.Finish();
    return true;
}

bool MakeThumbnail(CByteSource& source, CThumbnail& out, std::string& error,
                   const CancelCheck& cancelled) {
    std::uint8_t magic[2] = {};
    if (!source.Read(0, magic)) {
        return Fail(error, "Decode: Unknown or wrong format");
    }
    if (magic[0] == 'B' && magic[1] == 'M') {
        return ThumbnailOfBmp(source, out, error, cancelled);
    }
    if (magic[0] == 0xFF && magic[1] == 0xD8) {
        if (source.Size() > kMaxWholeFileBytes) {
            return Fail(error, "JPEG: file too large");
        }
        std::vector<std::uint8_t> data(static_cast<std::size_t>(source.Size()));
        if (!source.Read(0, data)) {
            return Fail(error, "JPEG: read error");
        }
        return ThumbnailOfJpeg(data, out, error, cancelled);
    }
    return Fail(error, "Decode: Unknown or wrong format");
}

} // namespace

bool MakeThumbnailFromFile(const QString& path, CThumbnail& out, std::string& error,
                           const CancelCheck& cancelled) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return Fail(error, "cannot open the file");
    }
    CFileSource source(file);
    std::array<std::uint8_t, 4> magic{};
    if (source.Read(0, magic) && IsTiffOrPng(magic)) {
        CDib picture;
        if (!LoadPictureReduced(std::filesystem::path(QFile::encodeName(path).toStdString()),
                                kThumbnailSide, picture)) {
            error = picture.LastError();
            return false;
        }
        return ThumbnailOfPicture(picture, out, error);
    }
    return MakeThumbnail(source, out, error, cancelled);
}

bool MakeThumbnailFromData(std::span<const std::uint8_t> data, CThumbnail& out, std::string& error,
                           const CancelCheck& cancelled) {
    if (data.size() >= 4 && IsTiffOrPng(data.first<4>())) {
        CDib picture;
        if (!picture.Decode(data, ImageType::Unknown)) {
            error = picture.LastError();
            return false;
        }
        return ThumbnailOfPicture(picture, out, error);
    }
    CMemorySource source(data);
    return MakeThumbnail(source, out, error, cancelled);
}
