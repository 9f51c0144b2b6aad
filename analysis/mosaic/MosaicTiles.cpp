#include "analysis/mosaic/MosaicTiles.h"

#include "analysis/mosaic/MosaicParallel.h"
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
    const std::size_t count = pictures.size();
    tiles.detail.resize(count);
    tiles.coarse.resize(count);
    tiles.scales.resize(count);
    std::vector<std::string> errors(count);
    // Decodes picture i into its slots; the first one sets the size and the
    // reductions the others follow.
    const auto load = [&](std::size_t i) {
        CDib picture;
        if (!LoadColourTile(pictures[i], picture, errors[i])) {
            return;
        }
        const cv::Size size(picture.Width(), picture.Height());
        if (i == 0) {
            tiles.size = size;
            const double full = static_cast<double>(size.area()) * static_cast<double>(count);
            tiles.detailFactor = std::max(1.0, std::ceil(std::sqrt(full / budgetBytes)));
            // A whole factor: area reduction by one is a fast path.
            tiles.coarseFactor = std::max(1.0, std::ceil(std::max(size.width, size.height) /
                                                         static_cast<double>(kCoarseSide)));
        } else if (size != tiles.size) {
            errors[i] = "The picture " + pictures[i].string() + " is not the size of the others";
            return;
        }
        tiles.scales[i] = picture.Scale();
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
        tiles.coarse[i] = reduced(tiles.coarseFactor);
        tiles.detail[i] = tiles.detailFactor > 1 ? reduced(tiles.detailFactor) : std::move(grey);
    };
    std::size_t checked = 0;
    const auto after = [&](std::size_t done) {
        for (; checked < done; ++checked) {
            if (!errors[checked].empty()) {
                error = errors[checked];
                return false;
            }
        }
        if (progress && !progress(static_cast<int>(done * 100 / count))) {
            error.clear();
            return false;
        }
        return true;
    };
    load(0);
    if (!after(1)) {
        return false;
    }
    return ForEachInBatches(
        count - 1, BatchSize(), [&](std::size_t k) { load(k + 1); },
        [&](std::size_t done) { return after(done + 1); });
}
