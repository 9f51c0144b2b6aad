#include "capture/v4l2/V4l2FrameDecoder.h"

#include "capture/CaptureBackend.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <libv4l-plugin.h>
#include <libv4lconvert.h>
#include <linux/videodev2.h>

namespace {

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

CV4l2FrameDecoder::CV4l2FrameDecoder(std::shared_ptr<const CV4l2Calls> calls, int fd)
    : m_calls(std::move(calls))
    , m_fd(fd) {}

CV4l2FrameDecoder::~CV4l2FrameDecoder() {
    if (m_convert != nullptr) {
        v4lconvert_destroy(m_convert);
    }
}

bool CV4l2FrameDecoder::CanDecode(std::uint32_t fourcc) {
    return CFrameConverter::Supports(fourcc) || ConvertibleByLibrary(fourcc);
}

bool CV4l2FrameDecoder::Decode(std::uint32_t fourcc, std::span<const std::uint8_t> data, int width,
                               int height, int bytesPerLine, std::uint8_t* bgr,
                               std::string& error) {
    if (CFrameConverter::Supports(fourcc)) {
        return m_converter.Decode(fourcc, data, width, height, bytesPerLine, bgr, error);
    }
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        error = "The frame has no usable size.";
        return false;
    }
    return DecodeOther(fourcc, data, width, height, bytesPerLine, bgr, error);
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
