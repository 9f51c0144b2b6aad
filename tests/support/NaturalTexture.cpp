#include "tests/support/NaturalTexture.h"

#include <algorithm>
#include <cmath>

cv::Mat PinkNoise(cv::Size size, std::mt19937& random, double slope, double lowest) {
    std::normal_distribution<float> normal;
    cv::Mat white(size, CV_32F);
    for (int y = 0; y < size.height; ++y) {
        float* row = white.ptr<float>(y);
        for (int x = 0; x < size.width; ++x) {
            row[x] = normal(random);
        }
    }
    cv::Mat spectrum;
    cv::dft(white, spectrum, cv::DFT_COMPLEX_OUTPUT);
    // The lowest frequency stands in for zero, which has no finite weight.
    if (lowest <= 0) {
        lowest = 1.0 / std::max(size.width, size.height);
    }
    for (int y = 0; y < size.height; ++y) {
        const double fy = std::min(y, size.height - y) / static_cast<double>(size.height);
        auto* row = spectrum.ptr<cv::Vec2f>(y);
        for (int x = 0; x < size.width; ++x) {
            const double fx = std::min(x, size.width - x) / static_cast<double>(size.width);
            row[x] *= static_cast<float>(std::pow(std::max(std::hypot(fx, fy), lowest), -slope));
        }
    }
    cv::Mat out;
    cv::idft(spectrum, out, cv::DFT_REAL_OUTPUT | cv::DFT_SCALE);
    cv::Scalar mean, sd;
    cv::meanStdDev(out, mean, sd);
    return (out - mean[0]) / sd[0];
}
