#pragma once

#include "image/Dib.h"
#include "image/PictureScale.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <opencv2/core.hpp>
#include <optional>
#include <string>
#include <vector>

// Stitching overlapping pictures of a flat specimen, taken by moving the
// stage, into one mosaic. Pictures may come in any order and arrangement; only
// translations are solved (the stage moves, the optics stay).

struct CStitchOptions {
    // A picture of an empty field taken with the same optics; without it the
    // vignetting is estimated from the overlaps.
    std::optional<std::filesystem::path> flatField;
    // The order given may be the order taken (a serpentine scan): neighbours
    // in that order are tried first. A hint only; any order still stitches.
    bool orderHint = true;
};

struct CTilePlacement {
    std::filesystem::path file;
    double x = 0, y = 0; // sub-pixel top-left in the mosaic
    bool placed = false;
    double gain = 1; // multiplies the tile's vignetting-corrected values
};

// The radial brightness falloff of the optics, about the picture centre:
// value = scene · exp(a r² + b r⁴ + c r⁶), r = distance / half diagonal.
struct CVignetting {
    double a = 0, b = 0, c = 0;
    double Factor(double r2) const { return std::exp(r2 * (a + r2 * (b + r2 * c))); }
};

struct CStitchPlan {
    int width = 0, height = 0;
    std::vector<CTilePlacement> tiles;  // in the order given
    std::optional<CPictureScale> scale; // the first placed tile's
    int tileWidth = 0, tileHeight = 0;  // every placed tile has this size
    CVignetting vignetting;
    // The flat field as a correction per pixel (CV_32F, tileWidth ×
    // tileHeight, divides the tile's values); empty when the radial model
    // applies.
    cv::Mat flatField;
};

struct CStitchResult {
    CStitchPlan plan;
    bool cancelled = false;
    std::string error; // empty on success
};

// Registers the pictures, solves their positions together, estimates the
// vignetting and one gain per picture. Fewer than two pictures or a missing or
// unreadable one give an error naming it; pictures that overlap nothing come
// back with placed = false. `progress` returning false cancels.
CStitchResult PlanMosaic(const std::vector<std::filesystem::path>& pictures,
                         const CStitchOptions& options,
                         const std::function<bool(int percent)>& progress = {});

// Composes the mosaic band by band, top-down, and hands each band's rows of
// blue, green, red to `sink` (false stops with an error), so memory does not
// grow with the mosaic.
bool ComposeMosaic(
    const CStitchPlan& plan,
    const std::function<bool(const std::uint8_t* bgrRows, int rowCount, std::size_t stride)>& sink,
    const std::function<bool(int percent)>& progress, std::string& error);

// Writes the mosaic whole or not at all, never replacing an existing file:
// .tif/.tiff as a tiled BigTIFF band by band; .png, .jpg and .bmp when the
// format can hold its size.
bool WriteMosaic(const CStitchPlan& plan, const std::filesystem::path& output,
                 const std::function<bool(int)>& progress, std::string& error);

// The mosaic as one picture (for opening in a window), carrying the plan's
// scale.
std::optional<CDib> MosaicPicture(const CStitchPlan& plan, const std::function<bool(int)>& progress,
                                  std::string& error);
