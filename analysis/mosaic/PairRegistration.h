#pragma once

#include <opencv2/core.hpp>
#include <optional>

struct CPairShift {
    bool found = false;
    double dx = 0, dy = 0; // where b's top-left lies in a's frame
    double score = 0;      // normalised cross-correlation of the overlap
};

// The translation between two grey pictures (CV_8U or CV_32F) of one scene,
// to a fraction of a pixel. Several phase-correlation peaks are each checked
// by the correlation of the overlap they imply; the best wins. With
// `expected`, only shifts within `searchRadius` of it are considered (0: any).
CPairShift RegisterPair(const cv::Mat& aGrey, const cv::Mat& bGrey,
                        std::optional<cv::Point2d> expected = {}, double searchRadius = 0);
