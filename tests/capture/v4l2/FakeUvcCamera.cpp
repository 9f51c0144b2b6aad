#include "tests/capture/v4l2/FakeUvcCamera.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <linux/input.h>
#include <linux/videodev2.h>
#include <sys/mman.h>
#include <thread>

namespace {

template <std::size_t N>
void CopyName(std::uint8_t (&target)[N], const std::string& text) {
    std::memset(target, 0, N);
    std::memcpy(target, text.data(), std::min(text.size(), N - 1));
}
template <std::size_t N>
void CopyName(char (&target)[N], const std::string& text) {
    std::memset(target, 0, N);
    std::memcpy(target, text.data(), std::min(text.size(), N - 1));
}

std::uint32_t BytesPerLine(std::uint32_t fourcc, std::uint32_t width) {
    switch (fourcc) {
    case V4L2_PIX_FMT_YUYV:
    case V4L2_PIX_FMT_UYVY:
    case V4L2_PIX_FMT_YVYU:
        return width * 2;
    case V4L2_PIX_FMT_BGR24:
        return width * 3;
    case V4L2_PIX_FMT_YUV420:
        return width;
    default:
        return 0;
    }
}

int Fail(int error) {
    errno = error;
    return -1;
}

} // namespace

CFakeUvcCamera::CFakeUvcCamera() {
    m_calls = std::make_shared<CV4l2Calls>(CV4l2Calls{
        [this](const char* path, int) { return Open(path); },
        [this](int fd) { return Close(fd); },
        [this](int fd, unsigned long request, void* arg) { return Ioctl(fd, request, arg); },
        [this](std::size_t length, int, int, int fd, off_t offset) {
            return Mmap(length, fd, offset);
        },
        [this](void* address, std::size_t length) { return Munmap(address, length); },
        [this](pollfd* fds, nfds_t count, int timeoutMs) { return Poll(fds, count, timeoutMs); },
        [this](int fd, void* buffer, std::size_t bytes) { return Read(fd, buffer, bytes); },
    });
}

std::shared_ptr<const CV4l2Calls> CFakeUvcCamera::Calls() {
    return m_calls;
}

void CFakeUvcCamera::AddCaptureNode(const std::string& path, const std::string& card) {
    std::lock_guard lock(m_mutex);
    m_nodes[path] = {NodeKind::Capture, card};
}
void CFakeUvcCamera::AddMetadataNode(const std::string& path) {
    std::lock_guard lock(m_mutex);
    m_nodes[path] = {NodeKind::Metadata, "metadata"};
}
void CFakeUvcCamera::AddButtonNode(const std::string& path) {
    std::lock_guard lock(m_mutex);
    m_nodes[path] = {NodeKind::Button, ""};
}
void CFakeUvcCamera::RemoveNode(const std::string& path) {
    std::lock_guard lock(m_mutex);
    m_nodes.erase(path);
}

void CFakeUvcCamera::Queue(Step step) {
    std::lock_guard lock(m_mutex);
    m_script.push_back(std::move(step));
}

void CFakeUvcCamera::PressButton() {
    std::lock_guard lock(m_mutex);
    m_keyPresses.push_back(1);
}

bool CFakeUvcCamera::WaitScriptDone(int timeoutMs) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [this] { return m_script.empty() || m_gone; });
}

std::vector<std::string> CFakeUvcCamera::OpenedPaths() const {
    std::lock_guard lock(m_mutex);
    return m_opened;
}
int CFakeUvcCamera::OpenFds() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_fds.size());
}
int CFakeUvcCamera::MappedBuffers() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(std::count_if(m_buffers.begin(), m_buffers.end(),
                                          [](const Buffer& b) { return b.mapped; }));
}
int CFakeUvcCamera::BuffersHeldByApplication() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(std::count_if(m_buffers.begin(), m_buffers.end(),
                                          [](const Buffer& b) { return b.dequeued; }));
}
std::vector<std::pair<const std::uint8_t*, std::size_t>> CFakeUvcCamera::Mappings() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::pair<const std::uint8_t*, std::size_t>> ranges;
    for (const Buffer& buffer : m_buffers) {
        ranges.emplace_back(buffer.memory.data(), buffer.memory.size());
    }
    return ranges;
}
int CFakeUvcCamera::SetControlCalls() const {
    std::lock_guard lock(m_mutex);
    return m_setControlCalls;
}

int CFakeUvcCamera::Open(const char* path) {
    std::lock_guard lock(m_mutex);
    if (!m_nodes.contains(path)) {
        return Fail(ENOENT);
    }
    const int fd = m_nextFd++;
    m_fds[fd] = path;
    m_opened.emplace_back(path);
    return fd;
}

int CFakeUvcCamera::Close(int fd) {
    std::lock_guard lock(m_mutex);
    return m_fds.erase(fd) == 1 ? 0 : Fail(EBADF);
}

int CFakeUvcCamera::Ioctl(int fd, unsigned long request, void* arg) {
    std::lock_guard lock(m_mutex);
    const auto open = m_fds.find(fd);
    if (open == m_fds.end()) {
        return Fail(EBADF);
    }
    const auto node = m_nodes.find(open->second);
    if (node == m_nodes.end()) {
        return Fail(ENODEV);
    }
    if (node->second.kind == NodeKind::Button) {
        return Fail(ENOTTY);
    }
    return VideoIoctl(node->second, request, arg);
}

int CFakeUvcCamera::VideoIoctl(const Node& node, unsigned long request, void* arg) {
    if (m_gone) {
        return Fail(ENODEV);
    }
    if (request == VIDIOC_QUERYCAP) {
        auto* caps = static_cast<v4l2_capability*>(arg);
        *caps = {};
        CopyName(caps->driver, "uvcvideo");
        CopyName(caps->card, node.card);
        caps->capabilities = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING |
                             V4L2_CAP_DEVICE_CAPS;
        caps->device_caps =
            (node.kind == NodeKind::Capture ? V4L2_CAP_VIDEO_CAPTURE : V4L2_CAP_META_CAPTURE) |
            V4L2_CAP_STREAMING;
        return 0;
    }
    if (node.kind != NodeKind::Capture) {
        return Fail(EINVAL);
    }
    switch (request) {
    case VIDIOC_ENUM_FMT: {
        auto* description = static_cast<v4l2_fmtdesc*>(arg);
        if (description->index >= formats.size()) {
            return Fail(EINVAL);
        }
        const Format& format = formats[description->index];
        description->pixelformat = format.fourcc;
        CopyName(description->description, format.description);
        return 0;
    }
    case VIDIOC_ENUM_FRAMESIZES: {
        auto* size = static_cast<v4l2_frmsizeenum*>(arg);
        const auto format = std::find_if(formats.begin(), formats.end(), [&](const Format& f) {
            return f.fourcc == size->pixel_format;
        });
        if (format == formats.end()) {
            return Fail(EINVAL);
        }
        if (format->stepwise) {
            if (size->index != 0) {
                return Fail(EINVAL);
            }
            size->type = V4L2_FRMSIZE_TYPE_STEPWISE;
            size->stepwise = {format->minSize.width,  format->maxSize.width,  format->step.width,
                              format->minSize.height, format->maxSize.height, format->step.height};
            return 0;
        }
        if (size->index >= format->sizes.size()) {
            return Fail(EINVAL);
        }
        size->type = V4L2_FRMSIZE_TYPE_DISCRETE;
        size->discrete = {format->sizes[size->index].width, format->sizes[size->index].height};
        return 0;
    }
    case VIDIOC_ENUM_FRAMEINTERVALS: {
        auto* entry = static_cast<v4l2_frmivalenum*>(arg);
        const auto format = std::find_if(formats.begin(), formats.end(), [&](const Format& f) {
            return f.fourcc == entry->pixel_format;
        });
        if (format == formats.end()) {
            return Fail(EINVAL);
        }
        if (format->continuousRates) {
            if (entry->index != 0) {
                return Fail(EINVAL);
            }
            entry->type = V4L2_FRMIVAL_TYPE_CONTINUOUS;
            entry->stepwise.min = {format->intervals[0].first, format->intervals[0].second};
            entry->stepwise.max = {format->intervals[1].first, format->intervals[1].second};
            entry->stepwise.step = {1, 1};
            return 0;
        }
        if (entry->index >= format->intervals.size()) {
            return Fail(EINVAL);
        }
        entry->type = V4L2_FRMIVAL_TYPE_DISCRETE;
        entry->discrete = {format->intervals[entry->index].first,
                           format->intervals[entry->index].second};
        return 0;
    }
    case VIDIOC_G_FMT: {
        auto* format = static_cast<v4l2_format*>(arg);
        format->fmt.pix = {};
        format->fmt.pix.pixelformat = fourcc;
        format->fmt.pix.width = width;
        format->fmt.pix.height = height;
        format->fmt.pix.bytesperline = BytesPerLine(fourcc, width);
        format->fmt.pix.sizeimage = width * height * 3;
        format->fmt.pix.field = V4L2_FIELD_NONE;
        return 0;
    }
    case VIDIOC_S_FMT: {
        if (m_streaming || !m_buffers.empty()) {
            return Fail(EBUSY);
        }
        auto* format = static_cast<v4l2_format*>(arg);
        auto chosen = std::find_if(formats.begin(), formats.end(), [&](const Format& f) {
            return f.fourcc == format->fmt.pix.pixelformat;
        });
        if (chosen == formats.end()) {
            chosen = formats.begin(); // drivers answer with a format of their own
        }
        fourcc = chosen->fourcc;
        if (chosen->stepwise) {
            const auto align = [](std::uint32_t v, std::uint32_t lo, std::uint32_t hi,
                                  std::uint32_t step) {
                v = std::clamp(v, lo, hi);
                return lo + (v - lo) / std::max(step, 1U) * std::max(step, 1U);
            };
            width = align(format->fmt.pix.width, chosen->minSize.width, chosen->maxSize.width,
                          chosen->step.width);
            height = align(format->fmt.pix.height, chosen->minSize.height, chosen->maxSize.height,
                           chosen->step.height);
        } else if (!chosen->sizes.empty()) {
            width = chosen->sizes[0].width;
            height = chosen->sizes[0].height;
            for (const Size& size : chosen->sizes) {
                if (size.width == format->fmt.pix.width && size.height == format->fmt.pix.height) {
                    width = size.width;
                    height = size.height;
                }
            }
        }
        format->fmt.pix.pixelformat = fourcc;
        format->fmt.pix.width = width;
        format->fmt.pix.height = height;
        format->fmt.pix.bytesperline = BytesPerLine(fourcc, width);
        return 0;
    }
    case VIDIOC_G_PARM:
    case VIDIOC_S_PARM: {
        auto* parameters = static_cast<v4l2_streamparm*>(arg);
        if (request == VIDIOC_S_PARM) {
            interval = {parameters->parm.capture.timeperframe.numerator,
                        parameters->parm.capture.timeperframe.denominator};
        }
        parameters->parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
        parameters->parm.capture.timeperframe = {interval.first, interval.second};
        return 0;
    }
    default:
        break;
    }
    const int control = ControlIoctl(request, arg);
    if (control != -2) {
        return control;
    }
    return BufferIoctl(request, arg);
}

const CFakeUvcCamera::Control* CFakeUvcCamera::FindControl(std::uint32_t id, bool next) const {
    const Control* best = nullptr;
    for (const Control& control : controls) {
        if (!next && control.id == id) {
            return &control;
        }
        if (next && control.id > id && (best == nullptr || control.id < best->id)) {
            best = &control;
        }
    }
    return best;
}

int CFakeUvcCamera::ControlIoctl(unsigned long request, void* arg) {
    switch (request) {
    case VIDIOC_QUERY_EXT_CTRL:
    case VIDIOC_QUERYCTRL: {
        if (request == VIDIOC_QUERY_EXT_CTRL && !extendedQueries) {
            return Fail(ENOTTY);
        }
        std::uint32_t& idField = request == VIDIOC_QUERYCTRL
                                     ? static_cast<v4l2_queryctrl*>(arg)->id
                                     : static_cast<v4l2_query_ext_ctrl*>(arg)->id;
        const bool next = (idField & V4L2_CTRL_FLAG_NEXT_CTRL) != 0;
        const Control* control = FindControl(idField & ~V4L2_CTRL_FLAG_NEXT_CTRL, next);
        if (control == nullptr) {
            return Fail(EINVAL);
        }
        if (request == VIDIOC_QUERYCTRL) {
            auto* query = static_cast<v4l2_queryctrl*>(arg);
            *query = {};
            query->id = control->id;
            query->type = control->type;
            CopyName(query->name, control->name);
            query->minimum = static_cast<std::int32_t>(control->minimum);
            query->maximum = static_cast<std::int32_t>(control->maximum);
            query->step = static_cast<std::int32_t>(control->step);
            query->default_value = static_cast<std::int32_t>(control->defaultValue);
            query->flags = control->flags;
        } else {
            auto* query = static_cast<v4l2_query_ext_ctrl*>(arg);
            *query = {};
            query->id = control->id;
            query->type = control->type;
            CopyName(query->name, control->name);
            query->minimum = control->minimum;
            query->maximum = control->maximum;
            query->step = static_cast<std::uint64_t>(control->step);
            query->default_value = control->defaultValue;
            query->flags = control->flags;
        }
        return 0;
    }
    case VIDIOC_QUERYMENU: {
        auto* item = static_cast<v4l2_querymenu*>(arg);
        const Control* control = FindControl(item->id, false);
        if (control == nullptr || item->index >= control->menu.size() ||
            control->menu[item->index].empty()) {
            return Fail(EINVAL);
        }
        if (control->type == V4L2_CTRL_TYPE_INTEGER_MENU) {
            item->value = std::stoll(control->menu[item->index]);
        } else {
            const std::string& name = control->menu[item->index];
            std::memset(item->name, 0, sizeof item->name);
            std::memcpy(item->name, name.data(), std::min(name.size(), sizeof item->name - 1));
        }
        return 0;
    }
    case VIDIOC_G_CTRL:
    case VIDIOC_S_CTRL: {
        auto* value = static_cast<v4l2_control*>(arg);
        auto* control = const_cast<Control*>(FindControl(value->id, false));
        if (control == nullptr) {
            return Fail(EINVAL);
        }
        if (request == VIDIOC_G_CTRL) {
            value->value = control->value;
            return 0;
        }
        ++m_setControlCalls;
        if (control->refuseWith != 0) {
            return Fail(control->refuseWith);
        }
        control->value = value->value;
        return 0;
    }
    default:
        return -2;
    }
}

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
        request->count = std::min<std::uint32_t>(request->count, 4);
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
        if (ours.queued) {
            return Fail(EINVAL);
        }
        ours.queued = true;
        ours.dequeued = false;
        return 0;
    }
    case VIDIOC_DQBUF: {
        if (!m_streaming) {
            return Fail(EINVAL);
        }
        if (m_script.empty()) {
            return Fail(EAGAIN);
        }
        Step& step = m_script.front();
        if (step.error != 0) {
            const int error = step.error;
            m_gone = error == ENODEV;
            m_script.pop_front();
            m_changed.notify_all();
            return Fail(error);
        }
        const auto free = std::find_if(m_buffers.begin(), m_buffers.end(),
                                       [](const Buffer& b) { return b.queued; });
        if (free == m_buffers.end()) {
            return Fail(EAGAIN);
        }
        auto* buffer = static_cast<v4l2_buffer*>(arg);
        const std::size_t used = std::min(step.bytes.size(), free->memory.size());
        std::copy_n(step.bytes.begin(), used, free->memory.begin());
        buffer->index = static_cast<std::uint32_t>(free - m_buffers.begin());
        buffer->bytesused = static_cast<std::uint32_t>(used);
        buffer->flags = step.flags;
        buffer->sequence = m_sequence;
        buffer->timestamp.tv_sec = m_sequence / 30;
        buffer->timestamp.tv_usec = (m_sequence % 30) * 33333;
        ++m_sequence;
        free->queued = false;
        free->dequeued = true;
        m_script.pop_front();
        m_changed.notify_all();
        return 0;
    }
    case VIDIOC_STREAMON:
        if (m_buffers.empty()) {
            return Fail(EINVAL);
        }
        m_streaming = true;
        return 0;
    case VIDIOC_STREAMOFF:
        m_streaming = false;
        for (Buffer& buffer : m_buffers) {
            buffer.queued = false;
            buffer.dequeued = false;
        }
        return 0;
    default:
        return Fail(ENOTTY);
    }
}

void* CFakeUvcCamera::Mmap(std::size_t length, int fd, off_t offset) {
    std::lock_guard lock(m_mutex);
    const std::size_t index = static_cast<std::size_t>(offset) / 0x100000U;
    if (!m_fds.contains(fd) || index >= m_buffers.size() ||
        length != m_buffers[index].memory.size()) {
        errno = EINVAL;
        return MAP_FAILED;
    }
    m_buffers[index].mapped = true;
    return m_buffers[index].memory.data();
}

int CFakeUvcCamera::Munmap(void* address, std::size_t) {
    std::lock_guard lock(m_mutex);
    for (Buffer& buffer : m_buffers) {
        if (buffer.memory.data() == address && buffer.mapped) {
            buffer.mapped = false;
            return 0;
        }
    }
    return Fail(EINVAL);
}

bool CFakeUvcCamera::VideoReady() const {
    if (!m_streaming) {
        return false;
    }
    if (m_gone) {
        return true;
    }
    return !m_script.empty() &&
           (m_script.front().error != 0 || std::any_of(m_buffers.begin(), m_buffers.end(),
                                                       [](const Buffer& b) { return b.queued; }));
}

int CFakeUvcCamera::Poll(pollfd* fds, nfds_t count, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        int ready = 0;
        std::vector<pollfd> real;
        {
            std::lock_guard lock(m_mutex);
            for (nfds_t i = 0; i < count; ++i) {
                fds[i].revents = 0;
                const auto open = m_fds.find(fds[i].fd);
                if (open == m_fds.end()) {
                    real.push_back(fds[i]);
                    continue;
                }
                const auto node = m_nodes.find(open->second);
                if (node == m_nodes.end()) {
                    fds[i].revents = POLLERR | POLLHUP;
                } else if (node->second.kind == NodeKind::Button) {
                    fds[i].revents = m_keyPresses.empty() ? 0 : POLLIN;
                } else if (VideoReady()) {
                    fds[i].revents = m_gone ? (POLLERR | POLLHUP) : POLLIN;
                }
                ready += fds[i].revents != 0 ? 1 : 0;
            }
        }
        const bool expired = timeoutMs >= 0 && std::chrono::steady_clock::now() >= deadline;
        if (!real.empty() && ::poll(real.data(), real.size(), ready > 0 || expired ? 0 : 5) > 0) {
            for (const pollfd& fd : real) {
                for (nfds_t i = 0; i < count; ++i) {
                    if (fds[i].fd == fd.fd && fd.revents != 0) {
                        fds[i].revents = fd.revents;
                        ++ready;
                    }
                }
            }
        } else if (real.empty() && ready == 0 && !expired) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (ready > 0 || expired) {
            return ready;
        }
    }
}

ssize_t CFakeUvcCamera::Read(int fd, void* target, std::size_t bytes) {
    std::lock_guard lock(m_mutex);
    const auto open = m_fds.find(fd);
    if (open == m_fds.end()) {
        return Fail(EBADF);
    }
    if (!m_nodes.contains(open->second)) {
        return Fail(ENODEV);
    }
    if (m_keyPresses.empty()) {
        return Fail(EAGAIN);
    }
    m_keyPresses.pop_front();
    // A press as the kernel reports it: key down, sync, key up, sync.
    input_event events[4]{};
    events[0].type = EV_KEY;
    events[0].code = KEY_CAMERA;
    events[0].value = 1;
    events[1].type = EV_SYN;
    events[2].type = EV_KEY;
    events[2].code = KEY_CAMERA;
    events[3].type = EV_SYN;
    const std::size_t size = std::min(bytes, sizeof events);
    std::memcpy(target, events, size);
    return static_cast<ssize_t>(size);
}
