#pragma once

#include <cstdint>
#include <vector>

struct VirtualPictureSettings;

// The tilted specimen: a textured, curved surface tilted through the depth of
// field with the disc lying on it, so that the focus control sweeps a sharp
// band across the picture.
class CVirtualDepthScene {
public:
    void Render(int width, int height, std::uint64_t frameIndex,
                const VirtualPictureSettings& settings, std::vector<std::uint8_t>& bgr);
};
