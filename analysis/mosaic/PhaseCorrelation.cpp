#include "analysis/mosaic/PhaseCorrelation.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace {

constexpr int kMinOverlapSide = 8;
constexpr double kMinOverlapFraction = 0.03;
// The Gaussian low-pass on the phase surface, in pixels.
constexpr double kSurfaceSigma = 2.0;

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

} // namespace

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

cv::Size PaddedSize(cv::Size a, cv::Size b) {
    return {cv::getOptimalDFTSize(std::max(a.width, b.width)),
            cv::getOptimalDFTSize(std::max(a.height, b.height))};
}

cv::Mat Spectrum(const cv::Mat& flat, cv::Size padded) {
    cv::Mat spectrum;
    cv::dft(Windowed(flat, padded), spectrum, cv::DFT_COMPLEX_OUTPUT);
    return spectrum;
}

cv::Mat PhaseSurface(const cv::Mat& fa, const cv::Mat& fb) {
    const cv::Size size = fa.size();
    cv::Mat cross;
    cv::mulSpectrums(fa, fb, cross, 0, true);
    // Whitening (each frequency's amplitude set to one) lifts the noise of the
    // finest frequencies to the level of the structure; a Gaussian low-pass
    // (smoothing the surface by a pixel or two) gives weak, smooth structure
    // its say again. One pass over the spectrum does both.
    const auto lowPass = [](int length) {
        std::vector<float> factors(static_cast<std::size_t>(length));
        for (int i = 0; i < length; ++i) {
            const double f = std::min(i, length - i) / static_cast<double>(length);
            factors[static_cast<std::size_t>(i)] = static_cast<float>(
                std::exp(-2 * CV_PI * CV_PI * kSurfaceSigma * kSurfaceSigma * f * f));
        }
        return factors;
    };
    const std::vector<float> across = lowPass(size.width), down = lowPass(size.height);
    for (int y = 0; y < size.height; ++y) {
        cv::Vec2f* row = cross.ptr<cv::Vec2f>(y);
        for (int x = 0; x < size.width; ++x) {
            const float length = std::hypot(row[x][0], row[x][1]) + 1e-9f;
            row[x] *=
                across[static_cast<std::size_t>(x)] * down[static_cast<std::size_t>(y)] / length;
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

std::vector<cv::Point> Peaks(const cv::Mat& surface, int count) {
    std::vector<cv::Point> peaks;
    cv::Mat search = surface.clone();
    for (int i = 0; i < count; ++i) {
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
