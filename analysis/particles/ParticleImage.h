#pragma once

#include "analysis/particles/ParticleOptions.h"
#include "image/Dib.h"

#include <array>
#include <opencv2/core.hpp>

// The picture steps before objects are found: the analysed rectangle, its
// grey levels, the background flattening and the threshold methods.

// The analysed rectangle in picture pixels (y down): the region, clipped to
// the picture, or the whole picture.
cv::Rect AnalysedRect(const CDib& picture, const CParticleOptions& options);

// Grey levels of the rectangle, top row first, as the edge searches compute
// them (palette pictures through their palette colours).
cv::Mat PictureGrey(const CDib& picture, const cv::Rect& rect);

// Removes a smooth background, the morphological closing (dark objects) or
// opening (light objects) with a disc of `radius`, keeping the mean level so
// that a manual threshold keeps its meaning. Objects narrower than the disc
// stand out evenly under uneven light and vignetting.
void FlattenBackground(cv::Mat& grey, int radius, ParticleObjects objects);

using GreyHistogram = std::array<double, 256>;
GreyHistogram HistogramOf(const cv::Mat& grey);

// The last grey level of the lower class for each method.
int OtsuThreshold(const GreyHistogram& histogram);
int TriangleThreshold(const GreyHistogram& histogram);
int IterativeIntermediateThreshold(const GreyHistogram& histogram);

// The grey levels of the analysed rectangle after flattening, and the level
// the options choose for them.
struct CThresholdedGrey {
    cv::Rect rect;
    cv::Mat grey;
    int threshold = 0;
};
CThresholdedGrey ThresholdedGrey(const CDib& picture, const CParticleOptions& options);
