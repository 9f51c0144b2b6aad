#include "capture/VirtualSlideScene.h"

#include "capture/VirtualPicture.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <opencv2/imgproc.hpp>
#include <string>

namespace {

// Noise with a 1/f amplitude spectrum, as natural textures have: equal
// amplitude in every octave. Built coarse to fine, each level the smoothed
// double of the one before plus new noise, so it costs little more than one
// pass over the full size.
cv::Mat PinkNoise(cv::RNG& rng, cv::Size size, int levels) {
    cv::Mat sum((size.height >> levels) + 2, (size.width >> levels) + 2, CV_32F);
    rng.fill(sum, cv::RNG::NORMAL, 0.0, 1.0);
    cv::Mat noise;
    for (int level = levels - 1; level >= 0; --level) {
        cv::pyrUp(sum, sum);
        noise.create(sum.size(), CV_32F);
        rng.fill(noise, cv::RNG::NORMAL, 0.0, 1.0);
        sum += noise;
    }
    return sum(cv::Rect(0, 0, size.width, size.height)).clone();
}

// The optical density of two stains over the specimen, as the slide was
// prepared: a textured pale ground stain with round cells whose nuclei take
// the dark stain, and grains of the dark one. A few smooth patches carry
// almost nothing, as an empty part of a slide does. The structure is made at
// half the size and enlarged with a full-size grain on top, and the light is
// worked out in bytes, so that the first picture of the slide comes quickly.
cv::Mat MakeSpecimen() {
    using namespace VirtualSlide;
    const cv::Size half(kWidth / 2, kHeight / 2);
    cv::RNG rng(0x51A1DE);
    cv::Mat ground = PinkNoise(rng, half, 7);

    // Where the slide is nearly empty: smooth outlines made at a 16th of the size.
    cv::Mat cover(half.height / 16, half.width / 16, CV_32F);
    rng.fill(cover, cv::RNG::NORMAL, 0.0, 1.0);
    cv::GaussianBlur(cover, cover, cv::Size(0, 0), 2.0);
    cv::Mat amount;
    cv::threshold(cover, amount, -0.35, 1.0, cv::THRESH_BINARY);
    cv::GaussianBlur(amount, amount, cv::Size(0, 0), 1.0);
    cv::resize(amount, amount, half, 0, 0, cv::INTER_LINEAR);
    amount = amount * 0.92 + 0.08;

    // Densities in 1/255ths.
    cv::Mat pale;
    cv::Mat(cv::Mat(ground * 15.0 + 90.0).mul(amount)).convertTo(pale, CV_8U);
    cv::Mat cellBody(half, CV_8U, cv::Scalar(0));
    cv::Mat dark(half, CV_8U, cv::Scalar(0));
    const int cells = kWidth * kHeight / 2500;
    for (int i = 0; i < cells; ++i) {
        const cv::Point centre(rng.uniform(0, half.width), rng.uniform(0, half.height));
        if (amount.at<float>(centre) < 0.5F) {
            continue;
        }
        const cv::Size axes(rng.uniform(4, 13), rng.uniform(4, 13));
        const double angle = rng.uniform(0.0, 180.0);
        cv::ellipse(cellBody, centre, axes, angle, 0, 360, cv::Scalar(64), cv::FILLED, cv::LINE_AA);
        const cv::Size nucleus(std::max(2, axes.width * 2 / 5), std::max(2, axes.height * 2 / 5));
        cv::ellipse(dark, centre, nucleus, angle, 0, 360, cv::Scalar(rng.uniform(130, 230)),
                    cv::FILLED, cv::LINE_AA);
    }
    for (int i = 0; i < cells * 2; ++i) {
        const cv::Point centre(rng.uniform(0, half.width), rng.uniform(0, half.height));
        cv::circle(dark, centre, 1, cv::Scalar(rng.uniform(80, 180)), cv::FILLED, cv::LINE_AA);
    }
    pale += cellBody;

    const cv::Size size(kWidth, kHeight);
    cv::resize(pale, pale, size, 0, 0, cv::INTER_CUBIC);
    cv::resize(dark, dark, size, 0, 0, cv::INTER_CUBIC);
    cv::Mat grain(size, CV_8U);
    rng.fill(grain, cv::RNG::UNIFORM, 0, 24);
    pale += grain;

    // Light through both stains (Beer–Lambert), per channel B, G, R: the pale
    // stain takes green, the dark one red and green.
    const double paleAbsorbs[3] = {0.25, 0.9, 0.15};
    const double darkAbsorbs[3] = {0.6, 1.4, 1.2};
    cv::Mat channels[3];
    cv::Mat darkLight;
    for (int c = 0; c < 3; ++c) {
        cv::Mat paleTable(1, 256, CV_8U);
        cv::Mat darkTable(1, 256, CV_8U);
        for (int d = 0; d < 256; ++d) {
            paleTable.at<std::uint8_t>(d) =
                cv::saturate_cast<std::uint8_t>(250.0 * std::exp(-paleAbsorbs[c] * d / 255.0));
            darkTable.at<std::uint8_t>(d) =
                cv::saturate_cast<std::uint8_t>(255.0 * std::exp(-darkAbsorbs[c] * d / 255.0));
        }
        cv::LUT(pale, paleTable, channels[c]);
        cv::LUT(dark, darkTable, darkLight);
        cv::multiply(channels[c], darkLight, channels[c], 1.0 / 255.0);
    }
    cv::Mat specimen;
    cv::merge(channels, 3, specimen);
    return specimen;
}

const cv::Mat& Specimen() {
    static const cv::Mat specimen = MakeSpecimen();
    return specimen;
}

// The light falling on each byte of a frame, in 256ths, B, G and R alike.
cv::Mat Vignette(int width, int height) {
    cv::Mat light(height, width, CV_16UC3);
    const double cx = width / 2.0;
    const double cy = height / 2.0;
    const double corner2 = cx * cx + cy * cy;
    for (int y = 0; y < height; ++y) {
        auto* row = light.ptr<cv::Vec3w>(y);
        for (int x = 0; x < width; ++x) {
            const double dx = x + 0.5 - cx;
            const double dy = y + 0.5 - cy;
            const double share =
                1.0 - (1.0 - VirtualSlide::kCornerLight) * (dx * dx + dy * dy) / corner2;
            const auto level = static_cast<std::uint16_t>(std::lround(256.0 * share));
            row[x] = cv::Vec3w(level, level, level);
        }
    }
    return light;
}

} // namespace

std::optional<std::array<double, 2>> ParseVirtualDrift(std::string_view text) {
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos) {
        return std::nullopt;
    }
    std::array<double, 2> drift{};
    const std::string_view parts[2] = {text.substr(0, comma), text.substr(comma + 1)};
    for (int i = 0; i < 2; ++i) {
        const char* end = parts[i].data() + parts[i].size();
        const auto [at, error] = std::from_chars(parts[i].data(), end, drift[i]);
        if (error != std::errc() || at != end || !std::isfinite(drift[i])) {
            return std::nullopt;
        }
    }
    return drift;
}

std::array<double, 2> VirtualDriftFromEnvironment() {
    const char* text = std::getenv("MARNELO_VIRTUAL_DRIFT");
    return ParseVirtualDrift(text != nullptr ? text : "").value_or(std::array<double, 2>{});
}

void CVirtualSlideScene::Render(int width, int height, std::uint64_t frameIndex,
                                const VirtualPictureSettings& settings,
                                std::vector<std::uint8_t>& bgr) {
    using namespace VirtualSlide;
    bgr.resize(static_cast<std::size_t>(width) * height * 3);
    cv::Mat frame(height, width, CV_8UC3, bgr.data());
    // The field in specimen pixels, taken with its fraction of a pixel, then
    // enlarged to the frame: larger frames see no more of the specimen.
    const cv::Size field(kFieldWidth,
                         std::max(1, static_cast<int>(std::lround(static_cast<double>(height) *
                                                                  kFieldWidth / width))));
    const double frames = static_cast<double>(frameIndex);
    const double left = kWidth / 2.0 + settings.pan + settings.driftX * frames - field.width / 2.0;
    const double top =
        kHeight / 2.0 + settings.tilt + settings.driftY * frames - field.height / 2.0;
    const cv::Matx23d toSpecimen(1, 0, left, 0, 1, top);
    const bool enlarged = field != frame.size();
    cv::warpAffine(Specimen(), enlarged ? m_field : frame, toSpecimen, field,
                   cv::INTER_LINEAR | cv::WARP_INVERSE_MAP, cv::BORDER_CONSTANT,
                   cv::Scalar::all(kGlass));
    if (enlarged) {
        cv::resize(m_field, frame, frame.size(), 0, 0, cv::INTER_LINEAR);
    }
    if (m_vignette.cols != width || m_vignette.rows != height) {
        m_vignette = Vignette(width, height);
    }
    // Plain byte times 256ths, which the compiler vectorises.
    const std::size_t count = bgr.size();
    std::uint8_t* bytes = bgr.data();
    const auto* light = m_vignette.ptr<std::uint16_t>();
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>((bytes[i] * light[i]) >> 8);
    }
}
