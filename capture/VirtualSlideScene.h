#pragma once

#include <cstdint>
#include <vector>

struct VirtualPictureSettings;

// The slide: a textured specimen many fields of view wide; pan and tilt move
// the field of view over it.
class CVirtualSlideScene {
public:
    void Render(int width, int height, std::uint64_t frameIndex,
                const VirtualPictureSettings& settings, std::vector<std::uint8_t>& bgr);
};
