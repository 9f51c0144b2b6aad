#include "analysis/mosaic/LiveRegistration.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace {

constexpr int kPeaks = 3;
constexpr int kClimb = 4; // full-size steps from the coarse match to the top

// A window that falls smoothly to 0 over `ramp` pixels at the borders, so the
// frame's edges do not correlate with everything.
cv::Mat Taper(cv::Size size, int ramp) {
    auto profile = [ramp](int length) {
        cv::Mat line(1, length, CV_32F, cv::Scalar(1));
        for (int i = 0; i < std::min(ramp, length / 2); ++i) {
            const float v = static_cast<float>(0.5 - 0.5 * std::cos(CV_PI * (i + 0.5) / ramp));
            line.at<float>(i) = v;
            line.at<float>(length - 1 - i) = v;
        }
        return line;
    };
    cv::Mat window;
    cv::Mat columns = profile(size.width);
    cv::Mat rows = profile(size.height).t();
    window = rows * columns;
    return window;
}

// The normalised cross-correlation of a frame with a region at integer
// offsets, over the region's covered pixels only. The frame's squares and the
// masked region are made once, so each offset costs a few vectorised sums.
class CCoveredCorrelation {
public:
    CCoveredCorrelation(const cv::Mat& frame, const cv::Mat& region, const cv::Mat& covered)
        : m_frame(frame) {
        cv::multiply(frame, frame, m_frameSquared);
        covered.convertTo(m_mask, CV_32F, 1.0 / 255.0);
        cv::multiply(region, m_mask, m_region);
        cv::multiply(m_region, m_region, m_regionSquared);
    }

    // Also the covered share of the frame; −1 for (almost) no overlap.
    double At(cv::Point offset, double& share) const {
        const cv::Rect valid =
            cv::Rect(offset, m_frame.size()) & cv::Rect(cv::Point(), m_region.size());
        share = 0;
        if (valid.empty()) {
            return -1;
        }
        const cv::Rect inFrame = valid - offset;
        const cv::Mat mask = m_mask(valid);
        const cv::Mat a = m_frame(inFrame);
        const cv::Mat b = m_region(valid);
        const double n = cv::sum(mask)[0];
        share = n / static_cast<double>(m_frame.total());
        if (n < 16) {
            return -1;
        }
        const double sa = a.dot(mask);
        const double sb = cv::sum(b)[0];
        const double saa = m_frameSquared(inFrame).dot(mask);
        const double sbb = cv::sum(m_regionSquared(valid))[0];
        const double sab = a.dot(b);
        const double va = saa - sa * sa / n;
        const double vb = sbb - sb * sb / n;
        if (va <= 1e-6 || vb <= 1e-6) {
            return 0;
        }
        return (sab - sa * sb / n) / std::sqrt(va * vb);
    }

private:
    cv::Mat m_frame;
    cv::Mat m_frameSquared;
    cv::Mat m_mask;   // 1 where covered
    cv::Mat m_region; // 0 where uncovered
    cv::Mat m_regionSquared;
};

// The region with its uncovered pixels set to the covered mean, so that they
// carry no structure of their own.
cv::Mat Neutral(const cv::Mat& region, const cv::Mat& covered) {
    cv::Mat filled = region.clone();
    const double mean = cv::countNonZero(covered) > 0 ? cv::mean(region, covered)[0] : 0.0;
    cv::Mat uncovered;
    cv::bitwise_not(covered, uncovered);
    filled.setTo(mean, uncovered);
    return filled;
}

// Peaks of the phase correlation of `frame` inside `region`, as integer
// offsets of the frame's top-left, strongest first.
std::vector<cv::Point> CorrelationPeaks(const cv::Mat& frame, const cv::Mat& region, int radius) {
    const cv::Size padded(cv::getOptimalDFTSize(region.cols), cv::getOptimalDFTSize(region.rows));
    cv::Mat a(padded, CV_32F, cv::Scalar(0));
    cv::Mat b(padded, CV_32F, cv::Scalar(0));
    const cv::Mat taper = Taper(frame.size(), std::max(4, frame.cols / 16));
    cv::Mat centred = frame - cv::mean(frame)[0];
    cv::multiply(centred, taper, a(cv::Rect(cv::Point(), frame.size())));
    cv::subtract(region, cv::mean(region)[0], b(cv::Rect(cv::Point(), region.size())));

    cv::Mat fa, fb, cross;
    cv::dft(a, fa, cv::DFT_COMPLEX_OUTPUT);
    cv::dft(b, fb, cv::DFT_COMPLEX_OUTPUT);
    cv::mulSpectrums(fb, fa, cross, 0, true);
    cv::Mat parts[2];
    cv::split(cross, parts);
    cv::Mat magnitude;
    cv::magnitude(parts[0], parts[1], magnitude);
    magnitude += 1e-3 * cv::mean(magnitude)[0] + 1e-9;
    cv::divide(parts[0], magnitude, parts[0]);
    cv::divide(parts[1], magnitude, parts[1]);
    cv::merge(parts, 2, cross);
    cv::Mat surface;
    cv::idft(cross, surface, cv::DFT_REAL_OUTPUT | cv::DFT_SCALE);

    // Only offsets that keep the frame inside the region are answers.
    cv::Mat search = surface(cv::Rect(0, 0, 2 * radius + 1, 2 * radius + 1)).clone();
    std::vector<cv::Point> peaks;
    for (int i = 0; i < kPeaks; ++i) {
        cv::Point at;
        double best = 0;
        cv::minMaxLoc(search, nullptr, &best, nullptr, &at);
        if (best <= 0) {
            break;
        }
        peaks.push_back(at);
        cv::rectangle(search, cv::Rect(at.x - 2, at.y - 2, 5, 5), cv::Scalar(-1), cv::FILLED);
    }
    return peaks;
}

// The vertex of the parabola through three samples, -0.5..0.5 from the middle.
double Vertex(double before, double middle, double after) {
    const double curve = before - 2 * middle + after;
    if (curve >= 0) {
        return 0;
    }
    return std::clamp(0.5 * (before - after) / curve, -0.5, 0.5);
}

} // namespace

double FrameTexture(const cv::Mat& frame) {
    cv::Mat smooth;
    cv::GaussianBlur(frame, smooth, cv::Size(0, 0), 2.0);
    cv::Mat detail = frame - smooth;
    cv::Scalar mean, deviation;
    cv::meanStdDev(detail, mean, deviation);
    return deviation[0];
}

CRegionMatch MatchInRegion(const cv::Mat& frame, const cv::Mat& region, const cv::Mat& covered,
                           int radius) {
    CRegionMatch match;
    const cv::Mat neutral = Neutral(region, covered);
    cv::Mat smallFrame, smallRegion, smallCovered;
    cv::pyrDown(frame, smallFrame);
    cv::pyrDown(neutral, smallRegion);
    cv::resize(covered, smallCovered, smallRegion.size(), 0, 0, cv::INTER_NEAREST);
    match.texture = FrameTexture(smallFrame);
    const int smallRadius = std::max(1, (smallRegion.cols - smallFrame.cols) / 2);

    double bestScore = -2;
    cv::Point best;
    const CCoveredCorrelation coarse(smallFrame, smallRegion, smallCovered);
    for (const cv::Point& peak : CorrelationPeaks(smallFrame, smallRegion, smallRadius)) {
        double share = 0;
        const double score = coarse.At(peak, share);
        if (share >= 0.2 && score > bestScore) {
            bestScore = score;
            best = peak;
        }
    }
    if (bestScore <= -2) {
        return match;
    }
    match.atEdge =
        best.x <= 0 || best.y <= 0 || best.x >= 2 * smallRadius || best.y >= 2 * smallRadius;

    // At full size: climb the correlation from the coarse answer to its top,
    // then fit a parabola through the top and its neighbours each way.
    const CCoveredCorrelation fine(frame, region, covered);
    std::map<std::pair<int, int>, double> scores;
    auto score = [&](int x, int y) {
        const auto key = std::make_pair(x, y);
        const auto known = scores.find(key);
        if (known != scores.end()) {
            return known->second;
        }
        double share = 0;
        const double value =
            x < 0 || y < 0 || x > 2 * radius || y > 2 * radius ? -2.0 : fine.At({x, y}, share);
        scores.emplace(key, value);
        return value;
    };
    cv::Point at(std::clamp(best.x * 2, 0, 2 * radius), std::clamp(best.y * 2, 0, 2 * radius));
    for (int step = 0; step < kClimb; ++step) {
        cv::Point next = at;
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                if (score(at.x + dx, at.y + dy) > score(next.x, next.y)) {
                    next = {at.x + dx, at.y + dy};
                }
            }
        }
        if (next == at) {
            break;
        }
        at = next;
    }
    const double top = score(at.x, at.y);
    const double fx = Vertex(score(at.x - 1, at.y), top, score(at.x + 1, at.y));
    const double fy = Vertex(score(at.x, at.y - 1), top, score(at.x, at.y + 1));
    match.found = true;
    match.score = top;
    match.offset = cv::Point2d(at.x + fx, at.y + fy);
    return match;
}
