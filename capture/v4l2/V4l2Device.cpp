#include "capture/v4l2/V4l2Device.h"

#include "capture/v4l2/V4l2Formats.h"
#include "capture/v4l2/V4l2FrameDecoder.h"

#include <cerrno>
#include <cstring>
#include <linux/videodev2.h>

bool V4l2CanDeliver(std::uint32_t fourcc) {
    return CV4l2FrameDecoder::CanDecode(fourcc);
}

std::string V4l2ErrorText(int error) {
    switch (error) {
    case EBUSY:
        return "The camera is busy: another program is using it.";
    case EACCES:
    case EPERM:
        return "The camera does not allow this.";
    case ENOSPC:
        return "The USB connection lacks the bandwidth for this format and size. A compressed "
               "format (MJPEG) or a smaller size needs less; so does another USB port.";
    case EINVAL:
    case ERANGE:
        return "The camera refused the value.";
    case ENODEV:
    case ENXIO:
        return "The camera is no longer connected.";
    case EIO:
        return "The camera did not answer.";
    case ENOMEM:
        return "The camera has no memory for this.";
    default:
        return std::string("The camera reported an error: ") + std::strerror(error);
    }
}

bool V4l2IsBandwidthError(int error) {
    return error == ENOSPC || error == EIO;
}

CaptureStatus V4l2Failure(int error) {
    const CaptureFailure failure = error == EBUSY    ? CaptureFailure::Busy
                                   : error == ENOSPC ? CaptureFailure::Bandwidth
                                                     : CaptureFailure::Other;
    return CaptureStatus::Failure(V4l2ErrorText(error), failure);
}

CV4l2Device::CV4l2Device(std::shared_ptr<const CV4l2Calls> calls, int fd, CaptureDeviceInfo info,
                         std::string buttonNode)
    : m_calls(std::move(calls))
    , m_fd(fd)
    , m_info(std::move(info))
    , m_buttonNode(std::move(buttonNode)) {}

CV4l2Device::~CV4l2Device() {
    StopStreaming();
    m_calls->close(m_fd);
}

std::vector<CaptureFormatDesc> CV4l2Device::Formats() const {
    return EnumerateV4l2Formats(*m_calls, m_fd);
}

std::optional<CaptureFormat> CV4l2Device::CurrentFormat() const {
    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (RetryIoctl(*m_calls, m_fd, VIDIOC_G_FMT, &format) != 0) {
        return std::nullopt;
    }
    CaptureFormat current;
    current.fourcc = format.fmt.pix.pixelformat;
    current.width = static_cast<int>(format.fmt.pix.width);
    current.height = static_cast<int>(format.fmt.pix.height);
    v4l2_streamparm parameters{};
    parameters.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (RetryIoctl(*m_calls, m_fd, VIDIOC_G_PARM, &parameters) == 0 &&
        (parameters.parm.capture.capability & V4L2_CAP_TIMEPERFRAME) != 0) {
        const v4l2_fract& interval = parameters.parm.capture.timeperframe;
        if (interval.numerator != 0 && interval.denominator != 0) {
            current.interval = {interval.numerator, interval.denominator};
        }
    }
    return current;
}

CaptureStatus CV4l2Device::SetFormat(const CaptureFormat& wanted) {
    if (IsStreaming()) {
        return CaptureStatus::Failure("The format cannot change while the camera streams.");
    }
    if (!V4l2CanDeliver(wanted.fourcc) || wanted.width <= 0 || wanted.height <= 0) {
        return CaptureStatus::Failure("The camera's pixel format cannot be shown.");
    }
    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    format.fmt.pix.pixelformat = wanted.fourcc;
    format.fmt.pix.width = static_cast<std::uint32_t>(wanted.width);
    format.fmt.pix.height = static_cast<std::uint32_t>(wanted.height);
    format.fmt.pix.field = V4L2_FIELD_ANY;
    m_lastError = 0;
    if (RetryIoctl(*m_calls, m_fd, VIDIOC_S_FMT, &format) != 0) {
        m_lastError = errno;
        return V4l2Failure(m_lastError);
    }
    if (format.fmt.pix.pixelformat != wanted.fourcc) {
        return CaptureStatus::Failure("The camera does not offer that pixel format.");
    }
    // The rate is a wish: a camera that keeps its own still streams.
    if (wanted.interval.numerator != 0 && wanted.interval.denominator != 0) {
        v4l2_streamparm parameters{};
        parameters.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (RetryIoctl(*m_calls, m_fd, VIDIOC_G_PARM, &parameters) == 0 &&
            (parameters.parm.capture.capability & V4L2_CAP_TIMEPERFRAME) != 0) {
            parameters.parm.capture.timeperframe = {wanted.interval.numerator,
                                                    wanted.interval.denominator};
            RetryIoctl(*m_calls, m_fd, VIDIOC_S_PARM, &parameters);
        }
    }
    return CaptureStatus::Success();
}

CaptureStatus CV4l2Device::StartStreaming(CaptureCallbacks callbacks) {
    if (IsStreaming()) {
        return CaptureStatus::Failure("The camera streams already.");
    }
    m_stream.reset();
    auto stream = std::make_unique<CV4l2Stream>(m_calls, m_fd, m_buttonNode);
    CaptureStatus status = stream->Start(std::move(callbacks));
    m_lastError = stream->StartError();
    if (status) {
        m_stream = std::move(stream);
    }
    return status;
}

void CV4l2Device::StopStreaming() {
    if (m_stream) {
        m_stream->Stop();
        m_stream.reset();
    }
}

bool CV4l2Device::IsStreaming() const {
    return m_stream && m_stream->IsRunning();
}
