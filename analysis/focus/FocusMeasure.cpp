#include "analysis/focus/FocusMeasure.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <opencv2/imgproc.hpp>

namespace {

// Detail finer than this blur is what focus brings; the window is small
// enough to follow a surface's height and large enough to average noise.
constexpr double kDetailSigma = 1.0;
constexpr double kWindowSigma = 2.0;

// Sum of squares of (identity - Gaussian) for the separable 2-D kernel: the
// share of white noise's variance that passes the detail filter.
double DetailNoiseGain() {
    // The size GaussianBlur picks for float pictures.
    const cv::Mat k =
        cv::getGaussianKernel(cvRound(kDetailSigma * 4) * 2 + 1, kDetailSigma, CV_64F);
    const int n = k.rows;
    double squares = 0;
    for (int i = 0; i < n; ++i) {
        squares += k.at<double>(i) * k.at<double>(i);
    }
    const double centre = k.at<double>(n / 2);
    return 1 - 2 * centre * centre + squares * squares;
}

} // namespace

cv::Mat FineEnergy(const cv::Mat& grey) {
    cv::Mat blurred;
    cv::GaussianBlur(grey, blurred, cv::Size(), kDetailSigma, 0, cv::BORDER_REFLECT);
    cv::Mat detail = grey - blurred;
    cv::multiply(detail, detail, detail);
    cv::GaussianBlur(detail, detail, cv::Size(), kWindowSigma, 0, cv::BORDER_REFLECT);
    return detail;
}

cv::Mat CellEnergy(const cv::Mat& grey, int cell) {
    cv::Mat blurred;
    cv::GaussianBlur(grey, blurred, cv::Size(), kDetailSigma, 0, cv::BORDER_REFLECT);
    cv::Mat detail = grey - blurred;
    cv::multiply(detail, detail, detail);
    cv::Mat cells;
    const cv::Size size(std::max(1, (grey.cols + cell / 2) / cell),
                        std::max(1, (grey.rows + cell / 2) / cell));
    cv::resize(detail, cells, size, 0, 0, cv::INTER_AREA);
    return cells;
}

double NoiseEnergy(const cv::Mat& grey) {
    if (grey.rows < 3 || grey.cols < 3) {
        return 0;
    }
    // Immerkær's estimate: this mask cancels smooth shading up to second order.
    const cv::Mat mask = (cv::Mat_<float>(3, 3) << 1, -2, 1, -2, 4, -2, 1, -2, 1);
    cv::Mat response;
    cv::filter2D(grey, response, CV_32F, mask, cv::Point(-1, -1), 0, cv::BORDER_REFLECT);
    const cv::Rect inner(1, 1, grey.cols - 2, grey.rows - 2);
    const double meanAbs = cv::mean(cv::abs(response(inner)))[0];
    const double sigma = std::sqrt(std::numbers::pi / 2) * meanAbs / 6;
    return sigma * sigma * DetailNoiseGain();
}
