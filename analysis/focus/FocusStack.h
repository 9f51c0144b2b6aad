#pragma once

#include "image/Dib.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Merging a focus series into one picture that is sharp everywhere, with the
// height at which each pixel was sharpest.

struct CFocusOptions {
    bool align = true; // align every slice to the first (shift, rotation, focus breathing)
    double zStep = 0;  // > 0: heights in `unit` per slice; otherwise heights are in slices
    std::string unit;
};

// How one slice was placed on the first: the picture was resampled by this
// similarity (about the centre) unless it is within a small tolerance of the
// identity, in which case it was used as it is.
struct CSliceAlignment {
    bool aligned = true; // false: could not be aligned and was left out
    double dx = 0, dy = 0, angleDegrees = 0, scale = 1;
    std::string note;
};

// Height per pixel, rows top-down. Heights are in slices (the first slice is
// 0, sub-slice values between) or, with a z step, in its unit. Pixels without
// texture have no sharpest slice: their height is unknown (NaN).
struct CHeightMap {
    int width = 0, height = 0;
    std::vector<float> heights; // top-down, NaN = unknown (textureless)
    double low = 0, high = 0;   // range of the known heights
    std::string unit;           // "" = slices
};

// The height at (x, y); nullopt outside the map or where it is unknown.
std::optional<double> HeightAt(const CHeightMap& map, int x, int y);

struct CFocusStackResult {
    CDib picture; // carries the first picture's scale
    CHeightMap heights;
    std::vector<CSliceAlignment> alignments; // one per slice, the first is the identity
    bool cancelled = false;
    std::string error; // non-empty: nothing was merged
};

// Delivers slice `index` (24-bit or 8-bit); false with `error` when it cannot.
// It may be asked for a slice more than once: the stack streams the slices
// and never keeps more than a few of them in memory.
using FocusSliceSource = std::function<bool(int index, CDib& picture, std::string& error)>;

// Merges `count` slices (at least two, all of one size). `progress` gets
// 0..100 and returns false to cancel.
CFocusStackResult FocusStack(int count, const FocusSliceSource& source,
                             const CFocusOptions& options,
                             const std::function<bool(int percent)>& progress = {});

// The same for picture files; an error names the file and the reason.
CFocusStackResult FocusStackFiles(const std::vector<std::filesystem::path>& files,
                                  const CFocusOptions& options,
                                  const std::function<bool(int)>& progress = {});
