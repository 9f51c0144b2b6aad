#pragma once

#include "image/Dib.h"

#include <opencv2/imgproc.hpp>

// How sharp a merged picture is, for the tests of focus stacks and mosaics.

// The green channel of the picture, top-down.
inline cv::Mat GreyOf(const CDib& dib) {
    cv::Mat grey(dib.Height(), dib.Width(), CV_8U);
    for (int y = 0; y < dib.Height(); ++y) {
        const std::uint8_t* row = dib.Row(dib.StoredRow(y));
        for (int x = 0; x < dib.Width(); ++x) {
            grey.at<std::uint8_t>(y, x) = row[x * dib.BytesPerPixel() + 1];
        }
    }
    return grey;
}

// The spread of the Laplacian: larger the more of the picture is sharp.
inline double Sharpness(const cv::Mat& grey) {
    cv::Mat laplacian;
    cv::Laplacian(grey, laplacian, CV_64F);
    cv::Scalar mean;
    cv::Scalar deviation;
    cv::meanStdDev(laplacian, mean, deviation);
    return deviation[0];
}
