#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace cv {
class Mat;
}

struct VirtualPictureSettings;

// A Gaussian blur of `sigma` pixels done in place; large ones on a reduced copy,
// which looks the same and keeps rebuilding a scene quick.
void VirtualDefocus(cv::Mat& picture, double sigma);

// The tilted specimen: a textured, curved surface tilted through the depth of
// field with the disc lying on it, so that the focus control sweeps a sharp
// band across the picture (VirtualDepth.h says where).
//
// The specimen does not move, so a few blurred copies of it are kept per size
// and each pixel blends the two that bracket its defocus; the picture is made
// again only when the focus or another control changes.
class CVirtualDepthScene {
public:
    void Render(int width, int height, std::uint64_t frameIndex,
                const VirtualPictureSettings& settings, std::vector<std::uint8_t>& bgr);

private:
    void RebuildLevels(int width, int height);
    void RebuildFrame(const VirtualPictureSettings& settings);

    int m_width = 0;
    int m_height = 0;
    std::vector<float> m_heights;                    // the surface height of each pixel
    std::vector<std::vector<std::uint8_t>> m_levels; // grey, sharp first, each twice as blurred
    std::vector<std::uint8_t> m_frame;               // BGR at the current focus, controls applied
    std::vector<int> m_frameKey;                     // the controls m_frame was made with
    std::array<std::uint8_t, 3> m_dark{};
    std::array<std::uint8_t, 3> m_dot{};
};
