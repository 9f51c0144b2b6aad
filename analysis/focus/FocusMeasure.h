#pragma once

#include <opencv2/core.hpp>

// How sharp a picture is at each pixel: the energy of its finest detail
// (the picture less a slightly blurred copy, squared) averaged over a small
// window. A defocused bright edge still spreads light far, but only at coarse
// scales, so it adds almost nothing here.

// The fine-scale energy of a grey float picture, same size, CV_32F.
cv::Mat FineEnergy(const cv::Mat& grey);

// The same energy averaged over cells of `cell` × `cell` pixels: one value
// per cell (sizes rounded), for decisions that must be quick and steady.
cv::Mat CellEnergy(const cv::Mat& grey, int cell);

// The fine-scale energy that noise alone gives this picture: a robust noise
// estimate from the picture's second differences, carried through the
// measure's filter. Over-estimates on texture, so the least of a stack's
// slices stands for the camera.
double NoiseEnergy(const cv::Mat& grey);
