#pragma once

#include "analysis/mosaic/MosaicTiles.h"
#include "analysis/mosaic/Stitch.h"

#include <filesystem>
#include <opencv2/core.hpp>
#include <optional>
#include <string>
#include <vector>

// The flat field as a correction per pixel: the picture of an empty field,
// grey, smoothed, divided by its value at the centre. The tiles are divided
// by it. Empty with an error naming the file when it cannot be read or has
// another size than the tiles.
cv::Mat FlatFieldOf(const std::filesystem::path& path, cv::Size tileSize, std::string& error);

// The vignetting (unless `flatField` is given) and one gain per placed
// picture, from pixel pairs that show the same point of the specimen in two
// overlapping pictures: log-linear least squares of
// log v_i − log v_j = γ_i − γ_j + L(r_i) − L(r_j), L(r) = a r² + b r⁴ + c r⁶.
// Gains are normalised so that their logarithms average zero; each
// placement's `gain` is set to the factor that evens its picture out.
void EstimateShading(const CGreyTiles& tiles, const cv::Mat& flatField,
                     std::vector<CTilePlacement>& placements, CVignetting& vignetting);
