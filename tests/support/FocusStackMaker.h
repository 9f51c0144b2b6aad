#pragma once

#include <opencv2/core.hpp>
#include <string>
#include <vector>

// Focus series with a known answer, made from a sharp picture: every slice
// blurs each pixel by its distance from the slice's focus (1.5 px of blur per
// slice by default) and adds camera noise. Shared by the tests, the benchmark
// and the comparison tool.

struct CDefocus {
    double blurPerSlice = 1.5; // Gaussian sigma in pixels per slice of defocus
    double noise = 2.0;        // sigma of the added noise in grey levels
};

// The picture at `path` (BGR, 8 bits) enlarged by `zoom` and mirrored
// tile-wise to width × height: a real texture of any size.
cv::Mat TexturePicture(const std::string& path, int width, int height, double zoom);

// A smooth surface of heights in slices, from `low` to `high`: tilted and
// curved, so every slice is sharp along a band.
cv::Mat SurfaceDepth(cv::Size size, double low, double high);

// Slice `slice` of a picture whose every pixel lies at `depth` (CV_32F, in
// slices): each pixel blurred by its own defocus, plus noise (seeded by the
// slice).
cv::Mat DefocusedSlice(const cv::Mat& sharp, const cv::Mat& depth, int slice,
                       const CDefocus& defocus = {});

// Bright textured discs at `objectDepth` over a dark, smooth ground at
// `groundDepth` (never in focus when outside the slices): the light of a
// defocused object spreads over the ground, an in-focus one's does not.
struct CDiscScene {
    cv::Mat ground;  // BGR 8 bits
    cv::Mat objects; // BGR 8 bits, meaningful where alpha > 0
    cv::Mat alpha;   // CV_32F 0..1
    double groundDepth = 0;
    double objectDepth = 0;
    cv::Mat Sharp() const;
    cv::Mat Slice(int slice, const CDefocus& defocus = {}) const;
    // The ground pixels within `width` pixels of an object.
    cv::Mat Ring(int width) const;
};
CDiscScene DiscScene(const cv::Mat& texture, double groundDepth, double objectDepth);

// The per-pixel best a stacker could pick: the slice nearest the true depth.
cv::Mat NearestSliceOracle(const std::vector<cv::Mat>& slices, const cv::Mat& depth);

// Peak signal-to-noise ratio in dB over all channels; mean absolute
// difference in grey levels where `mask` is non-zero (everywhere when empty).
double Psnr(const cv::Mat& a, const cv::Mat& b);
double MeanError(const cv::Mat& a, const cv::Mat& b, const cv::Mat& mask = {});
