#include "tests/support/FocusStackMaker.h"

#include "analysis/focus/FocusImage.h"
#include "image/Dib.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace {

// The blurs a slice is interpolated from; finer steps where blur changes
// the picture most.
constexpr double kLevels[] = {0,   0.4, 0.8, 1.2, 1.6, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0,
                              8.0, 10,  12,  16,  20,  24,  32,  40,  48,  64};

cv::Mat Blur(const cv::Mat& picture, double sigma) {
    if (sigma <= 0) {
        return picture.clone();
    }
    cv::Mat out;
    if (sigma < 6) {
        cv::GaussianBlur(picture, out, cv::Size(), sigma, 0, cv::BORDER_REFLECT);
        return out;
    }
    // Wide blurs on a reduced picture: the same result, far faster.
    const double factor = std::floor(sigma / 3);
    cv::Mat small;
    cv::resize(picture, small, cv::Size(), 1 / factor, 1 / factor, cv::INTER_AREA);
    cv::GaussianBlur(small, small, cv::Size(), sigma / factor, 0, cv::BORDER_REFLECT);
    cv::resize(small, out, picture.size(), 0, 0, cv::INTER_LINEAR);
    return out;
}

// Each pixel of `picture` (CV_32FC3) blurred by its own sigma.
cv::Mat VariableBlur(const cv::Mat& picture, const cv::Mat& sigma) {
    double most = 0;
    cv::minMaxLoc(sigma, nullptr, &most);
    cv::Mat out(picture.size(), CV_32FC3, cv::Scalar::all(0));
    cv::Mat lower = Blur(picture, kLevels[0]);
    for (std::size_t j = 0; j + 1 < std::size(kLevels) && kLevels[j] <= most; ++j) {
        const cv::Mat upper = Blur(picture, kLevels[j + 1]);
        const double from = kLevels[j], to = kLevels[j + 1];
        for (int y = 0; y < picture.rows; ++y) {
            const float* s = sigma.ptr<float>(y);
            const float* a = lower.ptr<float>(y);
            const float* b = upper.ptr<float>(y);
            float* o = out.ptr<float>(y);
            for (int x = 0; x < picture.cols; ++x) {
                if (s[x] < from || (s[x] >= to && j + 2 < std::size(kLevels))) {
                    continue;
                }
                const float t = static_cast<float>(std::min(1.0, (s[x] - from) / (to - from)));
                for (int c = 0; c < 3; ++c) {
                    o[3 * x + c] = a[3 * x + c] + t * (b[3 * x + c] - a[3 * x + c]);
                }
            }
        }
        lower = upper;
    }
    return out;
}

cv::Mat ToFloat(const cv::Mat& picture) {
    cv::Mat out;
    picture.convertTo(out, CV_32FC3);
    return out;
}

cv::Mat WithNoise(const cv::Mat& picture, double noise, int seed) {
    cv::Mat grain(picture.size(), CV_32FC3);
    cv::RNG rng(static_cast<std::uint64_t>(1000 + seed));
    rng.fill(grain, cv::RNG::NORMAL, 0, noise);
    cv::Mat out;
    cv::Mat(picture + grain).convertTo(out, CV_8UC3);
    return out;
}

cv::Mat DefocusSigma(const cv::Mat& depth, int slice, double blurPerSlice) {
    cv::Mat sigma = cv::abs(depth - static_cast<double>(slice)) * blurPerSlice;
    return sigma;
}

} // namespace

cv::Mat TexturePicture(const std::string& path, int width, int height, double zoom) {
    CDib dib;
    if (!dib.Load(path, ImageType::Unknown)) {
        return {};
    }
    cv::Mat tile;
    cv::resize(DibToBgr(dib), tile, cv::Size(), zoom, zoom, cv::INTER_CUBIC);
    cv::Mat out(height, width, CV_8UC3);
    for (int y = 0; y < height; ++y) {
        const int ty = (y / tile.rows) % 2 == 0 ? y % tile.rows : tile.rows - 1 - y % tile.rows;
        for (int x = 0; x < width; ++x) {
            const int tx = (x / tile.cols) % 2 == 0 ? x % tile.cols : tile.cols - 1 - x % tile.cols;
            out.at<cv::Vec3b>(y, x) = tile.at<cv::Vec3b>(ty, tx);
        }
    }
    return out;
}

cv::Mat SurfaceDepth(cv::Size size, double low, double high) {
    cv::Mat depth(size, CV_32F);
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            const double u = static_cast<double>(x) / std::max(1, size.width - 1);
            const double v = static_cast<double>(y) / std::max(1, size.height - 1);
            // A tilt with a gentle bulge, 0..1.
            const double t = 0.6 * u + 0.25 * v + 0.15 * std::sin(3.0 * u) * std::cos(2.0 * v);
            depth.at<float>(y, x) =
                static_cast<float>(low + (high - low) * std::clamp(t, 0.0, 1.0));
        }
    }
    return depth;
}

cv::Mat DefocusedSlice(const cv::Mat& sharp, const cv::Mat& depth, int slice,
                       const CDefocus& defocus) {
    const cv::Mat blurred =
        VariableBlur(ToFloat(sharp), DefocusSigma(depth, slice, defocus.blurPerSlice));
    return WithNoise(blurred, defocus.noise, slice);
}

cv::Mat CDiscScene::Sharp() const {
    cv::Mat a3;
    cv::cvtColor(alpha, a3, cv::COLOR_GRAY2BGR);
    const cv::Mat mixed = ToFloat(ground).mul(cv::Scalar::all(1) - a3) + ToFloat(objects).mul(a3);
    cv::Mat out;
    mixed.convertTo(out, CV_8UC3);
    return out;
}

cv::Mat CDiscScene::Slice(int slice, const CDefocus& defocus) const {
    // Layers, as light reaches the camera: the in-focus object covers the
    // ground sharply; a defocused one spreads its light over it.
    const double groundSigma = std::abs(slice - groundDepth) * defocus.blurPerSlice;
    const double objectSigma = std::abs(slice - objectDepth) * defocus.blurPerSlice;
    cv::Mat sharpAlpha, a3;
    cv::cvtColor(alpha, sharpAlpha, cv::COLOR_GRAY2BGR);
    cv::cvtColor(Blur(alpha, objectSigma), a3, cv::COLOR_GRAY2BGR);
    const cv::Mat premultiplied = Blur(ToFloat(objects).mul(sharpAlpha), objectSigma);
    const cv::Mat mixed =
        Blur(ToFloat(ground), groundSigma).mul(cv::Scalar::all(1) - a3) + premultiplied;
    return WithNoise(mixed, defocus.noise, slice);
}

cv::Mat CDiscScene::Ring(int width) const {
    const cv::Mat outside = alpha <= 0;
    cv::Mat distance;
    cv::distanceTransform(outside, distance, cv::DIST_L2, 3);
    return outside & (distance <= width);
}

CDiscScene DiscScene(const cv::Mat& texture, double groundDepth, double objectDepth) {
    CDiscScene scene;
    scene.groundDepth = groundDepth;
    scene.objectDepth = objectDepth;
    const cv::Size size = texture.size();
    // A dark ground with a slow, smooth shading: nothing in it to focus on.
    scene.ground.create(size, CV_8UC3);
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            const auto level =
                static_cast<std::uint8_t>(25 + 15.0 * x / size.width + 10.0 * y / size.height);
            scene.ground.at<cv::Vec3b>(y, x) = cv::Vec3b(level, level, level);
        }
    }
    // Bright objects: the texture lifted towards white.
    texture.convertTo(scene.objects, CV_8UC3, 0.5, 127);
    // Discs, anti-aliased by drawing at 8 times the resolution.
    cv::Mat big = cv::Mat::zeros(size * 8, CV_8U);
    const int r = std::min(size.width, size.height) / 7;
    for (const cv::Point2d c :
         {cv::Point2d(0.28, 0.32), cv::Point2d(0.7, 0.3), cv::Point2d(0.45, 0.72)}) {
        cv::circle(big,
                   cv::Point(static_cast<int>(c.x * size.width * 8),
                             static_cast<int>(c.y * size.height * 8)),
                   r * 8, cv::Scalar(255), cv::FILLED);
    }
    cv::Mat small;
    cv::resize(big, small, size, 0, 0, cv::INTER_AREA);
    small.convertTo(scene.alpha, CV_32F, 1.0 / 255);
    return scene;
}

cv::Mat NearestSliceOracle(const std::vector<cv::Mat>& slices, const cv::Mat& depth) {
    cv::Mat out(depth.size(), CV_8UC3);
    const int last = static_cast<int>(slices.size()) - 1;
    for (int y = 0; y < depth.rows; ++y) {
        for (int x = 0; x < depth.cols; ++x) {
            const int k = std::clamp(static_cast<int>(std::lround(depth.at<float>(y, x))), 0, last);
            out.at<cv::Vec3b>(y, x) = slices[static_cast<std::size_t>(k)].at<cv::Vec3b>(y, x);
        }
    }
    return out;
}

double Psnr(const cv::Mat& a, const cv::Mat& b) {
    return cv::PSNR(a, b);
}

double MeanError(const cv::Mat& a, const cv::Mat& b, const cv::Mat& mask) {
    cv::Mat difference;
    cv::absdiff(a, b, difference);
    const cv::Scalar mean = cv::mean(difference, mask);
    return (mean[0] + mean[1] + mean[2]) / 3;
}
