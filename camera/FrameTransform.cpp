#include "camera/FrameTransform.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

inline void SwapPixels(std::uint8_t* a, std::uint8_t* b) {
    std::swap(a[0], b[0]);
    std::swap(a[1], b[1]);
    std::swap(a[2], b[2]);
}

// Swaps row `a` pixel by pixel with row `b` read backwards; a = b reverses
// one row. Swapping in place needs no scratch copy and touches each byte once.
void SwapReversed(std::uint8_t* a, std::uint8_t* b, int width) {
    std::uint8_t* left = a;
    std::uint8_t* right = b + (static_cast<std::ptrdiff_t>(width) - 1) * 3;
    if (a == b) {
        while (left < right) {
            SwapPixels(left, right);
            left += 3;
            right -= 3;
        }
        return;
    }
    for (int i = 0; i < width; ++i) {
        SwapPixels(left, right);
        left += 3;
        right -= 3;
    }
}

} // namespace

void MirrorFrame(std::uint8_t* bgr, int width, int height, int stride) {
    if (bgr == nullptr || width <= 1 || height <= 0) {
        return;
    }
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bgr + static_cast<std::ptrdiff_t>(y) * stride;
        SwapReversed(row, row, width);
    }
}

void RotateFrame(std::uint8_t* bgr, int width, int height, int stride) {
    if (bgr == nullptr || width <= 0 || height <= 0) {
        return;
    }
    for (int top = 0, bottom = height - 1; top <= bottom; ++top, --bottom) {
        std::uint8_t* a = bgr + static_cast<std::ptrdiff_t>(top) * stride;
        std::uint8_t* b = bgr + static_cast<std::ptrdiff_t>(bottom) * stride;
        SwapReversed(a, b, width);
    }
}

void TurnFrame(std::uint8_t* bgr, int width, int height, int stride, bool mirror, bool rotate) {
    if (mirror && rotate) {
        if (bgr == nullptr || width <= 0 || height <= 1) {
            return;
        }
        // Only the pixels of each row move; the padding stays in place.
        const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
        std::vector<std::uint8_t> spare(rowBytes);
        for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
            std::uint8_t* a = bgr + static_cast<std::ptrdiff_t>(top) * stride;
            std::uint8_t* b = bgr + static_cast<std::ptrdiff_t>(bottom) * stride;
            std::memcpy(spare.data(), a, rowBytes);
            std::memcpy(a, b, rowBytes);
            std::memcpy(b, spare.data(), rowBytes);
        }
        return;
    }
    if (mirror) {
        MirrorFrame(bgr, width, height, stride);
    }
    if (rotate) {
        RotateFrame(bgr, width, height, stride);
    }
}

void CopyRowsFlipped(const std::uint8_t* source, int sourceStride, std::uint8_t* target,
                     int targetStride, int width, int height) {
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    for (int y = 0; y < height; ++y) {
        std::memcpy(target + static_cast<std::ptrdiff_t>(height - 1 - y) * targetStride,
                    source + static_cast<std::ptrdiff_t>(y) * sourceStride, rowBytes);
    }
}
