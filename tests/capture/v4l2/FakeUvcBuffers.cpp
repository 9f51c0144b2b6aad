#include "tests/capture/v4l2/FakeUvcCamera.h"
#include "tests/capture/v4l2/FakeUvcSupport.h"

using FakeUvc::Fail;

int CFakeUvcCamera::BufferIoctl(unsigned long request, void* arg) {
    switch (request) {
    case VIDIOC_REQBUFS: {
        auto* request = static_cast<v4l2_requestbuffers*>(arg);
        if (request->memory != V4L2_MEMORY_MMAP) {
            return Fail(EINVAL);
        }
        if (m_streaming || std::any_of(m_buffers.begin(), m_buffers.end(),
                                       [](const Buffer& b) { return b.mapped; })) {
            return Fail(EBUSY);
        }
        m_buffers.clear();
        request->count = std::min(request->count, maxBuffers);
        for (std::uint32_t i = 0; i < request->count; ++i) {
            Buffer buffer;
            buffer.memory.assign(std::max<std::size_t>(std::size_t{width} * height * 3, 1 << 18),
                                 0);
            m_buffers.push_back(std::move(buffer));
        }
        return 0;
    }
    case VIDIOC_QUERYBUF:
    case VIDIOC_QBUF: {
        auto* buffer = static_cast<v4l2_buffer*>(arg);
        if (buffer->index >= m_buffers.size()) {
            return Fail(EINVAL);
        }
        Buffer& ours = m_buffers[buffer->index];
        if (request == VIDIOC_QUERYBUF) {
            buffer->length = static_cast<std::uint32_t>(ours.memory.size());
            buffer->m.offset = buffer->index * 0x100000U;
            return 0;
        }
        if (m_unplugging) {
            return Fail(ENODEV); // the driver refuses buffers once disconnected
        }
        if (ours.queued) {
            return Fail(EINVAL);
        }
        ours.queued = true;
        ours.dequeued = false;
        return 0;
    }
    case VIDIOC_DQBUF:
        return Dequeue(*static_cast<v4l2_buffer*>(arg));
    case VIDIOC_STREAMON:
        if (m_buffers.empty()) {
            return Fail(EINVAL);
        }
        if (streamOnError) {
            if (const int error = streamOnError(fourcc, width, height); error != 0) {
                return Fail(error);
            }
        }
        m_streaming = true;
        m_stalled = false;
        return 0;
    case VIDIOC_STREAMOFF:
        m_streaming = false;
        m_stalled = false;
        for (Buffer& buffer : m_buffers) {
            buffer.queued = false;
            buffer.dequeued = false;
        }
        m_changed.notify_all();
        return 0;
    default:
        return Fail(ENOTTY);
    }
}

int CFakeUvcCamera::Dequeue(v4l2_buffer& buffer) {
    if (!m_streaming) {
        return Fail(EINVAL);
    }
    if (m_stalled || m_script.empty()) {
        return Fail(EAGAIN);
    }
    const auto queued =
        std::find_if(m_buffers.begin(), m_buffers.end(), [](const Buffer& b) { return b.queued; });
    Step& step = m_script.front();
    if (step.stall) {
        m_stalled = true;
        m_script.pop_front();
        m_changed.notify_all();
        return Fail(EAGAIN);
    }
    if (step.error == ENODEV && queued != m_buffers.end()) {
        m_unplugging = true;
        buffer.index = static_cast<std::uint32_t>(queued - m_buffers.begin());
        buffer.bytesused = 0;
        buffer.flags = V4L2_BUF_FLAG_ERROR | timestampFlags;
        queued->queued = false;
        queued->dequeued = true;
        m_changed.notify_all();
        return 0;
    }
    if (step.error != 0) {
        const int error = step.error;
        m_gone = error == ENODEV;
        m_script.pop_front();
        m_changed.notify_all();
        return Fail(error);
    }
    if (queued == m_buffers.end()) {
        return Fail(EAGAIN);
    }
    const std::size_t used = std::min(step.bytes.size(), queued->memory.size());
    std::copy_n(step.bytes.begin(), used, queued->memory.begin());
    buffer.index = static_cast<std::uint32_t>(queued - m_buffers.begin());
    buffer.bytesused = static_cast<std::uint32_t>(used);
    buffer.flags = step.flags | timestampFlags;
    m_clockUs += step.gapUs;
    const std::int64_t stamp = step.timestampUs.value_or(m_clockUs);
    m_clockUs += std::int64_t{1000000} * interval.first / std::max(interval.second, 1U);
    buffer.sequence = m_sequence++;
    buffer.timestamp.tv_sec = stamp / 1000000;
    buffer.timestamp.tv_usec = stamp % 1000000;
    queued->queued = false;
    queued->dequeued = true;
    m_script.pop_front();
    m_changed.notify_all();
    return 0;
}

bool CFakeUvcCamera::VideoReady() const {
    if (!m_streaming || m_stalled) {
        return false;
    }
    if (m_gone) {
        return true;
    }
    const bool anyQueued =
        std::any_of(m_buffers.begin(), m_buffers.end(), [](const Buffer& b) { return b.queued; });
    return !m_script.empty() &&
           (m_script.front().error != 0 || m_script.front().stall || anyQueued);
}
