#include "image/ImagePath.h"

#include "image/BmpCodec.h"
#include "image/JpegCodec.h"

#include <algorithm>
#include <string>

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

bool LoadPictureReduced(const std::filesystem::path& path, int, CDib& out) {
    return out.Load(path, ImageTypeForPath(path).value_or(ImageType::Unknown));
}
