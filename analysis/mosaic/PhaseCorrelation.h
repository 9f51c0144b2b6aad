#pragma once

#include <opencv2/core.hpp>
#include <vector>

// The pieces of registering by phase correlation, shared by pair
// registration and the search over all pairs of a mosaic (which prepares
// each picture once).

cv::Mat AsFloat(const cv::Mat& grey);

// The part of a (in a's frame) that b covers when b's top-left is at (dx, dy).
cv::Rect Overlap(cv::Size a, cv::Size b, int dx, int dy);
// At least a few percent of the smaller picture, and some pixels each way.
bool OverlapLargeEnough(cv::Size a, cv::Size b, const cv::Rect& overlap);

// Normalised cross-correlation of two pictures of one size.
double Ncc(const cv::Mat& a, const cv::Mat& b);
// Of the overlap b's top-left at (dx, dy) implies; −1 when it is too small.
double IntegerNcc(const cv::Mat& a, const cv::Mat& b, int dx, int dy);

// The picture (CV_32F) divided by its local mean over about `side` pixels:
// exposure and vignetting, which vary slowly, fall out, and the
// correlations see only the structure.
cv::Mat Flattened(const cv::Mat& grey, int side);

// The DFT size for correlating pictures of these sizes, and a flattened
// picture's spectrum at it (edges tapered, zero-padded).
cv::Size PaddedSize(cv::Size a, cv::Size b);
cv::Mat Spectrum(const cv::Mat& flat, cv::Size padded);

// The whitened, smoothed cross-power surface of two spectra; its peak lies
// at b's top-left in a's frame, modulo the padded size.
cv::Mat PhaseSurface(const cv::Mat& spectrumA, const cv::Mat& spectrumB);
// The `count` highest separate peaks of the surface, highest first.
std::vector<cv::Point> Peaks(const cv::Mat& surface, int count);
// A peak's sub-pixel offset from its pixel (a parabola each way).
cv::Point2d PeakOffset(const cv::Mat& surface, cv::Point peak);
