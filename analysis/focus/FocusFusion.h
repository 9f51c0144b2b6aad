#pragma once

#include <opencv2/core.hpp>
#include <vector>

// Puts the merged picture together from the slices, each pixel from the two
// slices bracketing its height. Where the height is unknown it has been
// filled from the confident surroundings, so the dark, never-focused ground
// next to a bright object is taken from the object's slice, where the
// object's light is not spread: no halo around it.
class CFocusFusion {
public:
    // `heights`: the filled height of every pixel in slices, 0..slices-1.
    CFocusFusion(const cv::Mat& heights, int slices);
    // Whether slice `index` contributes to any pixel (others need not be read).
    bool Needs(int index) const { return m_needed[static_cast<std::size_t>(index)]; }
    // Adds slice `index` (blue, green, red; in the first slice's frame).
    void Add(int index, const cv::Mat& bgr);
    cv::Mat Picture() const;

private:
    cv::Mat m_lower; // CV_32S: the slice below each pixel's height
    cv::Mat m_upper; // CV_32F: the share of the slice above it
    cv::Mat m_sum;   // CV_32FC3
    std::vector<bool> m_needed;
};
