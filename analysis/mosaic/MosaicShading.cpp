#include "analysis/mosaic/MosaicShading.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace {

constexpr int kSamplesAcross = 24;
constexpr int kSampleHalf = 2; // a 5 × 5 mean per sample: noise and JPEG average out
constexpr double kDark = 12, kBright = 243;

double MeanAround(const cv::Mat& grey, double x, double y) {
    const int cx = std::clamp(cvRound(x), kSampleHalf, grey.cols - 1 - kSampleHalf);
    const int cy = std::clamp(cvRound(y), kSampleHalf, grey.rows - 1 - kSampleHalf);
    const cv::Rect box(cx - kSampleHalf, cy - kSampleHalf, 2 * kSampleHalf + 1,
                       2 * kSampleHalf + 1);
    return cv::mean(grey(box))[0];
}

} // namespace

cv::Mat FlatFieldOf(const std::filesystem::path& path, cv::Size tileSize, std::string& error) {
    CDib picture;
    if (!LoadColourTile(path, picture, error)) {
        error = "Flat field: " + error;
        return {};
    }
    if (picture.Width() != tileSize.width || picture.Height() != tileSize.height) {
        error = "The flat field " + path.string() + " is not the size of the pictures";
        return {};
    }
    cv::Mat flat;
    GreyOf(picture).convertTo(flat, CV_32F);
    // Dust and noise in the flat field must not print onto the mosaic; the
    // falloff it records is smooth.
    const double sigma = std::max(tileSize.width, tileSize.height) / 60.0;
    cv::GaussianBlur(flat, flat, cv::Size(), sigma, sigma, cv::BORDER_REFLECT);
    const cv::Rect centre(tileSize.width * 2 / 5, tileSize.height * 2 / 5,
                          std::max(1, tileSize.width / 5), std::max(1, tileSize.height / 5));
    const double middle = cv::mean(flat(centre))[0];
    if (middle < 1) {
        error = "The flat field " + path.string() + " is black";
        return {};
    }
    flat /= middle;
    cv::max(flat, 0.05, flat);
    return flat;
}

void EstimateShading(const CGreyTiles& tiles, const cv::Mat& flatField,
                     std::vector<CTilePlacement>& placements, CVignetting& vignetting) {
    std::vector<int> unknown(placements.size(), -1);
    int count = 0;
    for (std::size_t i = 0; i < placements.size(); ++i) {
        if (placements[i].placed) {
            unknown[i] = count++;
        }
    }
    const bool radial = flatField.empty();
    const int terms = count + (radial ? 3 : 0);
    if (count == 0) {
        return;
    }
    const double w = tiles.size.width, h = tiles.size.height;
    const double halfDiagonal2 = (w * w + h * h) / 4;
    const double f = tiles.detailFactor;
    cv::Mat normal = cv::Mat::zeros(terms, terms, CV_64F);
    cv::Mat right = cv::Mat::zeros(terms, 1, CV_64F);
    std::vector<double> row(terms);
    const auto add = [&](double weight, double target) {
        for (int i = 0; i < terms; ++i) {
            if (row[i] == 0) {
                continue;
            }
            right.at<double>(i) += weight * row[i] * target;
            for (int j = 0; j < terms; ++j) {
                normal.at<double>(i, j) += weight * row[i] * row[j];
            }
        }
    };
    // The log of a picture's value at a mosaic point, flat-field corrected,
    // and the powers of its radius; false where the value says nothing.
    const auto sample = [&](std::size_t tile, cv::Point2d at, double& value, double& r2) {
        const cv::Point2d local = at - cv::Point2d(placements[tile].x, placements[tile].y);
        double v = MeanAround(tiles.detail[tile], local.x / f, local.y / f);
        if (v < kDark || v > kBright) {
            return false;
        }
        if (!radial) {
            v /= flatField.at<float>(std::clamp(cvRound(local.y), 0, flatField.rows - 1),
                                     std::clamp(cvRound(local.x), 0, flatField.cols - 1));
        }
        value = std::log(v);
        const cv::Point2d centred = local - cv::Point2d(w / 2, h / 2);
        r2 = centred.dot(centred) / halfDiagonal2;
        return true;
    };
    int samples = 0;
    for (std::size_t i = 0; i < placements.size(); ++i) {
        for (std::size_t j = i + 1; j < placements.size(); ++j) {
            if (unknown[i] < 0 || unknown[j] < 0) {
                continue;
            }
            const double x0 = std::max(placements[i].x, placements[j].x) + 3 * f;
            const double y0 = std::max(placements[i].y, placements[j].y) + 3 * f;
            const double x1 = std::min(placements[i].x, placements[j].x) + w - 3 * f;
            const double y1 = std::min(placements[i].y, placements[j].y) + h - 3 * f;
            if (x1 - x0 < 4 * f || y1 - y0 < 4 * f) {
                continue;
            }
            for (int sy = 0; sy < kSamplesAcross; ++sy) {
                for (int sx = 0; sx < kSamplesAcross; ++sx) {
                    const cv::Point2d at(x0 + (x1 - x0) * (sx + 0.5) / kSamplesAcross,
                                         y0 + (y1 - y0) * (sy + 0.5) / kSamplesAcross);
                    double vi = 0, vj = 0, ri = 0, rj = 0;
                    if (!sample(i, at, vi, ri) || !sample(j, at, vj, rj)) {
                        continue;
                    }
                    std::fill(row.begin(), row.end(), 0.0);
                    row[unknown[i]] = 1;
                    row[unknown[j]] = -1;
                    if (radial) {
                        row[count] = ri - rj;
                        row[count + 1] = ri * ri - rj * rj;
                        row[count + 2] = ri * ri * ri - rj * rj * rj;
                    }
                    add(1, vi - vj);
                    ++samples;
                }
            }
        }
    }
    // The mean log gain is zero; a faint pull towards no vignetting keeps
    // the model defined when the overlaps cannot tell.
    std::fill(row.begin(), row.end(), 0.0);
    std::fill(row.begin(), row.begin() + count, 1.0);
    add(std::max(1, samples), 0);
    for (int k = count; k < terms; ++k) {
        normal.at<double>(k, k) += 1e-3 * std::max(1, samples);
    }
    cv::Mat solution;
    if (!cv::solve(normal, right, solution, cv::DECOMP_SVD)) {
        return;
    }
    for (std::size_t i = 0; i < placements.size(); ++i) {
        if (unknown[i] >= 0) {
            placements[i].gain = std::exp(-solution.at<double>(unknown[i]));
        }
    }
    if (radial) {
        vignetting = {solution.at<double>(count), solution.at<double>(count + 1),
                      solution.at<double>(count + 2)};
    }
}
