#include "capture/v4l2/V4l2Stream.h"

#include "capture/v4l2/V4l2Device.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/input.h>
#include <linux/videodev2.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t kBufferCount = 4;
// A camera that stops sending keeps the thread waiting; the wait is bounded
// only so that a dead driver cannot hold Stop for ever.
constexpr int kPollTimeoutMs = 2000;
// Drivers report passing transfer errors as EIO; only a long run of them
// means the camera is gone.
constexpr int kMaxConsecutiveIoErrors = 100;

} // namespace

CV4l2Stream::CV4l2Stream(std::shared_ptr<const CV4l2Calls> calls, int fd, std::string buttonNode)
    : m_calls(std::move(calls))
    , m_fd(fd)
    , m_buttonNode(std::move(buttonNode)) {}

CV4l2Stream::~CV4l2Stream() {
    Stop();
}

CaptureStatus CV4l2Stream::Fail(int error) {
    m_startError = error;
    return V4l2Failure(error);
}

CaptureStatus CV4l2Stream::Start(CaptureCallbacks callbacks) {
    m_startError = 0;
    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (RetryIoctl(*m_calls, m_fd, VIDIOC_G_FMT, &format) != 0) {
        return Fail(errno);
    }
    m_fourcc = format.fmt.pix.pixelformat;
    m_width = static_cast<int>(format.fmt.pix.width);
    m_height = static_cast<int>(format.fmt.pix.height);
    m_bytesPerLine = static_cast<int>(format.fmt.pix.bytesperline);
    if (!CV4l2FrameDecoder::CanDecode(m_fourcc) || m_width <= 0 || m_height <= 0 ||
        m_width > 16384 || m_height > 16384) {
        return CaptureStatus::Failure("The camera's pixel format cannot be shown.");
    }
    if (CaptureStatus mapped = MapBuffers(); !mapped) {
        ReleaseBuffers();
        return mapped;
    }
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (RetryIoctl(*m_calls, m_fd, VIDIOC_STREAMON, &type) != 0) {
        const int error = errno;
        ReleaseBuffers();
        // At STREAMON an I/O error is the bus lacking bandwidth, not a
        // camera gone silent.
        return Fail(V4l2IsBandwidthError(error) ? ENOSPC : error);
    }
    m_streamOn = true;
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0) {
        const int error = errno;
        Stop();
        return Fail(error);
    }
    // Input devices are often readable only by their seat's user; without
    // access the camera simply has no working button.
    if (!m_buttonNode.empty()) {
        m_buttonFd = m_calls->open(m_buttonNode.c_str(), O_RDONLY | O_NONBLOCK);
    }
    m_callbacks = std::move(callbacks);
    m_decoder = std::make_unique<CV4l2FrameDecoder>(m_calls, m_fd);
    m_bgr.assign(static_cast<std::size_t>(BgrStride(m_width)) * m_height, 0);
    m_running = true;
    m_thread = std::thread([this] { Run(); });
    return CaptureStatus::Success();
}

CaptureStatus CV4l2Stream::MapBuffers() {
    v4l2_requestbuffers request{};
    request.count = kBufferCount;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    if (RetryIoctl(*m_calls, m_fd, VIDIOC_REQBUFS, &request) != 0) {
        return Fail(errno);
    }
    if (request.count == 0 || request.count > 32) {
        return CaptureStatus::Failure("The camera offers no buffers to stream into.");
    }
    for (std::uint32_t index = 0; index < request.count; ++index) {
        v4l2_buffer buffer{};
        buffer.index = index;
        buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffer.memory = V4L2_MEMORY_MMAP;
        if (RetryIoctl(*m_calls, m_fd, VIDIOC_QUERYBUF, &buffer) != 0) {
            return Fail(errno);
        }
        void* address = m_calls->mmap(buffer.length, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd,
                                      static_cast<off_t>(buffer.m.offset));
        if (address == MAP_FAILED) {
            return Fail(errno);
        }
        m_buffers.push_back({address, buffer.length});
    }
    for (std::uint32_t index = 0; index < m_buffers.size(); ++index) {
        v4l2_buffer buffer{};
        buffer.index = index;
        buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffer.memory = V4L2_MEMORY_MMAP;
        if (RetryIoctl(*m_calls, m_fd, VIDIOC_QBUF, &buffer) != 0) {
            return Fail(errno);
        }
    }
    return CaptureStatus::Success();
}

void CV4l2Stream::ReleaseBuffers() {
    for (const Mapping& mapping : m_buffers) {
        m_calls->munmap(mapping.address, mapping.length);
    }
    if (!m_buffers.empty()) {
        v4l2_requestbuffers none{};
        none.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        none.memory = V4L2_MEMORY_MMAP;
        RetryIoctl(*m_calls, m_fd, VIDIOC_REQBUFS, &none);
    }
    m_buffers.clear();
}

void CV4l2Stream::Stop() {
    if (m_thread.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
        m_thread.join();
    }
    m_running = false;
    if (m_streamOn) {
        v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        RetryIoctl(*m_calls, m_fd, VIDIOC_STREAMOFF, &type);
        m_streamOn = false;
    }
    ReleaseBuffers();
    if (m_buttonFd >= 0) {
        m_calls->close(m_buttonFd);
        m_buttonFd = -1;
    }
    if (m_wakeFd >= 0) {
        ::close(m_wakeFd);
        m_wakeFd = -1;
    }
}

void CV4l2Stream::Lose(const std::string& reason) {
    m_running = false;
    if (m_callbacks.onLost) {
        m_callbacks.onLost(reason);
    }
}

void CV4l2Stream::Run() {
    int ioErrors = 0;
    while (true) {
        pollfd fds[3] = {{m_fd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}, {m_buttonFd, POLLIN, 0}};
        const nfds_t count = m_buttonFd >= 0 ? 3 : 2;
        const int ready = m_calls->poll(fds, count, kPollTimeoutMs);
        if (ready < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                continue;
            }
            Lose(V4l2ErrorText(errno));
            return;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            return;
        }
        if (count == 3 && fds[2].revents != 0) {
            ReadButton();
        }
        if ((fds[0].revents & (POLLIN | POLLERR | POLLHUP | POLLNVAL)) == 0) {
            continue;
        }
        v4l2_buffer buffer{};
        buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffer.memory = V4L2_MEMORY_MMAP;
        if (RetryIoctl(*m_calls, m_fd, VIDIOC_DQBUF, &buffer) != 0) {
            const int error = errno;
            if (error == EAGAIN) {
                continue;
            }
            if (error == EIO && ++ioErrors < kMaxConsecutiveIoErrors) {
                continue;
            }
            Lose(V4l2ErrorText(error));
            return;
        }
        ioErrors = 0;
        if (buffer.index >= m_buffers.size()) {
            continue; // not one of ours: nothing to give back
        }
        const std::int64_t driverUs =
            static_cast<std::int64_t>(buffer.timestamp.tv_sec) * 1000000 + buffer.timestamp.tv_usec;
        if (!TakeFrame(buffer.index, buffer.bytesused, buffer.flags,
                       FrameTime(buffer.flags, driverUs))) {
            return;
        }
    }
}

bool CV4l2Stream::TakeFrame(std::uint32_t index, std::uint32_t bytesUsed, std::uint32_t flags,
                            std::int64_t timestampUs) {
    const Mapping& mapping = m_buffers[index];
    const std::span<const std::uint8_t> data(static_cast<const std::uint8_t*>(mapping.address),
                                             std::min<std::size_t>(bytesUsed, mapping.length));
    bool good = (flags & V4L2_BUF_FLAG_ERROR) == 0 && !data.empty();
    std::string error;
    if (good) {
        good = m_decoder->Decode(m_fourcc, data, m_width, m_height, m_bytesPerLine, m_bgr.data(),
                                 error);
    }
    if (good && m_fourcc == Fourcc::kMJPG) {
        m_compressed.assign(data.begin(), data.end());
    }
    // The buffer goes back before anyone sees the frame: the frame lives in
    // our own memory from here on.
    v4l2_buffer back{};
    back.index = index;
    back.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    back.memory = V4L2_MEMORY_MMAP;
    const bool requeued = RetryIoctl(*m_calls, m_fd, VIDIOC_QBUF, &back) == 0;
    const int requeueError = errno;
    if (!good) {
        ++m_dropped;
        if (m_callbacks.onDropped) {
            m_callbacks.onDropped((flags & V4L2_BUF_FLAG_ERROR) != 0
                                      ? "The camera sent a damaged frame."
                                  : data.empty() ? "The camera sent an empty frame."
                                                 : error);
        }
    } else {
        if (m_firstTimestampUs < 0) {
            m_firstTimestampUs = timestampUs;
        }
        CaptureFrame frame;
        frame.bgr = m_bgr.data();
        frame.bytes = m_bgr.size();
        frame.width = m_width;
        frame.height = m_height;
        frame.stride = BgrStride(m_width);
        if (m_fourcc == Fourcc::kMJPG) {
            frame.compressed = m_compressed;
        }
        frame.sourceFourcc = m_fourcc;
        frame.timestampUs = std::max<std::int64_t>(timestampUs - m_firstTimestampUs, 0);
        frame.sequence = m_sequence++;
        if (m_callbacks.onFrame) {
            m_callbacks.onFrame(frame);
        }
        if (m_stillPending) {
            m_stillPending = false;
            if (m_callbacks.onStill) {
                m_callbacks.onStill(frame);
            }
        }
    }
    if (!requeued) {
        Lose(V4l2ErrorText(requeueError));
        return false;
    }
    return true;
}

std::int64_t CV4l2Stream::FrameTime(std::uint32_t flags, std::int64_t driverUs) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::int64_t nowUs = static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
    const bool monotonic =
        (flags & V4L2_BUF_FLAG_TIMESTAMP_MASK) == V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC;
    // A frame stamped by another clock, not at all, or before the last one
    // would squeeze a recording into one frame: it is timed on arrival.
    std::int64_t time =
        monotonic && driverUs > m_lastTimestampUs && driverUs > 0 ? driverUs : nowUs;
    if (time <= m_lastTimestampUs) {
        time = m_lastTimestampUs + 1;
    }
    m_lastTimestampUs = time;
    return time;
}

void CV4l2Stream::ReadButton() {
    input_event events[16];
    while (true) {
        const ssize_t got = m_calls->read(m_buttonFd, events, sizeof events);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
                // The button went away (unplugged): the camera streams on.
                m_calls->close(m_buttonFd);
                m_buttonFd = -1;
            }
            return;
        }
        const std::size_t whole = static_cast<std::size_t>(got) / sizeof(input_event);
        for (std::size_t i = 0; i < whole; ++i) {
            if (events[i].type == EV_KEY && events[i].code == KEY_CAMERA && events[i].value == 1) {
                m_stillPending = true;
            }
        }
    }
}
