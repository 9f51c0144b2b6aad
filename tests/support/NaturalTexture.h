#pragma once

#include <opencv2/core.hpp>
#include <random>

// Grey noise whose amplitude falls as 1/f^slope, as in natural pictures
// (slope 1), with mean 0 and standard deviation 1 (CV_32F): a texture for
// registration tests and benchmarks with a known answer. Frequencies below
// `lowest` (cycles a pixel; 0: one cycle across the longer side) weigh as it.
cv::Mat PinkNoise(cv::Size size, std::mt19937& random, double slope = 1.0, double lowest = 0);
