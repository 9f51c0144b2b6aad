#include "tools/HoughSearch.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace {

// The transform's settings: 1 pixel and 1 degree resolution, segments of any
// length, gaps of up to 100 pixels bridged.
constexpr double kRhoStep = 1.0;
constexpr double kThetaStep = CV_PI / 180;
constexpr int kAngles = 180;
constexpr double kMinLength = 0.0;
constexpr double kMaxGap = 100.0;

std::vector<cv::Vec4i> HoughSegments(const cv::Mat& candidates, int threshold) {
    std::vector<cv::Vec4i> segments;
    cv::HoughLinesP(candidates, segments, kRhoStep, kThetaStep, threshold, kMinLength, kMaxGap);
    return segments;
}

// The largest vote of the transform when every candidate has voted: the
// accumulator filled one angle at a time, with the transform's single
// precision tables and rounding.
int LargestVote(const cv::Mat& candidates) {
    std::vector<cv::Point> points;
    cv::findNonZero(candidates, points);
    const int distances = 2 * (candidates.cols + candidates.rows) + 1;
    const int offset = (distances - 1) / 2;
    const auto theta = static_cast<float>(kThetaStep);
    std::vector<int> votes(static_cast<std::size_t>(distances));
    int largest = 0;
    for (int n = 0; n < kAngles; ++n) {
        const auto cosine = static_cast<float>(std::cos(static_cast<double>(n) * theta));
        const auto sine = static_cast<float>(std::sin(static_cast<double>(n) * theta));
        std::fill(votes.begin(), votes.end(), 0);
        for (const cv::Point& p : points) {
            const int r = cvRound(p.x * cosine + p.y * sine) + offset;
            largest = std::max(largest, ++votes[static_cast<std::size_t>(r)]);
        }
    }
    return largest;
}

} // namespace

// The transform visits the candidates in the same pseudo-random order on
// every run, and until it finds a segment it only adds votes, whatever its
// threshold; so a run finds a segment exactly when the largest vote reaches
// its threshold. "Finds a segment" is thus monotonic in the threshold, and a
// search of the range reaches the same run as stepping down one by one. The
// largest vote counted here says where that run should be; two runs confirm
// it (it finds a segment, one above it does not), and should the count ever
// disagree with the transform, bisection of what is left still gives the
// right run.
std::vector<cv::Vec4i> FirstHoughSegments(const cv::Mat& candidates, int top) {
    const int expected = std::max(kLowestHoughThreshold, std::min(LargestVote(candidates), top));
    const std::array<int, 2> hints = {expected, expected + 1};
    std::size_t hint = 0;
    int low = kLowestHoughThreshold - 1; // the highest threshold known to find a segment
    int high = top;                      // no threshold above this one finds one
    std::vector<cv::Vec4i> found;
    while (low < high) {
        int probe = low + (high - low + 1) / 2;
        for (; hint < hints.size(); ++hint) {
            if (hints[hint] > low && hints[hint] <= high) {
                probe = hints[hint++];
                break;
            }
        }
        std::vector<cv::Vec4i> segments = HoughSegments(candidates, probe);
        if (segments.empty()) {
            high = probe - 1;
        } else {
            low = probe;
            found = std::move(segments);
        }
    }
    return found;
}
