#include "capture/VirtualDepthScene.h"

#include "capture/VirtualPicture.h"

void CVirtualDepthScene::Render(int width, int height, std::uint64_t, const VirtualPictureSettings&,
                                std::vector<std::uint8_t>& bgr) {
    bgr.assign(static_cast<std::size_t>(width) * height * 3, 128);
}
