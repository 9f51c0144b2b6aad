#include "tools/ui/MagnifierFeed.h"

#include "image/Dib.h"

#include <algorithm>
#include <cstring>

std::size_t MagnifierSquareBytes(int side) {
    return side > 0 ? CDib::StrideFor(side, 24) * static_cast<std::size_t>(side) : 0;
}

bool FillMagnifierSquare(const CDib& picture, QPoint center, int side,
                         std::span<std::uint8_t> out) {
    if (!picture.IsValid() || side <= 0 || out.size() < MagnifierSquareBytes(side)) {
        return false;
    }
    const std::size_t stride = CDib::StrideFor(side, 24);
    std::fill_n(out.begin(), MagnifierSquareBytes(side), std::uint8_t{0});
    const int left = std::clamp(center.x() - side / 2, 0, std::max(0, picture.Width() - side));
    const int top = std::clamp(center.y() - side / 2, 0, std::max(0, picture.Height() - side));
    const int columns = std::min(side, picture.Width() - left);
    const int rows = std::min(side, picture.Height() - top);
    for (int r = 0; r < rows; ++r) {
        // The square's top row goes last: the buffer is bottom-up too.
        std::uint8_t* target = out.data() + stride * static_cast<std::size_t>(side - 1 - r);
        const int pictureY = top + r;
        if (picture.BitsPerPixel() == 24) {
            const std::uint8_t* source = picture.Row(picture.StoredRow(pictureY)) + 3 * left;
            std::memcpy(target, source, 3 * static_cast<std::size_t>(columns));
            continue;
        }
        for (int c = 0; c < columns; ++c) {
            const RgbQuad color = picture.PixelColor(left + c, pictureY);
            target[3 * c] = color.blue;
            target[3 * c + 1] = color.green;
            target[3 * c + 2] = color.red;
        }
    }
    return true;
}
