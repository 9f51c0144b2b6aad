#include "image/ImagePath.h"

#include "image/BmpCodec.h"
#include "image/JpegCodec.h"
#include "image/TiffCodec.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

// `in` shrunk by a whole factor so that its longer side is at most `maxSide`,
// each pixel the mean of the block it covers; grey pictures stay grey.
bool Reduce(const CDib& in, int maxSide, CDib& out) {
    const int longer = std::max(in.Width(), in.Height());
    const int factor = std::max(1, (longer + maxSide - 1) / std::max(1, maxSide));
    const bool grey = in.IsGrayScale();
    const int width = (in.Width() + factor - 1) / factor;
    const int height = (in.Height() + factor - 1) / factor;
    if (!out.Create(width, height, grey ? 8 : 24)) {
        return false;
    }
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = out.Row(out.StoredRow(y));
        const int y1 = std::min(in.Height(), (y + 1) * factor);
        for (int x = 0; x < width; ++x) {
            const int x1 = std::min(in.Width(), (x + 1) * factor);
            std::array<unsigned, 3> sum{};
            unsigned count = 0;
            for (int sy = y * factor; sy < y1; ++sy) {
                for (int sx = x * factor; sx < x1; ++sx, ++count) {
                    const RgbQuad c = in.PixelColor(sx, sy);
                    sum[0] += c.blue;
                    sum[1] += c.green;
                    sum[2] += c.red;
                }
            }
            if (grey) {
                row[x] = static_cast<std::uint8_t>((sum[0] + count / 2) / count);
            } else {
                for (int c = 0; c < 3; ++c) {
                    row[3 * x + c] = static_cast<std::uint8_t>((sum[c] + count / 2) / count);
                }
            }
        }
    }
    return true;
}

} // namespace

std::optional<ImageType> ImageTypeForPath(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot + 1 == name.size()) {
        return std::nullopt;
    }
    std::string extension = name.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    if (extension == "bmp") {
        return ImageType::Bmp;
    }
    if (extension == "jpg" || extension == "jpeg") {
        return ImageType::Jpeg;
    }
    if (extension == "png") {
        return ImageType::Png;
    }
    if (extension == "tif" || extension == "tiff") {
        return ImageType::Tiff;
    }
    return ImageType::Unknown;
}

bool EncodeNewPicture(const CDib& picture, ImageType type, QByteArray& out) {
    std::vector<std::uint8_t> encoded;
    const bool encodedOk = type == ImageType::Jpeg
                               ? EncodeJpeg(picture, CDib::kDefaultJpegQuality, encoded)
                               : picture.Encode(type, encoded);
    if (!encodedOk) {
        return false;
    }
    out = QByteArray(reinterpret_cast<const char*>(encoded.data()),
                     static_cast<qsizetype>(encoded.size()));
    return true;
}

bool LoadPictureReduced(const std::filesystem::path& path, int maxSide, CDib& out) {
    const ImageType type = ImageTypeForPath(path).value_or(ImageType::Unknown);
    CDib full;
    // A file named .tif may hold another kind: the full load then sniffs it.
    const bool loaded = (type == ImageType::Tiff && LoadTiffPreviewPage(path, maxSide, full, {})) ||
                        full.Load(path, type);
    if (!loaded) {
        out.Destroy();
        out.SetError(full.LastError());
        return false;
    }
    if (!Reduce(full, maxSide, out)) {
        return false;
    }
    out.SetType(full.Type());
    return true;
}
