#include "MosaicPictures.h"

#include "image/Dib.h"
#include "tests/support/NaturalTexture.h"

#include <cmath>
#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>
#include <random>

cv::Mat NaturalScene(cv::Size size, unsigned seed, double slope, double blur, double contrast) {
    std::mt19937 random(seed);
    const cv::Mat luminance = PinkNoise(size, random, slope);
    const cv::Mat tint = PinkNoise(size, random, slope + 0.5);
    std::vector<cv::Mat> channels;
    for (const double weight : {-0.3, 0.1, 0.3}) {
        cv::Mat channel = luminance + weight * tint;
        if (blur > 0) {
            cv::GaussianBlur(channel, channel, cv::Size(), blur);
        }
        cv::Scalar mean, sd;
        cv::meanStdDev(channel, mean, sd);
        channels.push_back((channel - mean[0]) * (40.0 * contrast / sd[0]) + 128.0);
    }
    cv::Mat merged, out;
    cv::merge(channels, merged);
    merged.convertTo(out, CV_8UC3);
    return out;
}

cv::Mat CutTile(const cv::Mat& scene, const CTileCut& cut, cv::Size size, double vignetting,
                double noise, unsigned seed) {
    const cv::Mat translate = (cv::Mat_<double>(2, 3) << 1, 0, -cut.at.x, 0, 1, -cut.at.y);
    cv::Mat tile;
    cv::warpAffine(scene, tile, translate, size, cv::INTER_CUBIC, cv::BORDER_REFLECT);
    tile.convertTo(tile, CV_32FC3);
    const double halfDiagonal = std::hypot(size.width, size.height) / 2;
    std::mt19937 random(seed);
    std::normal_distribution<float> normal(0, static_cast<float>(noise));
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            const double r =
                std::hypot(x + 0.5 - size.width / 2.0, y + 0.5 - size.height / 2.0) / halfDiagonal;
            const float factor = static_cast<float>(cut.exposure * (1 - vignetting * r * r));
            cv::Vec3f& pixel = tile.at<cv::Vec3f>(y, x);
            for (int c = 0; c < 3; ++c) {
                pixel[c] = pixel[c] * factor + (noise > 0 ? normal(random) : 0.0f);
            }
        }
    }
    cv::Mat out;
    tile.convertTo(out, CV_8UC3);
    return out;
}

std::vector<CTileCut> SerpentineCuts(int columns, int rows, cv::Size size, double overlap,
                                     double jitter, unsigned seed, double margin) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> offset(-jitter, jitter);
    std::vector<CTileCut> cuts;
    for (int row = 0; row < rows; ++row) {
        for (int i = 0; i < columns; ++i) {
            const int column = row % 2 == 0 ? i : columns - 1 - i;
            const double x = margin + jitter + column * size.width * (1 - overlap) + offset(random);
            const double y = margin + jitter + row * size.height * (1 - overlap) + offset(random);
            cuts.push_back({{x, y}, 1});
        }
    }
    return cuts;
}

void WriteTile(const cv::Mat& tile, const std::filesystem::path& path) {
    CDib dib;
    ASSERT_TRUE(dib.Create(tile.cols, tile.rows, 24));
    for (int y = 0; y < tile.rows; ++y) {
        std::copy_n(tile.ptr<std::uint8_t>(y), tile.cols * 3, dib.Row(dib.StoredRow(y)));
    }
    dib.SetJpegQuality(92);
    const auto extension = path.extension();
    const ImageType type = extension == ".jpg"   ? ImageType::Jpeg
                           : extension == ".bmp" ? ImageType::Bmp
                                                 : ImageType::Png;
    ASSERT_TRUE(dib.Save(path, type)) << dib.LastError();
}
