#include "analysis/mosaic/PairRegistration.h"

#include "analysis/mosaic/PhaseCorrelation.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace {

// Peaks of the phase surface judged by correlation when nothing is known of
// the shift.
constexpr int kPeaks = 5;
// Gauss-Newton sums over about this many pixels of large overlaps.
constexpr double kRefineSamples = 60000;

// Where bilinear sampling of b (top-left at d in a's frame) is defined, inside a.
cv::Rect SampledOverlap(cv::Size a, cv::Size b, cv::Point2d d) {
    const int x0 = std::max(0, static_cast<int>(std::ceil(d.x)));
    const int y0 = std::max(0, static_cast<int>(std::ceil(d.y)));
    const int x1 = std::min(a.width - 1, static_cast<int>(std::floor(d.x + b.width - 1)));
    const int y1 = std::min(a.height - 1, static_cast<int>(std::floor(d.y + b.height - 1)));
    return x1 > x0 && y1 > y0 ? cv::Rect(x0, y0, x1 - x0 + 1, y1 - y0 + 1) : cv::Rect();
}

cv::Mat Warped(const cv::Mat& b, cv::Point2d d, const cv::Rect& overlap) {
    const cv::Mat translate =
        (cv::Mat_<double>(2, 3) << 1, 0, overlap.x - d.x, 0, 1, overlap.y - d.y);
    cv::Mat warped;
    cv::warpAffine(b, warped, translate, overlap.size(), cv::INTER_CUBIC | cv::WARP_INVERSE_MAP,
                   cv::BORDER_REPLICATE);
    return warped;
}

// The shift of b against a to sub-pixel accuracy by Gauss-Newton steps on the
// overlap of the pictures as they are. Between them a gain and an offset may
// vary linearly across the overlap, which takes up exposure differences and
// the vignetting each picture has along its edge:
// a(x) ≈ (g₀ + g₁ξ + g₂η)·b(x − d) + o₀ + o₁ξ + o₂η, ξ, η in −1..1.
// Returns false when it runs off.
bool RefineShift(const cv::Mat& a, const cv::Mat& b, cv::Point2d& shift) {
    constexpr int kUnknowns = 8;
    cv::Point2d d = shift;
    double gain = 0;
    for (int iteration = 0; iteration < 8; ++iteration) {
        const cv::Rect overlap = SampledOverlap(a.size(), b.size(), d);
        if (!OverlapLargeEnough(a.size(), b.size(), overlap)) {
            return false;
        }
        const cv::Mat warped = Warped(b, d, overlap);
        cv::Mat gx, gy;
        cv::Sobel(warped, gx, CV_32F, 1, 0, 3, 1.0 / 8);
        cv::Sobel(warped, gy, CV_32F, 0, 1, 3, 1.0 / 8);
        const cv::Mat pa = a(overlap);
        if (gain == 0) {
            gain = cv::mean(pa)[0] / std::max(1e-6, cv::mean(warped)[0]);
        }
        // Every pixel of small overlaps, a regular sample of large ones: the
        // fit is no better for the rest, only slower.
        const int step = std::max(1, static_cast<int>(std::sqrt(overlap.area() / kRefineSamples)));
        cv::Matx<double, kUnknowns, kUnknowns> normal;
        cv::Vec<double, kUnknowns> right;
        const double sx = 2.0 / std::max(1, overlap.width - 1);
        const double sy = 2.0 / std::max(1, overlap.height - 1);
        for (int y = 1; y < overlap.height - 1; y += step) {
            const float* ra = pa.ptr<float>(y);
            const float* rw = warped.ptr<float>(y);
            const float* rx = gx.ptr<float>(y);
            const float* ry = gy.ptr<float>(y);
            const double eta = y * sy - 1;
            for (int x = 1; x < overlap.width - 1; x += step) {
                const double xi = x * sx - 1;
                const double w = rw[x];
                const double j[kUnknowns] = {
                    -gain * rx[x], -gain * ry[x], w, w * xi, w * eta, 1, xi, eta};
                for (int p = 0; p < kUnknowns; ++p) {
                    right[p] += j[p] * ra[x];
                    for (int q = 0; q <= p; ++q) {
                        normal(p, q) += j[p] * j[q];
                    }
                }
            }
        }
        for (int p = 0; p < kUnknowns; ++p) {
            for (int q = p + 1; q < kUnknowns; ++q) {
                normal(p, q) = normal(q, p);
            }
        }
        cv::Vec<double, kUnknowns> solution;
        if (!cv::solve(normal, right, solution, cv::DECOMP_CHOLESKY)) {
            return false;
        }
        const cv::Point2d change(solution[0], solution[1]);
        gain = solution[2];
        d += change;
        if (cv::norm(d - shift) > 3 || gain <= 0) {
            return false;
        }
        if (cv::norm(change) < 0.01) {
            break;
        }
    }
    shift = d;
    return true;
}

// The correlation of the overlap at a sub-pixel shift.
double OverlapNcc(const cv::Mat& a, const cv::Mat& b, cv::Point2d d) {
    const cv::Rect overlap = SampledOverlap(a.size(), b.size(), d);
    return OverlapLargeEnough(a.size(), b.size(), overlap) ? Ncc(a(overlap), Warped(b, d, overlap))
                                                           : -1;
}

struct CCandidate {
    cv::Point2d shift;
    double score = -1;
};

// The best of the surface's peaks, each read as its four wrapped shifts and
// judged by the correlation of the overlap it implies.
CCandidate BestPeak(const cv::Mat& a, const cv::Mat& b, const cv::Mat& surface) {
    CCandidate best;
    for (const cv::Point& peak : Peaks(surface, kPeaks)) {
        for (const int dx : {peak.x, peak.x - surface.cols}) {
            for (const int dy : {peak.y, peak.y - surface.rows}) {
                const double score = IntegerNcc(a, b, dx, dy);
                if (score > best.score) {
                    best.score = score;
                    best.shift = cv::Point2d(dx, dy) + PeakOffset(surface, peak);
                }
            }
        }
    }
    return best;
}

// The highest point of the surface within `radius` of `expected` (the
// surface wraps around).
CCandidate PeakNear(const cv::Mat& a, const cv::Mat& b, const cv::Mat& surface,
                    cv::Point2d expected, double radius) {
    const int reach = static_cast<int>(std::ceil(radius)) + 1;
    float highest = -1e30f;
    cv::Point at(-1, -1), shift;
    for (int dy = cvRound(expected.y) - reach; dy <= cvRound(expected.y) + reach; ++dy) {
        for (int dx = cvRound(expected.x) - reach; dx <= cvRound(expected.x) + reach; ++dx) {
            if (cv::norm(cv::Point2d(dx, dy) - expected) > radius + 1) {
                continue;
            }
            const cv::Point wrapped((dx % surface.cols + surface.cols) % surface.cols,
                                    (dy % surface.rows + surface.rows) % surface.rows);
            if (surface.at<float>(wrapped) > highest) {
                highest = surface.at<float>(wrapped);
                at = wrapped;
                shift = cv::Point(dx, dy);
            }
        }
    }
    if (at.x < 0) {
        return {};
    }
    return {cv::Point2d(shift) + PeakOffset(surface, at), IntegerNcc(a, b, shift.x, shift.y)};
}

// `a`, `b` flattened for finding the shift, `rawA`, `rawB` as they are for
// refining it.
CPairShift Register(const cv::Mat& a, const cv::Mat& b, const cv::Mat& rawA, const cv::Mat& rawB,
                    std::optional<cv::Point2d> expected, double searchRadius, bool refine) {
    // Near an expected shift only the overlap it implies is correlated: the
    // rest of the pictures would only add peaks from unrelated content.
    cv::Point origin(0, 0);
    cv::Mat partA = a, partB = b;
    std::optional<cv::Point2d> residual;
    if (expected) {
        origin = cv::Point(cvRound(expected->x), cvRound(expected->y));
        const cv::Rect overlap = Overlap(a.size(), b.size(), origin.x, origin.y);
        if (!OverlapLargeEnough(a.size(), b.size(), overlap)) {
            return {};
        }
        partA = a(overlap);
        partB = b(overlap - origin);
        residual = *expected - cv::Point2d(origin);
    }
    const cv::Size padded = PaddedSize(partA.size(), partB.size());
    const cv::Mat surface = PhaseSurface(Spectrum(partA, padded), Spectrum(partB, padded));
    CCandidate best = residual ? PeakNear(partA, partB, surface, *residual, searchRadius)
                               : BestPeak(partA, partB, surface);
    if (best.score <= 0) {
        return {};
    }
    best.shift += cv::Point2d(origin);
    if (refine) {
        // The score is judged on the flattened pictures: on the pictures as
        // they are, vignetting would outweigh faint structure.
        cv::Point2d refined = best.shift;
        if (RefineShift(rawA, rawB, refined)) {
            best = {refined, OverlapNcc(a, b, refined)};
        }
    }
    return {true, best.shift.x, best.shift.y, best.score};
}

} // namespace

CPairShift RegisterPair(const cv::Mat& aGrey, const cv::Mat& bGrey,
                        std::optional<cv::Point2d> expected, double searchRadius, bool refine) {
    if (aGrey.empty() || bGrey.empty()) {
        return {};
    }
    // The smoothing follows the pictures' size, not the part looked at, so
    // that structure larger than a narrow overlap survives.
    const int side =
        std::max(9, std::min({aGrey.cols, aGrey.rows, bGrey.cols, bGrey.rows}) / 6) | 1;
    if (!expected || searchRadius <= 0) {
        const CPairShift coarse = Register(Flattened(aGrey, side), Flattened(bGrey, side), {}, {},
                                           std::nullopt, 0, false);
        if (!coarse.found || !refine) {
            return coarse;
        }
        return RegisterPair(aGrey, bGrey, cv::Point2d(coarse.dx, coarse.dy), 1.5, true);
    }
    // Only the common part of both pictures near the expected overlap is
    // looked at (and flattened the same way in both): large pictures overlap
    // in a narrow strip, and flattening different surroundings would bias it.
    const int margin = static_cast<int>(std::ceil(searchRadius)) + 4;
    const cv::Point origin(cvRound(expected->x), cvRound(expected->y));
    const cv::Rect around(cv::Rect(origin, bGrey.size()) + cv::Size(2 * margin, 2 * margin) -
                          cv::Point(margin, margin));
    const cv::Rect regionB = (around - origin) & cv::Rect(cv::Point(), bGrey.size()) &
                             (cv::Rect(cv::Point(), aGrey.size()) - origin);
    const cv::Rect regionA = regionB + origin;
    if (regionB.empty()) {
        return {};
    }
    const cv::Point2d offset(regionB.tl() - regionA.tl());
    CPairShift shift = Register(Flattened(aGrey(regionA), side), Flattened(bGrey(regionB), side),
                                AsFloat(aGrey(regionA)), AsFloat(bGrey(regionB)),
                                *expected + offset, searchRadius, refine);
    shift.dx -= offset.x;
    shift.dy -= offset.y;
    return shift;
}

CPreparedPicture PreparePicture(const cv::Mat& grey) {
    CPreparedPicture prepared;
    prepared.flat = Flattened(grey, std::max(9, std::min(grey.cols, grey.rows) / 6) | 1);
    prepared.spectrum = Spectrum(prepared.flat, PaddedSize(grey.size(), grey.size()));
    return prepared;
}

CPairShift RegisterPrepared(const CPreparedPicture& a, const CPreparedPicture& b) {
    if (a.spectrum.size() != b.spectrum.size()) {
        return {};
    }
    const CCandidate best = BestPeak(a.flat, b.flat, PhaseSurface(a.spectrum, b.spectrum));
    if (best.score <= 0) {
        return {};
    }
    return {true, best.shift.x, best.shift.y, best.score};
}
