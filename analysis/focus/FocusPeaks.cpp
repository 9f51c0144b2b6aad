#include "analysis/focus/FocusPeaks.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <opencv2/imgproc.hpp>

namespace {

constexpr float kUnknown = std::numeric_limits<float>::quiet_NaN();
// A peak counts when the measure there is this many noise floors above the
// floor: the largest of a stack's noise-only measures stays below it.
constexpr double kPeakOverNoise = 2.0;
// Confidence saturates: beyond this signal-to-noise ratio a height is as
// sure as it gets, and strong edges must not drown their neighbours.
constexpr double kMostConfidence = 20.0;
constexpr double kSmoothSigma = 2.0;

// Where between its neighbours the measure's peak lies, -0.5..0.5. For blur
// growing linearly with defocus, the fine-scale energy's inverse cube root
// grows nearly like a parabola away from the focus; on synthetic stacks it
// places the peak closer than a parabola through the energy's logarithm.
float PeakOffset(double below, double best, double above, double floor) {
    if (below < 0 || above < 0) {
        return 0;
    }
    const double tiny = 1e-3 * std::max(floor, 1e-6);
    const double vm = 1 / std::cbrt(std::max(below, tiny));
    const double v0 = 1 / std::cbrt(std::max(best, tiny));
    const double vp = 1 / std::cbrt(std::max(above, tiny));
    const double curvature = vm - 2 * v0 + vp;
    if (curvature <= 0) {
        return 0;
    }
    return static_cast<float>(std::clamp(0.5 * (vm - vp) / curvature, -0.5, 0.5));
}

} // namespace

void CFocusPeaks::Add(const cv::Mat& energy) {
    CV_Assert(energy.type() == CV_32F);
    if (m_count == 0) {
        m_best = energy.clone();
        m_index = cv::Mat::zeros(energy.size(), CV_32S);
        m_below = cv::Mat(energy.size(), CV_32F, cv::Scalar(-1));
        m_above = cv::Mat(energy.size(), CV_32F, cv::Scalar(-1));
        m_previous = energy.clone();
        m_count = 1;
        return;
    }
    CV_Assert(energy.size() == m_best.size());
    const int slice = m_count;
    for (int y = 0; y < energy.rows; ++y) {
        const float* e = energy.ptr<float>(y);
        const float* previous = m_previous.ptr<float>(y);
        float* best = m_best.ptr<float>(y);
        int* index = m_index.ptr<int>(y);
        float* below = m_below.ptr<float>(y);
        float* above = m_above.ptr<float>(y);
        for (int x = 0; x < energy.cols; ++x) {
            if (e[x] > best[x]) {
                best[x] = e[x];
                index[x] = slice;
                below[x] = previous[x];
                above[x] = -1;
            } else if (index[x] == slice - 1) {
                above[x] = e[x];
            }
        }
    }
    energy.copyTo(m_previous);
    ++m_count;
}

void CFocusPeaks::Heights(double noiseEnergy, cv::Mat& heights, cv::Mat& confidence) const {
    heights.create(m_best.size(), CV_32F);
    confidence.create(m_best.size(), CV_32F);
    const double floor = std::max(noiseEnergy, 1e-6);
    for (int y = 0; y < m_best.rows; ++y) {
        const float* best = m_best.ptr<float>(y);
        const int* index = m_index.ptr<int>(y);
        const float* below = m_below.ptr<float>(y);
        const float* above = m_above.ptr<float>(y);
        float* h = heights.ptr<float>(y);
        float* c = confidence.ptr<float>(y);
        for (int x = 0; x < m_best.cols; ++x) {
            const double signal = best[x] - floor;
            if (signal <= kPeakOverNoise * floor) {
                h[x] = kUnknown;
                c[x] = 0;
                continue;
            }
            const double b = below[x] < 0 ? -1 : std::max(0.0, below[x] - floor);
            const double a = above[x] < 0 ? -1 : std::max(0.0, above[x] - floor);
            h[x] = static_cast<float>(index[x]) + PeakOffset(b, signal, a, floor);
            c[x] = static_cast<float>(std::min(signal / floor, kMostConfidence));
        }
    }
}

void SmoothHeights(cv::Mat& heights, const cv::Mat& confidence) {
    cv::Mat weighted;
    cv::Mat known = heights.clone();
    cv::patchNaNs(known, 0);
    cv::multiply(known, confidence, weighted);
    cv::Mat sumWeighted, sumWeights;
    cv::GaussianBlur(weighted, sumWeighted, cv::Size(), kSmoothSigma, 0, cv::BORDER_REFLECT);
    cv::GaussianBlur(confidence, sumWeights, cv::Size(), kSmoothSigma, 0, cv::BORDER_REFLECT);
    for (int y = 0; y < heights.rows; ++y) {
        float* h = heights.ptr<float>(y);
        const float* c = confidence.ptr<float>(y);
        const float* sh = sumWeighted.ptr<float>(y);
        const float* sw = sumWeights.ptr<float>(y);
        for (int x = 0; x < heights.cols; ++x) {
            if (c[x] > 0 && sw[x] > 0) {
                h[x] = sh[x] / sw[x];
            }
        }
    }
}

cv::Mat FilledHeights(const cv::Mat& heights, const cv::Mat& confidence, float fallback) {
    cv::Mat filled = heights.clone();
    cv::Mat weighted;
    cv::Mat known = heights.clone();
    cv::patchNaNs(known, 0);
    cv::multiply(known, confidence, weighted);
    cv::Mat open = (confidence <= 0);
    // Each level halves the resolution: a blur of a few pixels there reaches
    // twice as far as on the level before.
    cv::Mat levelWeighted = weighted, levelWeights = confidence.clone();
    while (cv::countNonZero(open) > 0) {
        if (levelWeighted.rows < 2 || levelWeighted.cols < 2) {
            filled.setTo(fallback, open);
            break;
        }
        cv::Mat sh, sw;
        cv::GaussianBlur(levelWeighted, sh, cv::Size(), 2.0, 0, cv::BORDER_REFLECT);
        cv::GaussianBlur(levelWeights, sw, cv::Size(), 2.0, 0, cv::BORDER_REFLECT);
        if (sh.size() != heights.size()) {
            cv::resize(sh, sh, heights.size(), 0, 0, cv::INTER_LINEAR);
            cv::resize(sw, sw, heights.size(), 0, 0, cv::INTER_LINEAR);
        }
        for (int y = 0; y < heights.rows; ++y) {
            std::uint8_t* o = open.ptr<std::uint8_t>(y);
            float* f = filled.ptr<float>(y);
            const float* a = sh.ptr<float>(y);
            const float* w = sw.ptr<float>(y);
            for (int x = 0; x < heights.cols; ++x) {
                // A weight this small is rounding left over from far away.
                if (o[x] != 0 && w[x] > 1e-3F) {
                    f[x] = a[x] / w[x];
                    o[x] = 0;
                }
            }
        }
        cv::resize(levelWeighted, levelWeighted, cv::Size(), 0.5, 0.5, cv::INTER_AREA);
        cv::resize(levelWeights, levelWeights, cv::Size(), 0.5, 0.5, cv::INTER_AREA);
    }
    return filled;
}
