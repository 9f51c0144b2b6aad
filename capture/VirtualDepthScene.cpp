#include "capture/VirtualDepthScene.h"

#include "capture/VirtualDepth.h"
#include "capture/VirtualPicture.h"

#include <algorithm>
#include <cmath>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace {

// Blurred copies of the specimen, each twice as blurred as the one before
// (sigma 1, 2, 4, … at 1080 rows); defocus beyond the last looks the same.
constexpr int kLevels = 7;
// The defocus table's resolution: a quarter of a focus step.
constexpr int kTableSteps = 4;

// The specimen's texture: octaves of smooth noise of equal strength, which
// gives the 1/f spectrum of natural surfaces. The coarse octaves do not depend
// on the size, so every size shows the same specimen.
cv::Mat Texture(int width, int height) {
    cv::Mat sum = cv::Mat::zeros(height, width, CV_32F);
    cv::Mat octave;
    int cells = 3;
    for (int k = 0; height / cells >= 3; ++k, cells *= 2) {
        cv::RNG rng(0x5eed + static_cast<std::uint64_t>(k));
        const int across = std::max(2, static_cast<int>(std::ceil(cells * double(width) / height)));
        cv::Mat coarse(cells + 1, across + 1, CV_32F);
        rng.fill(coarse, cv::RNG::UNIFORM, -1.0, 1.0);
        cv::resize(coarse, octave, sum.size(), 0, 0, cv::INTER_CUBIC);
        sum += octave;
    }
    cv::Scalar mean;
    cv::Scalar deviation;
    cv::meanStdDev(sum, mean, deviation);
    cv::Mat grey;
    sum.convertTo(grey, CV_8U, 35.0 / std::max(deviation[0], 1e-6),
                  140.0 - 35.0 * mean[0] / std::max(deviation[0], 1e-6));
    cv::max(grey, 60, grey);
    return grey;
}

// Which two levels bracket a defocus, and how far between them (0..256).
struct Blend {
    std::uint8_t lower = 0;
    std::uint16_t weight = 0;
};

std::vector<Blend> BlendTable() {
    std::vector<Blend> table(1000 * kTableSteps + 2);
    for (std::size_t i = 0; i < table.size(); ++i) {
        const double sigma = VirtualDepth::BlurSigma(double(i) / kTableSteps, 1080);
        double position = sigma < 1.0 ? sigma : 1.0 + std::log2(sigma);
        position = std::min(position, double(kLevels - 1));
        const int lower = std::min(static_cast<int>(position), kLevels - 2);
        table[i] = {static_cast<std::uint8_t>(lower),
                    static_cast<std::uint16_t>(std::lround((position - lower) * 256.0))};
    }
    return table;
}

std::vector<int> ControlsKey(const VirtualPictureSettings& s) {
    return {s.brightness,           s.contrast, s.saturation,   s.gain,
            s.exposureAuto ? 1 : 0, s.exposure, s.whiteBalance, s.focus};
}

} // namespace

void VirtualDefocus(cv::Mat& picture, double sigma) {
    if (sigma < 0.3) {
        return;
    }
    if (sigma <= 6.0) {
        cv::GaussianBlur(picture, picture, {}, sigma);
        return;
    }
    const double factor = sigma / 3.0;
    cv::Mat small;
    cv::resize(picture, small,
               {std::max(1, static_cast<int>(picture.cols / factor)),
                std::max(1, static_cast<int>(picture.rows / factor))},
               0, 0, cv::INTER_AREA);
    cv::GaussianBlur(small, small, {}, 3.0);
    cv::resize(small, picture, picture.size(), 0, 0, cv::INTER_LINEAR);
}

void CVirtualDepthScene::RebuildLevels(int width, int height) {
    m_width = width;
    m_height = height;
    m_frameKey.clear();

    cv::Mat sharp = Texture(width, height);
    const double radius = VirtualPicture::DiscDiameter(height) / 2.0;
    cv::circle(sharp, {width / 2, height / 2}, static_cast<int>(std::lround(radius)),
               VirtualPicture::kDark, cv::FILLED, cv::LINE_AA);

    m_levels.assign(kLevels, {});
    for (int k = 0; k < kLevels; ++k) {
        cv::Mat level = sharp.clone();
        if (k > 0) {
            VirtualDefocus(level, std::ldexp(1.0, k - 1) * height / 1080.0);
        }
        m_levels[static_cast<std::size_t>(k)].assign(level.datastart, level.dataend);
    }

    m_heights.resize(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            m_heights[static_cast<std::size_t>(y) * width + x] = static_cast<float>(
                VirtualDepth::SurfaceHeight((x + 0.5) / width, (y + 0.5) / height));
        }
    }
}

void CVirtualDepthScene::RebuildFrame(const VirtualPictureSettings& settings) {
    m_frameKey = ControlsKey(settings);
    std::array<std::array<std::uint8_t, 3>, 256> colours{};
    for (int g = 0; g < 256; ++g) {
        colours[static_cast<std::size_t>(g)] = VirtualPicture::Apply(settings, g, g, g);
    }
    m_dark = VirtualPicture::Apply(settings, VirtualPicture::kDark, VirtualPicture::kDark,
                                   VirtualPicture::kDark);
    m_dot = VirtualPicture::Apply(settings, 40, 40, 200);

    static const std::vector<Blend> table = BlendTable();
    const float focus = static_cast<float>(settings.focus);
    const std::size_t count = m_heights.size();
    m_frame.resize(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        const float defocus = std::min(std::abs(m_heights[i] - focus), 1000.0f);
        const Blend blend = table[static_cast<std::size_t>(defocus * kTableSteps)];
        const int lower = m_levels[blend.lower][i];
        const int upper = m_levels[blend.lower + 1u][i];
        const int grey = (lower * (256 - blend.weight) + upper * blend.weight + 128) >> 8;
        std::copy_n(colours[static_cast<std::size_t>(grey)].data(), 3, &m_frame[i * 3]);
    }
}

void CVirtualDepthScene::Render(int width, int height, std::uint64_t frameIndex,
                                const VirtualPictureSettings& settings,
                                std::vector<std::uint8_t>& bgr) {
    if (width != m_width || height != m_height || m_levels.empty()) {
        RebuildLevels(width, height);
    }
    if (m_frameKey != ControlsKey(settings)) {
        RebuildFrame(settings);
    }
    bgr = m_frame;
    VirtualPicture::DrawFrameMarks(bgr, width, height, frameIndex, m_dark.data(), m_dot.data());
}
