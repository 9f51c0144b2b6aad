#include "analysis/focus/FocusAlign.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <opencv2/imgproc.hpp>
#include <opencv2/video/tracking.hpp>

namespace {

// Placements moving no pixel further than this (in pixels of the reduced
// picture) are taken as the identity, so a stack that needs no alignment is
// not resampled. Matches between slices blurred differently across the
// picture drift by about half of it over a long series.
constexpr double kIdentityTolerance = 1.0;
// Matches between neighbouring slices are off by a few tenths of a pixel
// (their blur differs across the picture); a slice further than this from
// the steady course of the others moved on its own.
constexpr double kIrregularMove = 2.0;
// Matches correlating less than this are wrong.
constexpr double kLeastCorrelation = 0.4;

cv::Mat MatchPicture(const cv::Mat& grey, double factor) {
    cv::Mat reduced;
    cv::resize(grey, reduced, cv::Size(), factor, factor, cv::INTER_AREA);
    // Smoothing makes differently blurred slices look alike.
    cv::GaussianBlur(reduced, reduced, cv::Size(), 2.0, 0, cv::BORDER_REFLECT);
    return reduced;
}

cv::Matx23d Compose(const cv::Matx23d& outer, const cv::Matx23d& inner) {
    const cv::Matx33d a(outer(0, 0), outer(0, 1), outer(0, 2), outer(1, 0), outer(1, 1),
                        outer(1, 2), 0, 0, 1);
    const cv::Matx33d b(inner(0, 0), inner(0, 1), inner(0, 2), inner(1, 0), inner(1, 1),
                        inner(1, 2), 0, 0, 1);
    const cv::Matx33d c = a * b;
    return {c(0, 0), c(0, 1), c(0, 2), c(1, 0), c(1, 1), c(1, 2)};
}

// The nearest similarity to an affine transform that moves `centre` as it
// does: the picture's middle is where the match is surest.
cv::Matx23d Similar(const cv::Matx23d& m, cv::Point2d centre) {
    const double a = (m(0, 0) + m(1, 1)) / 2;
    const double b = (m(1, 0) - m(0, 1)) / 2;
    const double x = m(0, 0) * centre.x + m(0, 1) * centre.y + m(0, 2);
    const double y = m(1, 0) * centre.x + m(1, 1) * centre.y + m(1, 2);
    return {a, -b, x - (a * centre.x - b * centre.y), b, a, y - (b * centre.x + a * centre.y)};
}

// The transform from `reference` coordinates to `moving` ones on the reduced
// pictures, coarse to fine, started from phase correlation's shift.
bool Match(const cv::Mat& reference, const cv::Mat& moving, cv::Matx23d& result) {
    cv::Mat coarseReference, coarseMoving;
    cv::pyrDown(reference, coarseReference);
    cv::pyrDown(moving, coarseMoving);
    cv::Mat window;
    cv::createHanningWindow(window, coarseReference.size(), CV_32F);
    const cv::Point2d shift = cv::phaseCorrelate(coarseReference, coarseMoving, window);
    cv::Mat warp = (cv::Mat_<float>(2, 3) << 1, 0, static_cast<float>(shift.x), 0, 1,
                    static_cast<float>(shift.y));
    // Blurring pins the borders in place: the matching leaves them out.
    const auto inner = [](const cv::Mat& picture) {
        cv::Mat mask = cv::Mat::zeros(picture.size(), CV_8U);
        const int mx = std::min(picture.cols / 4, 12), my = std::min(picture.rows / 4, 12);
        mask(cv::Rect(mx, my, picture.cols - 2 * mx, picture.rows - 2 * my)).setTo(255);
        return mask;
    };
    const cv::TermCriteria criteria(cv::TermCriteria::COUNT + cv::TermCriteria::EPS, 30, 1e-4);
    try {
        cv::findTransformECC(coarseReference, coarseMoving, warp, cv::MOTION_AFFINE, criteria,
                             inner(coarseMoving), 5);
        warp.at<float>(0, 2) *= 2;
        warp.at<float>(1, 2) *= 2;
        const double correlation = cv::findTransformECC(reference, moving, warp, cv::MOTION_AFFINE,
                                                        criteria, inner(moving), 5);
        if (!(correlation >= kLeastCorrelation)) {
            return false;
        }
    } catch (const cv::Exception&) {
        return false;
    }
    cv::Matx23d affine;
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 3; ++c) {
            affine(r, c) = warp.at<float>(r, c);
        }
    }
    result = Similar(affine, cv::Point2d(reference.cols / 2.0, reference.rows / 2.0));
    return true;
}

} // namespace

bool NearIdentity(const cv::Matx23d& toSlice, cv::Size size, double matchFactor) {
    return Discrepancy(toSlice, IdentityTransform(), size) <= kIdentityTolerance / matchFactor;
}

cv::Matx23d IdentityTransform() {
    return {1, 0, 0, 0, 1, 0};
}

double Discrepancy(const cv::Matx23d& a, const cv::Matx23d& b, cv::Size size) {
    const double w = size.width, h = size.height;
    double most = 0;
    for (const cv::Point2d corner :
         {cv::Point2d(0, 0), cv::Point2d(w, 0), cv::Point2d(0, h), cv::Point2d(w, h)}) {
        const double dx =
            (a(0, 0) - b(0, 0)) * corner.x + (a(0, 1) - b(0, 1)) * corner.y + a(0, 2) - b(0, 2);
        const double dy =
            (a(1, 0) - b(1, 0)) * corner.x + (a(1, 1) - b(1, 1)) * corner.y + a(1, 2) - b(1, 2);
        most = std::max(most, std::hypot(dx, dy));
    }
    return most;
}

void CFocusAligner::Start(const cv::Mat& grey, int matchWidth) {
    m_size = grey.size();
    m_factor = std::min(1.0, static_cast<double>(matchWidth) / grey.cols);
    m_previous = MatchPicture(grey, m_factor);
    m_previousToSlice = IdentityTransform();
}

void CFocusAligner::SetReference(const cv::Mat& grey) {
    m_previous = MatchPicture(grey, m_factor);
    m_previousToSlice = IdentityTransform();
}

bool CFocusAligner::Place(const cv::Mat& grey, cv::Matx23d& toSlice, std::string& note) {
    if (grey.size() != m_size) {
        note = "has another size";
        return false;
    }
    cv::Mat current = MatchPicture(grey, m_factor);
    cv::Matx23d step;
    if (!Match(m_previous, current, step)) {
        note = "could not be aligned";
        return false;
    }
    // Back to full-size pixel coordinates.
    step(0, 2) /= m_factor;
    step(1, 2) /= m_factor;
    cv::Matx23d composed = Compose(step, m_previousToSlice);
    const double scale = std::hypot(composed(0, 0), composed(1, 0));
    const double reach = 0.25 * std::max(m_size.width, m_size.height);
    const CSliceAlignment described = DescribeTransform(composed, m_size);
    if (scale < 0.8 || scale > 1.25 || std::hypot(described.dx, described.dy) > reach) {
        note = "could not be aligned (moved too far)";
        return false;
    }
    m_previous = std::move(current);
    m_previousToSlice = composed;
    toSlice = composed;
    return true;
}

void CFocusAligner::Steady(std::vector<std::optional<cv::Matx23d>>& toSlices) const {
    // Least squares through the first slice (the identity) of each parameter
    // against the slice's number.
    double sum[4] = {}, weight = 0;
    std::vector<CSliceAlignment> measured(toSlices.size());
    for (std::size_t k = 1; k < toSlices.size(); ++k) {
        if (!toSlices[k]) {
            continue;
        }
        measured[k] = DescribeTransform(*toSlices[k], m_size);
        const double n = static_cast<double>(k);
        sum[0] += n * measured[k].dx;
        sum[1] += n * measured[k].dy;
        sum[2] += n * std::log(measured[k].scale);
        sum[3] += n * measured[k].angleDegrees;
        weight += n * n;
    }
    if (weight <= 0) {
        return;
    }
    const double centreX = m_size.width / 2.0, centreY = m_size.height / 2.0;
    for (std::size_t k = 1; k < toSlices.size(); ++k) {
        if (!toSlices[k]) {
            continue;
        }
        const double n = static_cast<double>(k) / weight;
        const double s = std::exp(n * sum[2]);
        const double angle = n * sum[3] * std::numbers::pi / 180;
        const double a = s * std::cos(angle), b = s * std::sin(angle);
        const cv::Matx23d fitted(a, -b, centreX + n * sum[0] - (a * centreX - b * centreY), b, a,
                                 centreY + n * sum[1] - (b * centreX + a * centreY));
        // A slice off the steady course by more than matching errors moved
        // on its own (a nudged stage): it keeps its own placement.
        if (Discrepancy(fitted, *toSlices[k], m_size) <= kIrregularMove / m_factor) {
            toSlices[k] = fitted;
        }
        if (NearIdentity(*toSlices[k], m_size, m_factor)) {
            toSlices[k] = IdentityTransform();
        }
    }
}

CSliceAlignment DescribeTransform(const cv::Matx23d& toSlice, cv::Size size) {
    CSliceAlignment a;
    const double cx = size.width / 2.0, cy = size.height / 2.0;
    a.dx = toSlice(0, 0) * cx + toSlice(0, 1) * cy + toSlice(0, 2) - cx;
    a.dy = toSlice(1, 0) * cx + toSlice(1, 1) * cy + toSlice(1, 2) - cy;
    a.scale = std::hypot(toSlice(0, 0), toSlice(1, 0));
    a.angleDegrees = std::atan2(toSlice(1, 0), toSlice(0, 0)) * 180 / std::numbers::pi;
    return a;
}

cv::Mat WarpToFirst(const cv::Mat& picture, const cv::Matx23d& toSlice) {
    if (toSlice == IdentityTransform()) {
        return picture;
    }
    cv::Mat warped;
    cv::warpAffine(picture, warped, cv::Mat(toSlice), picture.size(),
                   cv::INTER_CUBIC | cv::WARP_INVERSE_MAP, cv::BORDER_REFLECT);
    return warped;
}
