#include "analysis/particles/ParticleSplit.h"

#include "analysis/particles/ParticleOutline.h"

#include <algorithm>
#include <opencv2/imgproc.hpp>
#include <tuple>

#include <queue>

namespace {

// Objects at least this convex (area over convex hull area) are one object.
constexpr double kConvexEnough = 0.95;
// A peak seeds a part when it rises this fraction of the deepest distance
// above every neck joining it to a higher peak.
constexpr double kPeakRise = 0.25;

double Solidity(const cv::Mat& mask) {
    const std::vector<cv::Point> corners = TracedOutline(mask);
    std::vector<cv::Point2f> points(corners.begin(), corners.end());
    if (points.size() < 3) {
        return 1;
    }
    std::vector<cv::Point2f> hull;
    cv::convexHull(points, hull);
    const double hullArea = cv::contourArea(hull);
    return hullArea > 0 ? cv::countNonZero(mask) / hullArea : 1;
}

// The reconstruction by dilation of `marker` under `limit`.
cv::Mat Reconstruct(cv::Mat marker, const cv::Mat& limit) {
    const cv::Mat square = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3));
    cv::Mat grown;
    while (true) {
        cv::dilate(marker, grown, square);
        cv::min(grown, limit, grown);
        if (cv::countNonZero(grown != marker) == 0) {
            return marker;
        }
        std::swap(marker, grown);
    }
}

} // namespace

int SplitObject(const cv::Mat& mask, cv::Mat& labels) {
    labels = cv::Mat::zeros(mask.size(), CV_32S);
    labels.setTo(1, mask);
    if (Solidity(mask) >= kConvexEnough) {
        return 1;
    }
    cv::Mat padded;
    cv::copyMakeBorder(mask, padded, 1, 1, 1, 1, cv::BORDER_CONSTANT, 0);
    cv::Mat distance;
    cv::distanceTransform(padded != 0, distance, cv::DIST_L2, cv::DIST_MASK_PRECISE);
    distance = distance(cv::Rect(1, 1, mask.cols, mask.rows)).clone();
    double deepest = 0;
    cv::minMaxLoc(distance, nullptr, &deepest);
    const float rise = static_cast<float>(std::max(1.0, kPeakRise * deepest));
    // The peaks that rise clear of their necks are the regional maxima of the
    // distance lowered by the rise and rebuilt under itself; a regional
    // maximum is what a small lowering and rebuilding takes off.
    const cv::Mat lowered = Reconstruct(cv::max(distance - rise, 0.0f), distance);
    constexpr float kStep = 0.01f;
    const cv::Mat tops = lowered - Reconstruct(cv::max(lowered - kStep, 0.0f), lowered);
    const cv::Mat peaks = (tops >= kStep / 2) & (mask != 0);
    cv::Mat seeds;
    const int count = cv::connectedComponents(peaks, seeds, 8, CV_32S) - 1;
    if (count <= 1) {
        return 1;
    }
    // Grow the parts from their peaks, the deepest pixels first.
    labels = seeds;
    using Entry = std::tuple<float, int, int>;
    std::priority_queue<Entry> queue;
    const auto push = [&](int x, int y) {
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                const int nx = x + dx;
                const int ny = y + dy;
                if (nx < 0 || ny < 0 || nx >= mask.cols || ny >= mask.rows ||
                    mask.at<std::uint8_t>(ny, nx) == 0 || labels.at<int>(ny, nx) != 0) {
                    continue;
                }
                labels.at<int>(ny, nx) = -1;
                queue.emplace(distance.at<float>(ny, nx), nx, ny);
            }
        }
    };
    for (int y = 0; y < mask.rows; ++y) {
        for (int x = 0; x < mask.cols; ++x) {
            if (labels.at<int>(y, x) > 0) {
                push(x, y);
            }
        }
    }
    while (!queue.empty()) {
        const auto [depth, x, y] = queue.top();
        queue.pop();
        int label = 0;
        for (int dy = -1; dy <= 1 && label <= 0; ++dy) {
            for (int dx = -1; dx <= 1 && label <= 0; ++dx) {
                const int nx = x + dx;
                const int ny = y + dy;
                if (nx >= 0 && ny >= 0 && nx < mask.cols && ny < mask.rows) {
                    label = std::max(label, labels.at<int>(ny, nx));
                }
            }
        }
        labels.at<int>(y, x) = label;
        push(x, y);
    }
    return count;
}
