#pragma once

#include "analysis/focus/FocusImage.h"
#include "analysis/focus/FocusMeasure.h"
#include "analysis/focus/FocusStack.h"
#include "tests/support/FocusStackMaker.h"

#include <cmath>
#include <limits>
#include <opencv2/imgproc.hpp>
#include <string>
#include <vector>

// Focus series with known answers for the focus stacking tests, small enough
// to merge in a fraction of a second.

constexpr int kWidth = 320;
constexpr int kHeight = 224;

inline cv::Mat Texture() {
    return TexturePicture(std::string(MARNELO_TEST_DATA_DIR) +
                              "/libjpeg-turbo-testimages/testorig.jpg",
                          kWidth, kHeight, 1.5);
}

inline CFocusStackResult Merge(const std::vector<cv::Mat>& slices, CFocusOptions options = {}) {
    const auto source = [&slices](int index, CDib& picture, std::string&) {
        picture = BgrToDib(slices[static_cast<std::size_t>(index)]);
        return true;
    };
    return FocusStack(static_cast<int>(slices.size()), source, options);
}

struct CSurfaceStack {
    cv::Mat sharp, depth;
    std::vector<cv::Mat> slices;
};

inline CSurfaceStack SurfaceStack(int count) {
    CSurfaceStack stack;
    stack.sharp = Texture();
    stack.depth = SurfaceDepth(stack.sharp.size(), 0.6, count - 1.6);
    for (int k = 0; k < count; ++k) {
        stack.slices.push_back(DefocusedSlice(stack.sharp, stack.depth, k));
    }
    return stack;
}

// Pixels whose fine detail in the sharp picture stands well above the
// noise of the slices (about 1.4 in this measure).
inline cv::Mat Textured(const cv::Mat& sharp) {
    return FineEnergy(GreyFloat(sharp)) > 8;
}

inline double MeanHeightError(const CHeightMap& map, const cv::Mat& depth, const cv::Mat& where,
                              double& knownShare) {
    double error = 0;
    int known = 0, total = 0;
    for (int y = 0; y < depth.rows; ++y) {
        for (int x = 0; x < depth.cols; ++x) {
            if (where.at<std::uint8_t>(y, x) == 0) {
                continue;
            }
            ++total;
            if (const auto h = HeightAt(map, x, y)) {
                error += std::abs(*h - depth.at<float>(y, x));
                ++known;
            }
        }
    }
    knownShare = total > 0 ? static_cast<double>(known) / total : 0;
    return known > 0 ? error / known : std::numeric_limits<double>::infinity();
}

// The stack of SurfaceStack(count) with slice k moved as focus breathing and
// a loose stage would: scaled about the centre by up to `scale` at the last
// slice and shifted by k times `shift`. The sharp picture and its depth are
// moved before the slice is blurred, as a camera sees it.
inline std::vector<cv::Mat> MovedStack(int count, double scale, cv::Point2d shift) {
    const CSurfaceStack stack = SurfaceStack(count);
    std::vector<cv::Mat> moved;
    const int last = count - 1;
    const cv::Point2d centre(kWidth / 2.0, kHeight / 2.0);
    for (int k = 0; k <= last; ++k) {
        const double s = 1 + (scale - 1) * k / last;
        const cv::Mat m = (cv::Mat_<double>(2, 3) << s, 0, centre.x * (1 - s) + k * shift.x, 0, s,
                           centre.y * (1 - s) + k * shift.y);
        cv::Mat sharp, depth;
        cv::warpAffine(stack.sharp, sharp, m, stack.sharp.size(), cv::INTER_LANCZOS4,
                       cv::BORDER_REFLECT);
        cv::warpAffine(stack.depth, depth, m, stack.depth.size(), cv::INTER_LINEAR,
                       cv::BORDER_REFLECT);
        moved.push_back(DefocusedSlice(sharp, depth, k));
    }
    return moved;
}

inline double InnerPsnr(const cv::Mat& a, const cv::Mat& b) {
    const cv::Rect inner(8, 8, a.cols - 16, a.rows - 16);
    return Psnr(a(inner), b(inner));
}
