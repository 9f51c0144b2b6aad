#include "analysis/mosaic/PairRegistration.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace {

constexpr int kPeaks = 8;
constexpr double kSurfaceSigma = 2.0;
constexpr int kMinOverlapSide = 8;
constexpr double kMinOverlapFraction = 0.03;

cv::Mat AsFloat(const cv::Mat& grey) {
    cv::Mat out;
    grey.convertTo(out, CV_32F);
    return out;
}

// The part of a (in a's frame) that b covers when b's top-left is at (dx, dy).
cv::Rect Overlap(cv::Size a, cv::Size b, int dx, int dy) {
    return cv::Rect(0, 0, a.width, a.height) & cv::Rect(dx, dy, b.width, b.height);
}

bool OverlapLargeEnough(cv::Size a, cv::Size b, const cv::Rect& overlap) {
    const double smaller = std::min(a.area(), b.area());
    return overlap.width >= kMinOverlapSide && overlap.height >= kMinOverlapSide &&
           overlap.area() >= kMinOverlapFraction * smaller;
}

double Ncc(const cv::Mat& a, const cv::Mat& b) {
    cv::Scalar meanA, sdA, meanB, sdB;
    cv::meanStdDev(a, meanA, sdA);
    cv::meanStdDev(b, meanB, sdB);
    if (sdA[0] < 1e-6 || sdB[0] < 1e-6) {
        return 0;
    }
    const double cross = a.dot(b) / static_cast<double>(a.total()) - meanA[0] * meanB[0];
    return cross / (sdA[0] * sdB[0]);
}

double IntegerNcc(const cv::Mat& a, const cv::Mat& b, int dx, int dy) {
    const cv::Rect overlap = Overlap(a.size(), b.size(), dx, dy);
    if (!OverlapLargeEnough(a.size(), b.size(), overlap)) {
        return -1;
    }
    return Ncc(a(overlap), b(overlap - cv::Point(dx, dy)));
}

// Weights that fall smoothly to zero over the outer few percent of a side
// only: overlaps lie along the pictures' edges, where a window over the whole
// picture would leave nothing to correlate, while a hard edge would produce a
// false peak at zero shift.
cv::Mat EdgeTaper(int length) {
    cv::Mat taper(1, length, CV_32F, cv::Scalar(1));
    const int ramp = std::min(length / 2, std::max(2, length / 16));
    for (int i = 0; i < ramp; ++i) {
        const float w = static_cast<float>(0.5 - 0.5 * std::cos(CV_PI * (i + 0.5) / ramp));
        taper.at<float>(i) = w;
        taper.at<float>(length - 1 - i) = w;
    }
    return taper;
}

// Mean removed and the edges tapered, zero-padded to `size`.
cv::Mat Windowed(const cv::Mat& picture, cv::Size size) {
    const cv::Mat window = EdgeTaper(picture.rows).t() * EdgeTaper(picture.cols);
    cv::Mat centred = picture - cv::mean(picture)[0];
    cv::Mat padded = cv::Mat::zeros(size, CV_32F);
    cv::multiply(centred, window, padded(cv::Rect(cv::Point(), picture.size())));
    return padded;
}

// The normalised cross-power surface; its peak lies at b's top-left in a's
// frame, modulo the padded size.
cv::Mat PhaseSurface(const cv::Mat& a, const cv::Mat& b) {
    const cv::Size size(cv::getOptimalDFTSize(std::max(a.cols, b.cols)),
                        cv::getOptimalDFTSize(std::max(a.rows, b.rows)));
    cv::Mat fa, fb, cross;
    cv::dft(Windowed(a, size), fa, cv::DFT_COMPLEX_OUTPUT);
    cv::dft(Windowed(b, size), fb, cv::DFT_COMPLEX_OUTPUT);
    cv::mulSpectrums(fa, fb, cross, 0, true);
    std::vector<cv::Mat> parts;
    cv::split(cross, parts);
    cv::Mat magnitude;
    cv::magnitude(parts[0], parts[1], magnitude);
    magnitude += 1e-9;
    cv::divide(parts[0], magnitude, parts[0]);
    cv::divide(parts[1], magnitude, parts[1]);
    cv::merge(parts, cross);
    // Whitening lifts the noise of the finest frequencies to the level of
    // the structure; a Gaussian low-pass (smoothing the surface by about a
    // pixel) gives weak, smooth structure its say again.
    for (int y = 0; y < size.height; ++y) {
        const double fy = std::min(y, size.height - y) / static_cast<double>(size.height);
        cv::Vec2f* row = cross.ptr<cv::Vec2f>(y);
        for (int x = 0; x < size.width; ++x) {
            const double fx = std::min(x, size.width - x) / static_cast<double>(size.width);
            row[x] *= static_cast<float>(
                std::exp(-2 * CV_PI * CV_PI * kSurfaceSigma * kSurfaceSigma * (fx * fx + fy * fy)));
        }
    }
    cv::Mat surface;
    cv::idft(cross, surface, cv::DFT_REAL_OUTPUT | cv::DFT_SCALE);
    return surface;
}

// The peak's offset from its pixel by a parabola through it and its
// neighbours along each axis (the surface wraps around).
cv::Point2d PeakOffset(const cv::Mat& surface, cv::Point peak) {
    const auto at = [&](int x, int y) {
        x = (x + surface.cols) % surface.cols;
        y = (y + surface.rows) % surface.rows;
        return static_cast<double>(surface.at<float>(y, x));
    };
    const auto vertex = [](double left, double centre, double right) {
        const double curvature = left - 2 * centre + right;
        return curvature < 0 ? std::clamp(0.5 * (left - right) / curvature, -0.5, 0.5) : 0.0;
    };
    const double c = at(peak.x, peak.y);
    return {vertex(at(peak.x - 1, peak.y), c, at(peak.x + 1, peak.y)),
            vertex(at(peak.x, peak.y - 1), c, at(peak.x, peak.y + 1))};
}

std::vector<cv::Point> Peaks(cv::Mat surface) {
    std::vector<cv::Point> peaks;
    cv::Mat search = surface.clone();
    for (int i = 0; i < kPeaks; ++i) {
        double best = 0;
        cv::Point at;
        cv::minMaxLoc(search, nullptr, &best, nullptr, &at);
        if (best <= 0) {
            break;
        }
        peaks.push_back(at);
        cv::circle(search, at, 3, cv::Scalar(0), cv::FILLED);
    }
    return peaks;
}

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
    for (int iteration = 0; iteration < 12; ++iteration) {
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
        // Every pixel of small overlaps, every other one of large ones: the
        // fit is no better for the rest, only slower.
        const int step = overlap.area() > 200000 ? 2 : 1;
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
        if (cv::norm(change) < 0.005) {
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
CCandidate BestPeak(const cv::Mat& a, const cv::Mat& b, const cv::Mat& surface,
                    std::optional<cv::Point2d> expected, double radius) {
    CCandidate best;
    for (const cv::Point& peak : Peaks(surface)) {
        for (const int dx : {peak.x, peak.x - surface.cols}) {
            for (const int dy : {peak.y, peak.y - surface.rows}) {
                if (expected && cv::norm(cv::Point2d(dx, dy) - *expected) > radius + 1) {
                    continue;
                }
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

// The picture divided by its local mean: exposure and vignetting, which vary
// slowly, fall out, and the correlations see only the structure. Two box
// filters make a cheap wide smoothing.
cv::Mat Flattened(const cv::Mat& grey, int side) {
    cv::Mat picture = AsFloat(grey);
    cv::Mat mean;
    cv::boxFilter(picture, mean, CV_32F, cv::Size(side, side), cv::Point(-1, -1), true,
                  cv::BORDER_REFLECT);
    cv::boxFilter(mean, mean, CV_32F, cv::Size(side, side), cv::Point(-1, -1), true,
                  cv::BORDER_REFLECT);
    cv::Mat out;
    cv::divide(picture, mean + 1.0, out);
    return out;
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
    CCandidate best = BestPeak(partA, partB, PhaseSurface(partA, partB), residual, searchRadius);
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
