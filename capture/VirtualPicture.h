#pragma once

#include "capture/VirtualDepthScene.h"
#include "capture/VirtualSlideScene.h"

#include <array>
#include <cstdint>
#include <vector>

// The picture of the virtual microscope, made anew for every frame index so
// that every size shows the same things: a light background, a dark disc in
// the middle (diameter = height / 4), a dark scale along the top edge with a
// tick every width / 20 pixels, the frame number in the bottom-left corner
// and a small dot circling the disc, so consecutive frames differ.
//
// The emulated controls change the pixels as a camera's would.
struct VirtualPictureSettings {
    int brightness = 0;       // -64..64, added
    int contrast = 32;        // 0..64, 32 leaves the picture as it is
    int saturation = 64;      // 0..128, colour of the dot
    int gain = 0;             // 0..100, amplifies
    bool exposureAuto = true; // the manual value is ignored while on
    int exposure = 166;       // 5..1000, 166 is the automatic level
    int whiteBalance = 4600;  // kelvin, 2800..6500; 4600 is neutral
    int scene = 0;            // VirtualScene
    int focus = 500;          // 0..1000; the test card is sharp at the default
    int pan = 0;              // stage position, used by the slide scene
    int tilt = 0;
    double driftX = 0; // slide scene: specimen pixels a frame added to pan
    double driftY = 0; // and to tilt
    bool operator==(const VirtualPictureSettings&) const = default;
};

// What the virtual microscope looks at. The test card is flat; the tilted
// specimen has parts at different heights, so that only a band of it is sharp
// at each focus position; the slide is larger than the field of view and the
// stage moves the field over it.
namespace VirtualScene {
enum : int { kTestCard = 0, kTiltedSpecimen = 1, kSlide = 2 };
} // namespace VirtualScene

namespace VirtualPicture {
inline constexpr int kBackground = 215;
inline constexpr int kDark = 30;
// Where a feature lies, so tests and the generator agree.
int DiscDiameter(int height);
int TickSpacingTimes100(int width); // width / 20 in hundredths of a pixel
int TickLength(int height);
int DigitScale(int height);
// The levels the controls turn a raw colour into (B, G, R), as a camera would.
std::array<std::uint8_t, 3> Apply(const VirtualPictureSettings& s, int blue, int green, int red);
// The parts every scene shows: the frame number in the bottom-left corner and
// the dot circling the middle, a full turn every 60 frames.
void DrawFrameMarks(std::vector<std::uint8_t>& bgr, int width, int height, std::uint64_t frameIndex,
                    const std::uint8_t* dark, const std::uint8_t* dotColour);
} // namespace VirtualPicture

// Renders the scene the settings choose into a top-down BGR buffer without row padding (width × 3
// bytes a row), keeping the parts that do not move between calls.
class CVirtualPicture {
public:
    void Render(int width, int height, std::uint64_t frameIndex,
                const VirtualPictureSettings& settings, std::vector<std::uint8_t>& bgr);

private:
    void RenderTestCard(int width, int height, std::uint64_t frameIndex,
                        const VirtualPictureSettings& settings, std::vector<std::uint8_t>& bgr);
    void RebuildBase(int width, int height, const VirtualPictureSettings& settings);
    void Plot(std::vector<std::uint8_t>& bgr, int x, int y, const std::uint8_t* colour) const;

    int m_width = 0;
    int m_height = 0;
    VirtualPictureSettings m_settings;
    std::vector<std::uint8_t> m_base; // background, disc and scale, controls applied
    std::uint8_t m_dark[3]{};
    std::uint8_t m_dot[3]{};
    CVirtualDepthScene m_depthScene;
    CVirtualSlideScene m_slideScene;
};
