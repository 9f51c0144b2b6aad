#include "analysis/focus/FocusFusion.h"

#include <algorithm>
#include <cmath>

CFocusFusion::CFocusFusion(const cv::Mat& heights, int slices)
    : m_lower(heights.size(), CV_32S)
    , m_upper(heights.size(), CV_32F)
    , m_sum(cv::Mat::zeros(heights.size(), CV_32FC3))
    , m_needed(static_cast<std::size_t>(slices), false) {
    const float top = static_cast<float>(slices - 1);
    for (int y = 0; y < heights.rows; ++y) {
        const float* h = heights.ptr<float>(y);
        int* lower = m_lower.ptr<int>(y);
        float* upper = m_upper.ptr<float>(y);
        for (int x = 0; x < heights.cols; ++x) {
            const float z = std::clamp(std::isnan(h[x]) ? 0.0F : h[x], 0.0F, top);
            const int below = std::min(static_cast<int>(z), std::max(0, slices - 2));
            // Blended by the plain fraction: against taking the nearer slice
            // only, it loses no sharpness and averages some noise away.
            const float t = z - static_cast<float>(below);
            lower[x] = below;
            upper[x] = slices > 1 ? t : 0.0F;
            if (t < 1) {
                m_needed[static_cast<std::size_t>(below)] = true;
            }
            if (t > 0 && below + 1 < slices) {
                m_needed[static_cast<std::size_t>(below) + 1] = true;
            }
        }
    }
}

void CFocusFusion::Add(int index, const cv::Mat& bgr) {
    CV_Assert(bgr.type() == CV_8UC3 && bgr.size() == m_sum.size());
    for (int y = 0; y < bgr.rows; ++y) {
        const std::uint8_t* in = bgr.ptr<std::uint8_t>(y);
        const int* lower = m_lower.ptr<int>(y);
        const float* upper = m_upper.ptr<float>(y);
        float* sum = m_sum.ptr<float>(y);
        for (int x = 0; x < bgr.cols; ++x) {
            float w = 0;
            if (lower[x] == index) {
                w = 1 - upper[x];
            } else if (lower[x] + 1 == index) {
                w = upper[x];
            }
            if (w > 0) {
                sum[3 * x] += w * in[3 * x];
                sum[3 * x + 1] += w * in[3 * x + 1];
                sum[3 * x + 2] += w * in[3 * x + 2];
            }
        }
    }
}

cv::Mat CFocusFusion::Picture() const {
    cv::Mat picture;
    m_sum.convertTo(picture, CV_8UC3);
    return picture;
}
