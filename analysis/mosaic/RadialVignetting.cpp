#include "analysis/mosaic/RadialVignetting.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace {

// r² of a point, 1 at the corners; the optics are round, so the distance is
// the same in pixels each way.
double RadiusSquared(double x, double y, double width, double height) {
    const double dx = x - width / 2;
    const double dy = y - height / 2;
    return (dx * dx + dy * dy) / ((width * width + height * height) / 4);
}

} // namespace

void CRadialVignetting::Learn(const cv::Mat& grey) {
    const cv::Size cells(kCells, std::max(2, kCells * grey.rows / std::max(1, grey.cols)));
    cv::Mat small;
    cv::resize(grey, small, cells, 0, 0, cv::INTER_AREA);
    if (m_sum.size() != cells) {
        m_sum = cv::Mat(cells, CV_64F, cv::Scalar(0));
        m_frames = 0;
    }
    cv::accumulate(small, m_sum);
    ++m_frames;

    // Least squares of level = a − b·r² over the cells; k = b / a.
    double n = 0, sr = 0, srr = 0, sl = 0, srl = 0;
    for (int y = 0; y < cells.height; ++y) {
        for (int x = 0; x < cells.width; ++x) {
            const double r2 = RadiusSquared(x + 0.5, y + 0.5, cells.width, cells.height);
            const double level = m_sum.at<double>(y, x) / m_frames;
            n += 1;
            sr += r2;
            srr += r2 * r2;
            sl += level;
            srl += r2 * level;
        }
    }
    const double slope = (n * srl - sr * sl) / (n * srr - sr * sr);
    const double intercept = (sl - slope * sr) / n;
    m_strength = intercept > 1 ? std::clamp(-slope / intercept, 0.0, 0.5) : 0.0;
}

void CRadialVignetting::Correct(cv::Mat& bgr) {
    if (m_gain.size() != bgr.size() || std::abs(m_gainStrength - Strength()) > 0.005) {
        m_gainStrength = Strength();
        m_gain.create(bgr.size(), CV_32FC3);
        for (int y = 0; y < bgr.rows; ++y) {
            auto* row = m_gain.ptr<cv::Vec3f>(y);
            for (int x = 0; x < bgr.cols; ++x) {
                const double r2 = RadiusSquared(x + 0.5, y + 0.5, bgr.cols, bgr.rows);
                const auto gain = static_cast<float>(1.0 / (1.0 - m_gainStrength * r2));
                row[x] = cv::Vec3f(gain, gain, gain);
            }
        }
    }
    if (m_gainStrength <= 0) {
        return;
    }
    cv::Mat level;
    bgr.convertTo(level, CV_32FC3);
    cv::multiply(level, m_gain, level);
    level.convertTo(bgr, CV_8UC3);
}
