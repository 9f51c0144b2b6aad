#pragma once

#include <cstddef>
#include <map>
#include <opencv2/core.hpp>
#include <utility>

// A mosaic that grows in any direction, kept in square blocks allocated when
// a picture first reaches them, so its memory follows the area covered and
// not the number of pictures blended in. Each pixel holds its blended colour
// and the weight blended so far; every block also keeps a quarter-size copy
// for overviews. Coordinates may be negative.
class CMosaicCanvas {
public:
    static constexpr int kBlock = 128;
    static constexpr int kShrink = 4; // the overview's reduction

    // Blends `bgr` (CV_8UC3) with its per-pixel `weight` (CV_8U, 0 leaves the
    // mosaic as it is) into the mosaic with its top-left at `at`.
    void Blend(const cv::Mat& bgr, const cv::Mat& weight, cv::Point at);

    // The mosaic's grey levels (CV_32F) over `area` and which of its pixels
    // are covered (CV_8U, 255); uncovered pixels read 0.
    void ReadGrey(cv::Rect area, cv::Mat& grey, cv::Mat& covered) const;
    // The mosaic's colours over `area` (CV_8UC3); uncovered pixels are black.
    cv::Mat Picture(cv::Rect area) const;
    // The covered area at a quarter of the size, with the mosaic pixel of its
    // top-left corner; empty before anything was blended.
    cv::Mat Overview(cv::Point& origin) const;

    // The smallest rectangle holding every covered pixel.
    cv::Rect Bounds() const { return m_bounds; }
    std::size_t Bytes() const;
    // How many pixels something was blended into.
    std::size_t CoveredPixels() const;

private:
    struct Block {
        cv::Mat bgr;    // kBlock × kBlock CV_8UC3
        cv::Mat weight; // CV_16U, the weight blended so far
        cv::Mat small;  // kBlock / kShrink square CV_8UC3
    };
    using Key = std::pair<int, int>; // block row, block column

    template <typename Visit>
    void ForBlocks(cv::Rect area, Visit visit) const;

    std::map<Key, Block> m_blocks;
    cv::Rect m_bounds;
};
