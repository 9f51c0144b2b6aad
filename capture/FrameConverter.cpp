#include "capture/FrameConverter.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <turbojpeg.h>

namespace {

// Sizes beyond this are no camera's and would overflow the arithmetic.
constexpr int kMaxSide = 16384;
// Rows converted per band: a band of a 1920-pixel frame stays in the cache
// between the conversion and its bottom-up placement.
constexpr int kBandRows = 16;
// JPEG frames in a row that decode only with warnings before warnings are
// taken as the camera's habit rather than damage: half a second at 30 fps.
constexpr int kWarningRunTolerated = 15;

const char kShortFrame[] = "The frame is shorter than its format.";

int PackedCode(std::uint32_t fourcc) {
    switch (fourcc) {
    case Fourcc::kYUYV:
        return cv::COLOR_YUV2BGR_YUYV;
    case Fourcc::kUYVY:
        return cv::COLOR_YUV2BGR_UYVY;
    case Fourcc::kYVYU:
        return cv::COLOR_YUV2BGR_YVYU;
    default:
        return -1;
    }
}

// Bytes per pixel of the RGB formats; 0 for others.
int RgbBytesPerPixel(std::uint32_t fourcc) {
    if (fourcc == Fourcc::kBGR24) {
        return 3;
    }
    if (fourcc == Fourcc::kBGR32 || fourcc == Fourcc::kXBGR32 || fourcc == Fourcc::kABGR32) {
        return 4;
    }
    if (fourcc == Fourcc::kRGB565 || fourcc == Fourcc::kRGB555) {
        return 2;
    }
    return 0;
}

// One pixel of a 16-bit format, little-endian, blue in the low bits.
void Rgb16ToBgr(const std::uint8_t* in, bool is565, std::uint8_t* out) {
    const unsigned pixel = in[0] | (in[1] << 8);
    const unsigned blue = pixel & 0x1F;
    const unsigned green = is565 ? (pixel >> 5) & 0x3F : (pixel >> 5) & 0x1F;
    const unsigned red = is565 ? (pixel >> 11) & 0x1F : (pixel >> 10) & 0x1F;
    out[0] = static_cast<std::uint8_t>(blue << 3 | blue >> 2);
    out[1] = is565 ? static_cast<std::uint8_t>(green << 2 | green >> 4)
                   : static_cast<std::uint8_t>(green << 3 | green >> 2);
    out[2] = static_cast<std::uint8_t>(red << 3 | red >> 2);
}

// The RGB formats, whose blue, green and red sit at fixed places in whole
// bytes (or in one 16-bit word), top row first.
bool RgbToBgr(std::uint32_t fourcc, std::span<const std::uint8_t> data, int width, int height,
              int bytesPerLine, std::uint8_t* bgr, std::string& error) {
    const int bytesPerPixel = RgbBytesPerPixel(fourcc);
    const std::size_t row = static_cast<std::size_t>(width) * bytesPerPixel;
    const std::size_t line = bytesPerLine > 0 ? static_cast<std::size_t>(bytesPerLine) : row;
    if (line < row || data.size() < line * static_cast<std::size_t>(height - 1) + row) {
        error = kShortFrame;
        return false;
    }
    const std::size_t stride = static_cast<std::size_t>(BgrStride(width));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = data.data() + line * static_cast<std::size_t>(y);
        std::uint8_t* out = bgr + stride * static_cast<std::size_t>(height - 1 - y);
        if (bytesPerPixel == 3) {
            std::memcpy(out, in, row);
            continue;
        }
        for (int x = 0; x < width; ++x, in += bytesPerPixel, out += 3) {
            if (bytesPerPixel == 2) {
                Rgb16ToBgr(in, fourcc == Fourcc::kRGB565, out);
            } else {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
            }
        }
    }
    return true;
}

} // namespace

bool ConvertPacked422(std::uint32_t fourcc, const std::uint8_t* data, std::size_t size, int width,
                      int height, int bytesPerLine, std::uint8_t* bgr) {
    const int code = PackedCode(fourcc);
    if (code < 0 || width <= 0 || height <= 0 || width % 2 != 0) {
        return false;
    }
    const std::size_t line = bytesPerLine > 0 ? static_cast<std::size_t>(bytesPerLine)
                                              : static_cast<std::size_t>(width) * 2;
    if (line < static_cast<std::size_t>(width) * 2 ||
        size < line * static_cast<std::size_t>(height - 1) + static_cast<std::size_t>(width) * 2) {
        return false;
    }
    const int stride = BgrStride(width);
    const int bands = (height + kBandRows - 1) / kBandRows;
    // OpenCV cannot write rows in reverse order, so each band is converted
    // top-down into a small buffer and then laid into its bottom-up place.
    cv::parallel_for_(cv::Range(0, bands), [&](const cv::Range& range) {
        cv::Mat band(kBandRows, width, CV_8UC3);
        for (int b = range.start; b < range.end; ++b) {
            const int top = b * kBandRows;
            const int rows = std::min(kBandRows, height - top);
            const cv::Mat source(rows, width, CV_8UC2, const_cast<std::uint8_t*>(data) + line * top,
                                 line);
            cv::Mat converted = band.rowRange(0, rows);
            cv::cvtColor(source, converted, code);
            for (int r = 0; r < rows; ++r) {
                std::memcpy(bgr + static_cast<std::size_t>(stride) * (height - 1 - top - r),
                            converted.ptr(r), static_cast<std::size_t>(width) * 3);
            }
        }
    });
    return true;
}

CFrameConverter::CFrameConverter() = default;

CFrameConverter::~CFrameConverter() {
    if (m_jpeg != nullptr) {
        tjDestroy(m_jpeg);
    }
}

bool CFrameConverter::Supports(std::uint32_t fourcc) {
    return fourcc == Fourcc::kMJPG || PackedCode(fourcc) >= 0 || RgbBytesPerPixel(fourcc) > 0;
}

bool CFrameConverter::ToBgr(std::uint32_t fourcc, std::span<const std::uint8_t> data, int width,
                            int height, std::vector<std::uint8_t>& bgr, std::string& error) {
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
        error = "The frame has no usable size.";
        return false;
    }
    bgr.resize(static_cast<std::size_t>(BgrStride(width)) * height);
    return Decode(fourcc, data, width, height, 0, bgr.data(), error);
}

bool CFrameConverter::Decode(std::uint32_t fourcc, std::span<const std::uint8_t> data, int width,
                             int height, int bytesPerLine, std::uint8_t* bgr, std::string& error) {
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
        error = "The frame has no usable size.";
        return false;
    }
    if (fourcc == Fourcc::kMJPG) {
        return DecodeMjpeg(data, width, height, bgr, error);
    }
    if (PackedCode(fourcc) >= 0) {
        if (width % 2 != 0) {
            error = "A 4:2:2 frame needs an even width.";
            return false;
        }
        if (!ConvertPacked422(fourcc, data.data(), data.size(), width, height, bytesPerLine, bgr)) {
            error = kShortFrame;
            return false;
        }
        return true;
    }
    if (RgbBytesPerPixel(fourcc) > 0) {
        return RgbToBgr(fourcc, data, width, height, bytesPerLine, bgr, error);
    }
    error = "The pixel format " + Fourcc::ToString(fourcc) + " cannot be shown.";
    return false;
}

bool CFrameConverter::DecodeMjpeg(std::span<const std::uint8_t> data, int width, int height,
                                  std::uint8_t* bgr, std::string& error) {
    if (m_jpeg == nullptr) {
        m_jpeg = tjInitDecompress();
        if (m_jpeg == nullptr) {
            error = "The JPEG decoder could not be started.";
            return false;
        }
    }
    // Cameras pad their buffers; the picture ends at its last end marker.
    // Some cameras send none: the decoder then meets the end of the data,
    // which is a warning, and the warning rule decides.
    const std::size_t whole =
        std::min<std::size_t>(data.size(), std::numeric_limits<unsigned long>::max());
    std::size_t size = whole;
    while (size >= 2 && !(data[size - 2] == 0xFF && data[size - 1] == 0xD9)) {
        --size;
    }
    const bool ended = size >= 4;
    if (!ended) {
        size = whole;
    }
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) {
        error = "The frame is not a whole JPEG picture.";
        return false;
    }
    int jpegWidth = 0;
    int jpegHeight = 0;
    int subsampling = 0;
    int colourspace = 0;
    if (tjDecompressHeader3(m_jpeg, data.data(), static_cast<unsigned long>(size), &jpegWidth,
                            &jpegHeight, &subsampling, &colourspace) != 0) {
        error = ended ? std::string("The JPEG frame is broken: ") + tjGetErrorStr2(m_jpeg)
                      : std::string("The frame is not a whole JPEG picture.");
        DropJpegDecoder();
        return false;
    }
    if (jpegWidth <= 0 || jpegHeight <= 0) {
        error = "The frame is not a whole JPEG picture."; // the header was cut off
        return false;
    }
    if (jpegWidth != width || jpegHeight != height) {
        error = "The JPEG frame's size differs from the format's.";
        return false;
    }
    // A progressive picture with endless scans would keep the thread busy;
    // the scan limit stops it.
    const int flags = TJFLAG_BOTTOMUP | TJFLAG_LIMITSCANS;
    if (tjDecompress2(m_jpeg, data.data(), static_cast<unsigned long>(size), bgr, width,
                      BgrStride(width), height, TJPF_BGR, flags | TJFLAG_STOPONWARNING) == 0) {
        m_warningRun = 0;
        return true;
    }
    error = std::string("The JPEG frame is broken: ") + tjGetErrorStr2(m_jpeg);
    if (tjGetErrorCode(m_jpeg) != TJERR_WARNING || ++m_warningRun < kWarningRunTolerated) {
        DropJpegDecoder();
        return false;
    }
    const int tolerant = tjDecompress2(m_jpeg, data.data(), static_cast<unsigned long>(size), bgr,
                                       width, BgrStride(width), height, TJPF_BGR, flags);
    const bool shown = tolerant == 0 || tjGetErrorCode(m_jpeg) == TJERR_WARNING;
    if (!shown) {
        DropJpegDecoder();
    }
    return shown;
}

// A failed decode can leave tables of the broken frame in the handle, and
// every later frame would fail on them: a broken frame gets a fresh handle.
void CFrameConverter::DropJpegDecoder() {
    tjDestroy(m_jpeg);
    m_jpeg = nullptr;
}
