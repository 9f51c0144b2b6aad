#pragma once

#include <opencv2/core.hpp>

// Per pixel, the slice where the focus measure peaks, followed slice by slice
// in constant memory: the best slice so far, its measure and the measures of
// the slices on either side of it, for a sub-slice fit at the end.
class CFocusPeaks {
public:
    // The measure of the next slice (CV_32F, all of one size).
    void Add(const cv::Mat& energy);
    int Slices() const { return m_count; }

    // Heights in slices (0 = first, sub-slice values between; CV_32F, NaN
    // where the measure has no peak clearly above `noiseEnergy`) and the
    // confidence of each (0 where unknown).
    void Heights(double noiseEnergy, cv::Mat& heights, cv::Mat& confidence) const;

private:
    cv::Mat m_best;
    cv::Mat m_index; // CV_32S
    cv::Mat m_below; // -1: no slice below the best
    cv::Mat m_above; // -1: no slice above it (yet)
    cv::Mat m_previous;
    int m_count = 0;
};

// Evens out the known heights where the surface is smooth: each becomes the
// confidence-weighted mean of its known neighbourhood.
void SmoothHeights(cv::Mat& heights, const cv::Mat& confidence);

// Every unknown height taken from its confident surroundings, looking ever
// further (normalised convolution at growing scales); a map with no known
// height at all becomes `fallback`.
cv::Mat FilledHeights(const cv::Mat& heights, const cv::Mat& confidence, float fallback);
