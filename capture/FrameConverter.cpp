#include "capture/FrameConverter.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <turbojpeg.h>

namespace {

std::uint8_t Clamp(int value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

// Limited-range BT.601, as USB cameras send it, in 8-bit fixed point.
void YuvToBgr(int y, int u, int v, std::uint8_t* out) {
    const int c = 298 * (y - 16) + 128;
    const int d = u - 128;
    const int e = v - 128;
    out[0] = Clamp((c + 516 * d) >> 8);
    out[1] = Clamp((c - 100 * d - 208 * e) >> 8);
    out[2] = Clamp((c + 409 * e) >> 8);
}

// Byte positions of Y0, U, Y1, V within a packed 4:2:2 pair of pixels.
struct PackedOrder {
    int y0;
    int u;
    int y1;
    int v;
};

void Packed422ToBgr(const std::uint8_t* src, int width, int height, PackedOrder order,
                    std::uint8_t* dst, int stride) {
    // A row holds whole pixel pairs; an odd last pixel takes a pair's room.
    const std::size_t srcStride = static_cast<std::size_t>(width + 1) / 2 * 4;
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* in = src + static_cast<std::size_t>(row) * srcStride;
        // The camera sends the top row first; the frame stores it last.
        std::uint8_t* out = dst + static_cast<std::size_t>(height - 1 - row) * stride;
        for (int x = 0; x + 1 < width; x += 2, in += 4, out += 6) {
            YuvToBgr(in[order.y0], in[order.u], in[order.v], out);
            YuvToBgr(in[order.y1], in[order.u], in[order.v], out + 3);
        }
        if (width % 2 != 0) {
            YuvToBgr(in[order.y0], in[order.u], in[order.v], out);
        }
    }
}

// Formats of whole bytes per pixel whose blue, green, red sit at fixed places.
void DirectToBgr(const std::uint8_t* src, int width, int height, int bytesPerPixel,
                 std::uint8_t* dst, int stride) {
    const std::size_t srcStride = static_cast<std::size_t>(width) * bytesPerPixel;
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* in = src + static_cast<std::size_t>(row) * srcStride;
        std::uint8_t* out = dst + static_cast<std::size_t>(height - 1 - row) * stride;
        for (int x = 0; x < width; ++x, in += bytesPerPixel, out += 3) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
        }
    }
}

void Rgb16ToBgr(const std::uint8_t* src, int width, int height, bool is565, std::uint8_t* dst,
                int stride) {
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* in = src + static_cast<std::size_t>(row) * width * 2;
        std::uint8_t* out = dst + static_cast<std::size_t>(height - 1 - row) * stride;
        for (int x = 0; x < width; ++x, in += 2, out += 3) {
            const unsigned pixel = in[0] | (in[1] << 8);
            const unsigned blue = pixel & 0x1F;
            const unsigned green = is565 ? (pixel >> 5) & 0x3F : (pixel >> 5) & 0x1F;
            const unsigned red = is565 ? (pixel >> 11) & 0x1F : (pixel >> 10) & 0x1F;
            out[0] = static_cast<std::uint8_t>(blue << 3 | blue >> 2);
            out[1] = is565 ? static_cast<std::uint8_t>(green << 2 | green >> 4)
                           : static_cast<std::uint8_t>(green << 3 | green >> 2);
            out[2] = static_cast<std::uint8_t>(red << 3 | red >> 2);
        }
    }
}

int PackedBytesPerPixel(std::uint32_t fourcc) {
    if (fourcc == Fourcc::kBGR24) {
        return 3;
    }
    if (fourcc == Fourcc::kBGR32 || fourcc == Fourcc::kXBGR32 || fourcc == Fourcc::kABGR32) {
        return 4;
    }
    return 2;
}

} // namespace

CFrameConverter::CFrameConverter() = default;

CFrameConverter::~CFrameConverter() {
    if (m_decoder != nullptr) {
        tjDestroy(static_cast<tjhandle>(m_decoder));
    }
}

bool CFrameConverter::Supports(std::uint32_t fourcc) {
    return fourcc == Fourcc::kMJPG || fourcc == Fourcc::kYUYV || fourcc == Fourcc::kYVYU ||
           fourcc == Fourcc::kUYVY || fourcc == Fourcc::kBGR24 || fourcc == Fourcc::kBGR32 ||
           fourcc == Fourcc::kXBGR32 || fourcc == Fourcc::kABGR32 || fourcc == Fourcc::kRGB565 ||
           fourcc == Fourcc::kRGB555;
}

bool CFrameConverter::ToBgr(std::uint32_t fourcc, std::span<const std::uint8_t> data, int width,
                            int height, std::vector<std::uint8_t>& bgr, std::string& error) {
    // Sizes beyond this are no camera's and would overflow the arithmetic.
    constexpr int kMaxSide = 16384;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
        error = "frame size out of range";
        return false;
    }
    if (!Supports(fourcc)) {
        error = "pixel format " + Fourcc::ToString(fourcc) + " is not supported";
        return false;
    }
    const int stride = BgrStride(width);
    bgr.resize(static_cast<std::size_t>(stride) * height);

    if (fourcc == Fourcc::kMJPG) {
        if (m_decoder == nullptr) {
            m_decoder = tjInitDecompress();
            if (m_decoder == nullptr) {
                error = "cannot start the JPEG decoder";
                return false;
            }
        }
        auto handle = static_cast<tjhandle>(m_decoder);
        if (data.empty() || data.size() > std::numeric_limits<unsigned long>::max()) {
            error = "empty JPEG frame";
            return false;
        }
        int jpegWidth = 0;
        int jpegHeight = 0;
        int subsampling = 0;
        int colourspace = 0;
        if (tjDecompressHeader3(handle, data.data(), static_cast<unsigned long>(data.size()),
                                &jpegWidth, &jpegHeight, &subsampling, &colourspace) != 0) {
            error = std::string("broken JPEG frame: ") + tjGetErrorStr2(handle);
            return false;
        }
        if (jpegWidth <= 0 || jpegHeight <= 0) {
            error = "broken JPEG frame: no picture in it";
            return false;
        }
        if (jpegWidth != width || jpegHeight != height) {
            error = "JPEG frame of another size";
            return false;
        }
        // Warnings (a few corrupt bytes in a camera frame) still give a picture.
        if (tjDecompress2(handle, data.data(), static_cast<unsigned long>(data.size()), bgr.data(),
                          width, stride, height, TJPF_BGR,
                          TJFLAG_BOTTOMUP | TJFLAG_LIMITSCANS | TJFLAG_FASTDCT) != 0 &&
            tjGetErrorCode(handle) != TJERR_WARNING) {
            error = std::string("broken JPEG frame: ") + tjGetErrorStr2(handle);
            return false;
        }
        return true;
    }

    const int bytesPerPixel = PackedBytesPerPixel(fourcc);
    const bool packed422 =
        fourcc == Fourcc::kYUYV || fourcc == Fourcc::kYVYU || fourcc == Fourcc::kUYVY;
    const std::size_t rowBytes = packed422 ? static_cast<std::size_t>(width + 1) / 2 * 4
                                           : static_cast<std::size_t>(width) * bytesPerPixel;
    const std::size_t needed = rowBytes * static_cast<std::size_t>(height);
    if (data.size() < needed) {
        error = "short frame";
        return false;
    }
    if (fourcc == Fourcc::kYUYV) {
        Packed422ToBgr(data.data(), width, height, {0, 1, 2, 3}, bgr.data(), stride);
    } else if (fourcc == Fourcc::kYVYU) {
        Packed422ToBgr(data.data(), width, height, {0, 3, 2, 1}, bgr.data(), stride);
    } else if (fourcc == Fourcc::kUYVY) {
        Packed422ToBgr(data.data(), width, height, {1, 0, 3, 2}, bgr.data(), stride);
    } else if (fourcc == Fourcc::kRGB565 || fourcc == Fourcc::kRGB555) {
        Rgb16ToBgr(data.data(), width, height, fourcc == Fourcc::kRGB565, bgr.data(), stride);
    } else {
        DirectToBgr(data.data(), width, height, bytesPerPixel, bgr.data(), stride);
    }
    return true;
}
