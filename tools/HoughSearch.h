#pragma once

#include <opencv2/core.hpp>
#include <vector>

// The accumulator threshold search of the edge-line detection.

// The lowest accumulator threshold tried.
inline constexpr int kLowestHoughThreshold = 6;

// The segments of the first run of the probabilistic Hough transform (1 pixel
// and 1 degree resolution, any length, gaps up to 100 pixels) on
// `candidates` (8 bits, non-zero = candidate) that finds any, trying the
// thresholds `top`, top - 1, ..., 6 in turn; empty when none does. Takes
// about three runs of the transform whatever `top` is.
std::vector<cv::Vec4i> FirstHoughSegments(const cv::Mat& candidates, int top);
