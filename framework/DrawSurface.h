#pragma once

#include "framework/DrawContext.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

// The pixels of a surface: rows top-down, each `stride` bytes, each pixel a
// 32-bit word 0xAARRGGBB in native byte order (alpha ignored). The surface
// owns the bytes.
struct CSurfacePixels {
    int width = 0;
    int height = 0;
    const std::uint8_t* bits = nullptr;
    std::ptrdiff_t stride = 0;
};

// An off-screen surface to draw a picture and its measurements on before the
// result is turned back into a picture. The toolkit that paints provides it,
// so the code that draws stays free of that toolkit.
class CDrawSurface {
public:
    virtual ~CDrawSurface() = default;
    virtual CDrawContext& Context() = 0;
    // What has been drawn so far; valid until the next drawing call or the
    // surface's end.
    virtual CSurfacePixels Pixels() const = 0;
};

// Makes a white surface of width × height pixels; nullptr when it cannot
// (no memory, a size the toolkit refuses).
using CDrawSurfaceFactory = std::function<std::unique_ptr<CDrawSurface>(int width, int height)>;
