#pragma once

#include <filesystem>
#include <opencv2/core.hpp>
#include <vector>

// Scenes and tiles for the stitching tests: a texture with the 1/f spectrum
// of natural pictures, tiles cut from it at sub-pixel positions, and the
// faults of real cameras (vignetting, exposure, noise, JPEG).

// A colour (BGR, CV_8UC3) texture whose amplitude falls as 1/f^slope;
// `blur` > 0 smooths it further (a low-texture scene) and `contrast` scales
// the structure about mid-grey.
cv::Mat NaturalScene(cv::Size size, unsigned seed, double slope = 1.0, double blur = 0,
                     double contrast = 1.0);

struct CTileCut {
    cv::Point2d at; // top-left in the scene
    double exposure = 1;
};

// The tile of `size` whose top-left lies at `cut.at` in the scene, resampled
// (bicubic), times the exposure and `vignetting` at the corners (0.25: a
// quarter darker), with Gaussian noise of `noise` grey levels.
cv::Mat CutTile(const cv::Mat& scene, const CTileCut& cut, cv::Size size, double vignetting,
                double noise, unsigned seed);

// A serpentine scan of columns × rows tiles of `size` overlapping by
// `overlap` (a fraction), jittered by up to `jitter` pixels, from (margin, margin).
std::vector<CTileCut> SerpentineCuts(int columns, int rows, cv::Size size, double overlap,
                                     double jitter, unsigned seed, double margin = 8);

// Writes the tile as a JPEG (quality 92) or, for another extension, losslessly.
void WriteTile(const cv::Mat& tile, const std::filesystem::path& path);
