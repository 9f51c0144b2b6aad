#include "capture/VirtualPicture.h"

#include "capture/VirtualDepth.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <opencv2/core.hpp>
#include <string>

namespace {

constexpr double kPi = 3.14159265358979323846;

// A 5 × 7 font of the ten digits, one byte per row, bit 4 the left column.
constexpr std::array<std::array<std::uint8_t, 7>, 10> kDigits{{
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E},
    {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F},
    {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02},
    {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E},
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E},
    {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
}};

} // namespace

namespace VirtualPicture {

std::array<std::uint8_t, 3> Apply(const VirtualPictureSettings& s, int blue, int green, int red) {
    // Saturation pulls the colours towards their grey.
    const double grey = 0.114 * blue + 0.587 * green + 0.299 * red;
    const double saturation = std::clamp(s.saturation, 0, 128) / 64.0;
    double level[3] = {grey + (blue - grey) * saturation, grey + (green - grey) * saturation,
                       grey + (red - grey) * saturation};
    // Warmer light settings make the picture bluer, as a camera compensates.
    const double warmth = (std::clamp(s.whiteBalance, 2800, 6500) - 4600) / 1800.0;
    level[0] *= 1.0 - 0.15 * warmth;
    level[2] *= 1.0 + 0.15 * warmth;
    const double exposure = s.exposureAuto ? 1.0 : std::clamp(s.exposure, 5, 1000) / 166.0;
    const double gain = 1.0 + std::clamp(s.gain, 0, 100) / 100.0;
    const double contrast = std::clamp(s.contrast, 0, 64) / 32.0;
    std::array<std::uint8_t, 3> out{};
    for (int c = 0; c < 3; ++c) {
        double v = level[c] * exposure * gain;
        v = (v - 128.0) * contrast + 128.0 + std::clamp(s.brightness, -64, 64);
        out[static_cast<std::size_t>(c)] =
            static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
    }
    return out;
}

int DiscDiameter(int height) {
    return static_cast<int>(std::lround(height / 4.0));
}
int TickSpacingTimes100(int width) {
    return width * 5;
}
int TickLength(int height) {
    return std::max(4, height / 30);
}
int DigitScale(int height) {
    return std::max(2, height / 120);
}

void DrawFrameMarks(std::vector<std::uint8_t>& bgr, int width, int height, std::uint64_t frameIndex,
                    const std::uint8_t* dark, const std::uint8_t* dotColour) {
    const auto plot = [&](int x, int y, const std::uint8_t* colour) {
        if (x >= 0 && y >= 0 && x < width && y < height) {
            std::memcpy(&bgr[(static_cast<std::size_t>(y) * width + x) * 3], colour, 3);
        }
    };
    // The frame number, bottom left, one margin of a digit's width from the edges.
    const int scale = VirtualPicture::DigitScale(height);
    const std::string digits = std::to_string(frameIndex);
    const int margin = scale * 4;
    const int top = height - margin - 7 * scale;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const auto& glyph = kDigits[static_cast<std::size_t>(digits[i] - '0')];
        const int left = margin + static_cast<int>(i) * 6 * scale;
        for (int row = 0; row < 7; ++row) {
            for (int col = 0; col < 5; ++col) {
                if ((glyph[static_cast<std::size_t>(row)] >> (4 - col) & 1) == 0) {
                    continue;
                }
                for (int y = 0; y < scale; ++y) {
                    for (int x = 0; x < scale; ++x) {
                        plot(left + col * scale + x, top + row * scale + y, dark);
                    }
                }
            }
        }
    }

    // A dot circling the disc, a full turn every 60 frames.
    const double angle = 2.0 * kPi * static_cast<double>(frameIndex % 60) / 60.0;
    const double orbit = height * 0.3;
    const int dotX = static_cast<int>(std::lround(width / 2.0 + orbit * std::cos(angle)));
    const int dotY = static_cast<int>(std::lround(height / 2.0 + orbit * std::sin(angle)));
    const int dotRadius = std::max(3, height / 80);
    for (int y = -dotRadius; y <= dotRadius; ++y) {
        for (int x = -dotRadius; x <= dotRadius; ++x) {
            if (x * x + y * y <= dotRadius * dotRadius) {
                plot(dotX + x, dotY + y, dotColour);
            }
        }
    }
}
} // namespace VirtualPicture

void CVirtualPicture::Plot(std::vector<std::uint8_t>& bgr, int x, int y,
                           const std::uint8_t* colour) const {
    if (x >= 0 && y >= 0 && x < m_width && y < m_height) {
        std::memcpy(&bgr[(static_cast<std::size_t>(y) * m_width + x) * 3], colour, 3);
    }
}

void CVirtualPicture::RebuildBase(int width, int height, const VirtualPictureSettings& settings) {
    m_width = width;
    m_height = height;
    m_settings = settings;
    const auto light =
        VirtualPicture::Apply(settings, VirtualPicture::kBackground, VirtualPicture::kBackground,
                              VirtualPicture::kBackground);
    const auto dark = VirtualPicture::Apply(settings, VirtualPicture::kDark, VirtualPicture::kDark,
                                            VirtualPicture::kDark);
    const auto dot = VirtualPicture::Apply(settings, 40, 40, 200);
    std::copy(dark.begin(), dark.end(), m_dark);
    std::copy(dot.begin(), dot.end(), m_dot);

    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    m_base.resize(rowBytes * height);
    for (std::size_t i = 0; i < rowBytes; i += 3) {
        std::copy(light.begin(), light.end(), m_base.begin() + static_cast<std::ptrdiff_t>(i));
    }
    for (int y = 1; y < height; ++y) {
        std::memcpy(&m_base[rowBytes * y], m_base.data(), rowBytes);
    }

    // The disc, as whole spans of each row.
    const double radius = VirtualPicture::DiscDiameter(height) / 2.0;
    const double cx = width / 2.0;
    const double cy = height / 2.0;
    for (int y = 0; y < height; ++y) {
        const double dy = y + 0.5 - cy;
        if (std::abs(dy) >= radius) {
            continue;
        }
        const double half = std::sqrt(radius * radius - dy * dy);
        const int x0 = std::max(0, static_cast<int>(std::lround(cx - half)));
        const int x1 = std::min(width, static_cast<int>(std::lround(cx + half)));
        for (int x = x0; x < x1; ++x) {
            Plot(m_base, x, y, m_dark);
        }
    }

    // The scale: a base line two pixels below the top with a tick every
    // twentieth of the width, every fifth one twice as long.
    const int line = std::max(2, height / 240);
    for (int y = 0; y < line; ++y) {
        for (int x = 0; x < width; ++x) {
            Plot(m_base, x, y, m_dark);
        }
    }
    const int tickLength = VirtualPicture::TickLength(height);
    const int thickness = std::max(2, width / 400);
    for (int k = 0; k <= 20; ++k) {
        const int centre =
            static_cast<int>(std::lround(k * VirtualPicture::TickSpacingTimes100(width) / 100.0));
        const int left = std::clamp(centre - thickness / 2, 0, width - thickness);
        const int length = k % 5 == 0 ? tickLength * 2 : tickLength;
        for (int y = 0; y < length; ++y) {
            for (int x = left; x < left + thickness; ++x) {
                Plot(m_base, x, y, m_dark);
            }
        }
    }

    // The card is flat: away from its height it blurs all over.
    cv::Mat base(height, width, CV_8UC3, m_base.data());
    VirtualDefocus(base,
                   VirtualDepth::BlurSigma(settings.focus - VirtualDepth::kTestCardHeight, height));
}

void CVirtualPicture::Render(int width, int height, std::uint64_t frameIndex,
                             const VirtualPictureSettings& settings,
                             std::vector<std::uint8_t>& bgr) {
    switch (settings.scene) {
    case VirtualScene::kTiltedSpecimen:
        m_depthScene.Render(width, height, frameIndex, settings, bgr);
        return;
    case VirtualScene::kSlide:
        m_slideScene.Render(width, height, frameIndex, settings, bgr);
        return;
    default:
        RenderTestCard(width, height, frameIndex, settings, bgr);
        return;
    }
}

void CVirtualPicture::RenderTestCard(int width, int height, std::uint64_t frameIndex,
                                     const VirtualPictureSettings& settings,
                                     std::vector<std::uint8_t>& bgr) {
    if (width != m_width || height != m_height || !(settings == m_settings) || m_base.empty()) {
        RebuildBase(width, height, settings);
    }
    bgr = m_base;

    VirtualPicture::DrawFrameMarks(bgr, width, height, frameIndex, m_dark, m_dot);
}
