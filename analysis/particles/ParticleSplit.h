#pragma once

#include <opencv2/core.hpp>

// Cuts touching objects apart. An object that is convex enough is left whole;
// otherwise each peak of its distance to the background that stands clear of
// the necks around it (an h-maximum) seeds a part, and the parts grow from
// the peaks down the distance (a watershed), meeting at the necks. Elongated
// and peanut-shaped single objects have no neck deep enough and stay whole.
//
// `mask` holds one 8-connected object (CV_8U, non-zero = object); `labels`
// receives CV_32S 1..n on its pixels (0 elsewhere). Returns n, 1 when the
// object stays whole.
int SplitObject(const cv::Mat& mask, cv::Mat& labels);
