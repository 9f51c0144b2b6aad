#pragma once

#include <opencv2/core.hpp>

// Where a frame lies in a search region of the mosaic around its predicted
// place. The region is the frame's size grown by `radius` on every side, so
// the answer is the frame's top-left in the region, 0..2·radius each way.
struct CRegionMatch {
    bool found = false;
    cv::Point2d offset;  // sub-pixel
    double score = 0;    // normalised cross-correlation over the covered overlap
    bool atEdge = false; // the best match lies on the search's border
    double texture = 0;  // the frame's detail, in grey levels
};

// Phase correlation at half the size (the frame tapered at its borders, the
// uncovered part of the region neutral), its strongest few peaks each checked
// by correlating the covered overlap, the best refined at full size to a
// fraction of a pixel. `frame` and `region` are CV_32F grey; `covered` is
// CV_8U, non-zero where the mosaic holds something.
CRegionMatch MatchInRegion(const cv::Mat& frame, const cv::Mat& region, const cv::Mat& covered,
                           int radius);

// The frame's fine detail: the deviation of its grey levels from a blurred
// copy, so that a smooth ramp of light does not count.
double FrameTexture(const cv::Mat& frame);
