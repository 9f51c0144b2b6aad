#pragma once

#include "image/Dib.h"
#include "image/PictureScale.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <opencv2/core.hpp>
#include <optional>
#include <string>
#include <vector>

// The pictures of a mosaic as grey copies for registering them: one copy at
// full size when all fit the memory budget (reduced by a whole factor
// otherwise), and a small copy of each for trying every pair cheaply.
struct CGreyTiles {
    cv::Size size;               // of every picture, full size
    std::vector<cv::Mat> detail; // CV_8U, full size divided by detailFactor
    double detailFactor = 1;     // full-size pixels per detail pixel
    std::vector<cv::Mat> coarse; // CV_8U, longer side about kCoarseSide
    double coarseFactor = 1;     // full-size pixels per coarse pixel
    std::vector<std::optional<CPictureScale>> scales;
};

inline constexpr int kCoarseSide = 256;

// Loads every picture once. A missing, unreadable or differently sized picture
// stops it with an error naming the file; `progress` (0..100) returning false
// stops it with an empty error.
bool LoadGreyTiles(const std::vector<std::filesystem::path>& pictures, std::size_t budgetBytes,
                   CGreyTiles& tiles, std::string& error, const std::function<bool(int)>& progress);

// The picture at `path` in 24 bits, or an error naming it.
bool LoadColourTile(const std::filesystem::path& path, CDib& picture, std::string& error);

// A top-down grey copy of a picture.
cv::Mat GreyOf(const CDib& picture);

// The file's name as messages show it.
std::string ShownName(const std::filesystem::path& path);
