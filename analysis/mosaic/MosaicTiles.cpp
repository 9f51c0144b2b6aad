#include "analysis/mosaic/MosaicTiles.h"

#include "image/ImagePath.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

std::string ShownName(const std::filesystem::path& path) {
    return path.filename().string();
}

bool LoadColourTile(const std::filesystem::path& path, CDib& picture, std::string& error) {
    std::error_code code;
    if (!std::filesystem::is_regular_file(path, code)) {
        error = "Picture not found: " + path.string();
        return false;
    }
    if (!picture.Load(path, ImageTypeForPath(path).value_or(ImageType::Unknown)) ||
        !picture.ConvertTo24Bits()) {
        error = "Cannot read the picture " + path.string() + ": " + picture.LastError();
        return false;
    }
    return true;
}

cv::Mat GreyOf(const CDib& picture) {
    cv::Mat grey(picture.Height(), picture.Width(), CV_8U);
    for (int y = 0; y < picture.Height(); ++y) {
        const cv::Mat row(1, picture.Width(), picture.BitsPerPixel() == 8 ? CV_8U : CV_8UC3,
                          const_cast<std::uint8_t*>(picture.Row(picture.StoredRow(y))));
        if (picture.BitsPerPixel() == 8) {
            row.copyTo(grey.row(y));
        } else {
            cv::cvtColor(row, grey.row(y), cv::COLOR_BGR2GRAY);
        }
    }
    return grey;
}

bool LoadGreyTiles(const std::vector<std::filesystem::path>& pictures, std::size_t budgetBytes,
                   CGreyTiles& tiles, std::string& error,
                   const std::function<bool(int)>& progress) {
    tiles = {};
    const int count = static_cast<int>(pictures.size());
    for (int i = 0; i < count; ++i) {
        CDib picture;
        if (!LoadColourTile(pictures[i], picture, error)) {
            return false;
        }
        const cv::Size size(picture.Width(), picture.Height());
        if (i == 0) {
            tiles.size = size;
            const double full = static_cast<double>(size.area()) * count;
            tiles.detailFactor = std::max(1.0, std::ceil(std::sqrt(full / budgetBytes)));
            tiles.coarseFactor =
                std::max(1.0, std::max(size.width, size.height) / static_cast<double>(kCoarseSide));
        } else if (size != tiles.size) {
            error = "The picture " + pictures[i].string() + " is not the size of the others";
            return false;
        }
        tiles.scales.push_back(picture.Scale());
        cv::Mat grey = GreyOf(picture);
        picture.Destroy();
        const auto reduced = [&](double factor) {
            cv::Mat out;
            cv::resize(grey, out,
                       cv::Size(std::max(1, cvRound(size.width / factor)),
                                std::max(1, cvRound(size.height / factor))),
                       0, 0, cv::INTER_AREA);
            return out;
        };
        tiles.coarse.push_back(reduced(tiles.coarseFactor));
        tiles.detail.push_back(tiles.detailFactor > 1 ? reduced(tiles.detailFactor)
                                                      : std::move(grey));
        if (progress && !progress((i + 1) * 100 / count)) {
            error.clear();
            return false;
        }
    }
    return true;
}
