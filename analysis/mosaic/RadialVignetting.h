#pragma once

#include <opencv2/core.hpp>

// The darkening towards a camera's corners, modelled as light falling off
// with the square of the distance from the centre: 1 − k·r², r = 1 at the
// corners. Estimated from frames taken at different places of the specimen:
// their average forgets the specimen and keeps what the optics add.
class CRadialVignetting {
public:
    // Adds a frame (CV_32F grey) to the average and fits k again.
    void Learn(const cv::Mat& grey);
    // k; 0 until enough frames were learned that the specimen has averaged out.
    double Strength() const { return m_frames >= kSettled ? m_strength : 0.0; }

    // Multiplies `bgr` (CV_8UC3) by the light lost at each pixel.
    void Correct(cv::Mat& bgr);

private:
    static constexpr int kCells = 32;  // the average's width; its height keeps the aspect
    static constexpr int kSettled = 6; // frames learned before the estimate is used
    cv::Mat m_sum;
    int m_frames = 0;
    double m_strength = 0;
    cv::Mat m_gain; // CV_32FC3, at the strength m_gainStrength
    double m_gainStrength = -1;
};
