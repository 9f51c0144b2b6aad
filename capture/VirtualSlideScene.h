#pragma once

#include <array>
#include <cstdint>
#include <opencv2/core.hpp>
#include <optional>
#include <string_view>
#include <vector>

struct VirtualPictureSettings;

// The slide: a stained specimen of cells and grains on a textured ground,
// with a few nearly featureless patches, 3200 × 2400 specimen pixels (five
// fields of view each way), surrounded by empty glass.
//
// Units: one specimen pixel is one picture pixel of the 640-wide frame; every
// frame size sees the same 640 specimen pixels across, resampled. Pan and tilt
// are the field's centre in specimen pixels from the specimen's centre (pan to
// the right, tilt downwards), so a pan of +d shows at 640 × 480 what lay d
// pixels to the right before. The scripted drift adds (dx, dy) specimen pixels
// a frame to that, counted from the start of the stream.
//
// The corners of every frame are about 20 % darker than its centre, as the
// optics of most microscope cameras make them.
namespace VirtualSlide {
inline constexpr int kWidth = 3200;
inline constexpr int kHeight = 2400;
inline constexpr int kFieldWidth = 640;      // specimen pixels across every frame
inline constexpr double kCornerLight = 0.80; // the corners' share of the centre's light
inline constexpr int kGlass = 232;           // the level of empty glass
} // namespace VirtualSlide

// "dx,dy" in specimen pixels a frame (MARNELO_VIRTUAL_DRIFT); nothing when
// the text is not two numbers.
std::optional<std::array<double, 2>> ParseVirtualDrift(std::string_view text);
// MARNELO_VIRTUAL_DRIFT of the process; no drift when unset or malformed.
std::array<double, 2> VirtualDriftFromEnvironment();

class CVirtualSlideScene {
public:
    void Render(int width, int height, std::uint64_t frameIndex,
                const VirtualPictureSettings& settings, std::vector<std::uint8_t>& bgr);

private:
    cv::Mat m_field;    // the field at specimen size, for larger frames
    cv::Mat m_vignette; // the light falling on each byte of the last size, 256 = full
};
