#include "analysis/mosaic/MosaicSolve.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

// A residual above both of these is an inconsistent link: registration errors
// of good links stay well under a pixel.
constexpr double kMinOutlier = 1.0;
constexpr double kOutlierTimesMedian = 5.0;

std::vector<int> LargestGroup(int count, const std::vector<CMosaicLink>& links) {
    std::vector<int> parent(count);
    std::iota(parent.begin(), parent.end(), 0);
    const auto root = [&](int i) {
        while (parent[i] != i) {
            i = parent[i] = parent[parent[i]];
        }
        return i;
    };
    for (const CMosaicLink& link : links) {
        parent[root(link.a)] = root(link.b);
    }
    std::vector<int> size(count, 0);
    for (int i = 0; i < count; ++i) {
        ++size[root(i)];
    }
    // Ties go to the group of the earliest picture.
    int best = root(0);
    for (int i = 0; i < count; ++i) {
        if (size[root(i)] > size[best]) {
            best = root(i);
        }
    }
    std::vector<int> members;
    for (int i = 0; i < count; ++i) {
        if (root(i) == best) {
            members.push_back(i);
        }
    }
    return members;
}

// Least squares of p_b − p_a = shift over the group's links, its first
// member held at the origin.
std::vector<cv::Point2d> Solve(int count, const std::vector<int>& members,
                               const std::vector<CMosaicLink>& links) {
    std::vector<int> index(count, -1);
    for (std::size_t i = 0; i < members.size(); ++i) {
        index[members[i]] = static_cast<int>(i);
    }
    const int n = static_cast<int>(members.size());
    cv::Mat normal = cv::Mat::zeros(n, n, CV_64F);
    cv::Mat right = cv::Mat::zeros(n, 2, CV_64F);
    normal.at<double>(0, 0) += 1e6;
    for (const CMosaicLink& link : links) {
        const int a = index[link.a], b = index[link.b];
        if (a < 0 || b < 0) {
            continue;
        }
        const double w = link.weight;
        normal.at<double>(a, a) += w;
        normal.at<double>(b, b) += w;
        normal.at<double>(a, b) -= w;
        normal.at<double>(b, a) -= w;
        right.at<double>(b, 0) += w * link.shift.x;
        right.at<double>(b, 1) += w * link.shift.y;
        right.at<double>(a, 0) -= w * link.shift.x;
        right.at<double>(a, 1) -= w * link.shift.y;
    }
    cv::Mat solution;
    cv::solve(normal, right, solution, cv::DECOMP_CHOLESKY);
    std::vector<cv::Point2d> positions(count, cv::Point2d(0, 0));
    for (int i = 0; i < n; ++i) {
        positions[members[i]] = {solution.at<double>(i, 0), solution.at<double>(i, 1)};
    }
    return positions;
}

} // namespace

CSolvedPositions SolvePositions(int count, std::vector<CMosaicLink> links) {
    CSolvedPositions result;
    while (count > 0) {
        const std::vector<int> members = LargestGroup(count, links);
        result.positions = Solve(count, members, links);
        result.placed.assign(count, false);
        for (const int i : members) {
            result.placed[i] = true;
        }
        std::vector<double> residuals;
        for (const CMosaicLink& link : links) {
            const cv::Point2d predicted = result.positions[link.b] - result.positions[link.a];
            residuals.push_back(result.placed[link.a] ? cv::norm(predicted - link.shift) : 0.0);
        }
        if (residuals.empty()) {
            break;
        }
        std::vector<double> sorted = residuals;
        std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
        const double limit = std::max(kMinOutlier, kOutlierTimesMedian * sorted[sorted.size() / 2]);
        const auto worst = std::max_element(residuals.begin(), residuals.end());
        if (*worst <= limit) {
            break;
        }
        links.erase(links.begin() + (worst - residuals.begin()));
    }
    // Only links within the placed group carry the solution.
    for (const CMosaicLink& link : links) {
        if (result.placed[link.a] && result.placed[link.b]) {
            result.kept.push_back(link);
        }
    }
    return result;
}
