#pragma once

#include "image/Dib.h"

#include <opencv2/core.hpp>

// Pictures as the focus stack works on them: rows top-down, no padding.

// Blue, green, red bytes (8-bit pictures through their palette); empty for
// an empty picture.
cv::Mat DibToBgr(const CDib& dib);
// A 24-bit picture of a blue, green, red image (8 bits per channel).
CDib BgrToDib(const cv::Mat& bgr);
// The grey level of a blue, green, red image as floats.
cv::Mat GreyFloat(const cv::Mat& bgr);
