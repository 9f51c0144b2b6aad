#pragma once

#include "analysis/particles/ParticleAnalysis.h"

#include <opencv2/core.hpp>

// One object found by thresholding: its bounding box in the analysed
// rectangle and its pixels there (CV_8U of the box's size, non-zero = object).
struct CObjectMask {
    cv::Rect box;
    cv::Mat mask;
};

// What measuring an object needs besides its mask: the analysed grey levels,
// the thresholded picture (1 = any object), the threshold, the objects'
// side of it, and where the analysed rectangle lies in the picture.
struct CMeasureContext {
    const cv::Mat& grey;
    const cv::Mat& binary;
    int threshold;
    bool dark;
    cv::Point origin;
};

// The pixel-based measures: area = pixel count, centroid = mean pixel
// centre, perimeter = traced pixel edges with the corner correction,
// calipers over the pixel-corner outline, circularity at most 1.
CParticle MeasurePixels(const CObjectMask& object, const CMeasureContext& context);

// The sub-pixel measures from the iso-line of the grey levels at the
// threshold, the grey levels smoothed in proportion to the object's size.
CParticle MeasurePrecise(const CObjectMask& object, const CMeasureContext& context);

// Lengths times `perPixel`, areas times its square.
void ScaleParticle(CParticle& particle, double perPixel);
