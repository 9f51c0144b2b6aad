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
// by the correlation of the overlap they imply (at least a few percent of the
// smaller picture); the best wins and is refined on the overlap. With
// `expected`, only shifts within `searchRadius` of it are considered (0: any).
// `refine` false stops at the peak's own sub-pixel fit (enough for a coarse
// search).
CPairShift RegisterPair(const cv::Mat& aGrey, const cv::Mat& bGrey,
                        std::optional<cv::Point2d> expected = {}, double searchRadius = 0,
                        bool refine = true);
