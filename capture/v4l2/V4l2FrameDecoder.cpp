#include "capture/v4l2/V4l2FrameDecoder.h"

#include "capture/CaptureBackend.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <libv4l-plugin.h>
#include <libv4lconvert.h>
#include <linux/videodev2.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <turbojpeg.h>

namespace {

// Rows converted per band: a band of a 1920-pixel frame stays in the cache
// between the conversion and its bottom-up placement.
constexpr int kBandRows = 16;
// Frames in a row that decode only with warnings before warnings are taken
// as the camera's habit rather than damage: half a second at 30 fps.
constexpr int kWarningRunTolerated = 15;

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

// Formats libv4lconvert turns into BGR24 that cameras of this kind send.
bool ConvertibleByLibrary(std::uint32_t fourcc) {
    switch (fourcc) {
    case V4L2_PIX_FMT_YUV420:
    case V4L2_PIX_FMT_YVU420:
    case V4L2_PIX_FMT_NV12:
    case V4L2_PIX_FMT_NV16:
    case V4L2_PIX_FMT_RGB24:
    case V4L2_PIX_FMT_RGB565:
    case V4L2_PIX_FMT_GREY:
    case V4L2_PIX_FMT_SBGGR8:
    case V4L2_PIX_FMT_SGBRG8:
    case V4L2_PIX_FMT_SGRBG8:
    case V4L2_PIX_FMT_SRGGB8:
    case V4L2_PIX_FMT_Y16:
        return true;
    default:
        return false;
    }
}

void* OpsInit(int) {
    return nullptr;
}
void OpsClose(void*) {}
int OpsIoctl(void* priv, int fd, unsigned long request, void* arg) {
    return RetryIoctl(*static_cast<const CV4l2Calls*>(priv), fd, request, arg);
}
ssize_t OpsRead(void* priv, int fd, void* buffer, size_t bytes) {
    return static_cast<const CV4l2Calls*>(priv)->read(fd, buffer, bytes);
}
ssize_t OpsWrite(void*, int, const void*, size_t) {
    errno = ENOSYS;
    return -1;
}
const libv4l_dev_ops kDeviceOps{OpsInit, OpsClose, OpsIoctl, OpsRead, OpsWrite, nullptr,
                                nullptr, nullptr,  nullptr,  nullptr, nullptr,  nullptr};

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

CV4l2FrameDecoder::CV4l2FrameDecoder(std::shared_ptr<const CV4l2Calls> calls, int fd)
    : m_calls(std::move(calls))
    , m_fd(fd) {}

CV4l2FrameDecoder::~CV4l2FrameDecoder() {
    if (m_jpeg != nullptr) {
        tjDestroy(m_jpeg);
    }
    if (m_convert != nullptr) {
        v4lconvert_destroy(m_convert);
    }
}

bool CV4l2FrameDecoder::CanDecode(std::uint32_t fourcc) {
    return fourcc == Fourcc::kMJPG || fourcc == Fourcc::kBGR24 || PackedCode(fourcc) >= 0 ||
           ConvertibleByLibrary(fourcc);
}

bool CV4l2FrameDecoder::Decode(std::uint32_t fourcc, std::span<const std::uint8_t> data, int width,
                               int height, int bytesPerLine, std::uint8_t* bgr,
                               std::string& error) {
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        error = "The frame has no usable size.";
        return false;
    }
    if (fourcc == Fourcc::kMJPG) {
        return DecodeMjpeg(data, width, height, bgr, error);
    }
    if (PackedCode(fourcc) >= 0) {
        if (!ConvertPacked422(fourcc, data.data(), data.size(), width, height, bytesPerLine, bgr)) {
            error = "The frame is shorter than its format.";
            return false;
        }
        return true;
    }
    if (fourcc == Fourcc::kBGR24) {
        const std::size_t row = static_cast<std::size_t>(width) * 3;
        const std::size_t line = bytesPerLine > 0 ? static_cast<std::size_t>(bytesPerLine) : row;
        if (line < row || data.size() < line * static_cast<std::size_t>(height - 1) + row) {
            error = "The frame is shorter than its format.";
            return false;
        }
        const std::size_t stride = static_cast<std::size_t>(BgrStride(width));
        for (int y = 0; y < height; ++y) {
            std::memcpy(bgr + stride * static_cast<std::size_t>(height - 1 - y),
                        data.data() + line * static_cast<std::size_t>(y), row);
        }
        return true;
    }
    return DecodeOther(fourcc, data, width, height, bytesPerLine, bgr, error);
}

bool CV4l2FrameDecoder::DecodeMjpeg(std::span<const std::uint8_t> data, int width, int height,
                                    std::uint8_t* bgr, std::string& error) {
    if (m_jpeg == nullptr) {
        m_jpeg = tjInitDecompress();
        if (m_jpeg == nullptr) {
            error = "The JPEG decoder could not be started.";
            return false;
        }
    }
    // Cameras pad their buffers; the picture ends at its last end marker.
    std::size_t size = data.size();
    while (size >= 2 && !(data[size - 2] == 0xFF && data[size - 1] == 0xD9)) {
        --size;
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
        error = std::string("The JPEG frame is broken: ") + tjGetErrorStr2(m_jpeg);
        DropJpegDecoder();
        return false;
    }
    if (jpegWidth != width || jpegHeight != height) {
        error = "The JPEG frame's size differs from the format's.";
        return false;
    }
    // Warnings (a cut-off scan, a corrupt block) stop the decode too: a frame
    // with a grey or smeared tail is worse than the previous good one. Some
    // cameras, though, send every frame with a harmless flaw; after a run of
    // frames that only warn, warnings are let through so the picture moves.
    const int flags = TJFLAG_BOTTOMUP | TJFLAG_STOPONWARNING;
    if (tjDecompress2(m_jpeg, data.data(), static_cast<unsigned long>(size), bgr, width,
                      BgrStride(width), height, TJPF_BGR, flags) == 0) {
        m_warningRun = 0;
        return true;
    }
    error = std::string("The JPEG frame is broken: ") + tjGetErrorStr2(m_jpeg);
    if (tjGetErrorCode(m_jpeg) != TJERR_WARNING || ++m_warningRun < kWarningRunTolerated) {
        DropJpegDecoder();
        return false;
    }
    const int tolerant = tjDecompress2(m_jpeg, data.data(), static_cast<unsigned long>(size), bgr,
                                       width, BgrStride(width), height, TJPF_BGR, TJFLAG_BOTTOMUP);
    const bool shown = tolerant == 0 || tjGetErrorCode(m_jpeg) == TJERR_WARNING;
    if (!shown) {
        DropJpegDecoder();
    }
    return shown;
}

// A failed decode can leave tables of the broken frame in the handle, and
// every later frame would fail on them: a broken frame gets a fresh handle.
void CV4l2FrameDecoder::DropJpegDecoder() {
    tjDestroy(m_jpeg);
    m_jpeg = nullptr;
}

v4lconvert_data* CV4l2FrameDecoder::Converter() {
    if (m_convert == nullptr && m_calls != nullptr && m_fd >= 0) {
        m_convert = v4lconvert_create_with_dev_ops(m_fd, const_cast<CV4l2Calls*>(m_calls.get()),
                                                   &kDeviceOps);
    }
    return m_convert;
}

bool CV4l2FrameDecoder::DecodeOther(std::uint32_t fourcc, std::span<const std::uint8_t> data,
                                    int width, int height, int bytesPerLine, std::uint8_t* bgr,
                                    std::string& error) {
    v4lconvert_data* converter = ConvertibleByLibrary(fourcc) ? Converter() : nullptr;
    if (converter == nullptr) {
        error = "The camera's pixel format cannot be shown.";
        return false;
    }
    v4l2_format source{};
    source.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    source.fmt.pix.pixelformat = fourcc;
    source.fmt.pix.width = static_cast<std::uint32_t>(width);
    source.fmt.pix.height = static_cast<std::uint32_t>(height);
    source.fmt.pix.bytesperline = static_cast<std::uint32_t>(std::max(bytesPerLine, 0));
    source.fmt.pix.sizeimage = static_cast<std::uint32_t>(data.size());
    source.fmt.pix.field = V4L2_FIELD_NONE;
    v4l2_format target = source;
    target.fmt.pix.pixelformat = V4L2_PIX_FMT_BGR24;
    target.fmt.pix.bytesperline = static_cast<std::uint32_t>(width) * 3;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    target.fmt.pix.sizeimage = static_cast<std::uint32_t>(rowBytes * height);
    // The library takes its source as writable; the mapped buffer is not ours
    // to change, so it works on a copy.
    m_scratch.resize(data.size() + rowBytes * static_cast<std::size_t>(height));
    std::uint8_t* copy = m_scratch.data();
    std::uint8_t* topDown = copy + data.size();
    std::memcpy(copy, data.data(), data.size());
    const int written =
        v4lconvert_convert(converter, &source, &target, copy, static_cast<int>(data.size()),
                           topDown, static_cast<int>(rowBytes * height));
    if (written < static_cast<int>(rowBytes * height)) {
        const char* reason = v4lconvert_get_error_message(converter);
        error = std::string("The frame could not be converted: ") +
                (reason != nullptr && *reason != '\0' ? reason : "short frame");
        return false;
    }
    const std::size_t stride = static_cast<std::size_t>(BgrStride(width));
    for (int y = 0; y < height; ++y) {
        std::memcpy(bgr + stride * static_cast<std::size_t>(height - 1 - y),
                    topDown + rowBytes * static_cast<std::size_t>(y), rowBytes);
    }
    return true;
}
