#include "tests/capture/v4l2/FakeUvcCamera.h"

#include "tests/capture/v4l2/FakeUvcSupport.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <linux/input.h>
#include <linux/videodev2.h>
#include <sys/mman.h>
#include <thread>
#include <time.h>

using FakeUvc::CopyName;
using FakeUvc::Fail;

CFakeUvcCamera::CFakeUvcCamera() {
    // The driver stamps frames with the system's monotonic clock.
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    m_clockUs = static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
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
void CFakeUvcCamera::FailOpen(const std::string& path, int error) {
    std::lock_guard lock(m_mutex);
    m_openErrors[path] = error;
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
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] {
        return m_script.empty() || m_gone || m_stalled || m_unplugging;
    });
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
int CFakeUvcCamera::IoctlCalls() const {
    std::lock_guard lock(m_mutex);
    return m_ioctlCalls;
}
std::uint32_t CFakeUvcCamera::GrantedBuffers() const {
    std::lock_guard lock(m_mutex);
    return static_cast<std::uint32_t>(m_buffers.size());
}

int CFakeUvcCamera::Open(const char* path) {
    std::lock_guard lock(m_mutex);
    if (!m_nodes.contains(path)) {
        return Fail(ENOENT);
    }
    if (const auto refused = m_openErrors.find(path); refused != m_openErrors.end()) {
        return Fail(refused->second);
    }
    const int fd = m_nextFd++;
    m_fds[fd] = path;
    m_opened.emplace_back(path);
    return fd;
}

int CFakeUvcCamera::Close(int fd) {
    std::lock_guard lock(m_mutex);
    if (fd == m_owner) {
        // Closing the owning handle stops its stream and frees its buffers.
        m_owner = -1;
        m_streaming = false;
        m_stalled = false;
        if (std::none_of(m_buffers.begin(), m_buffers.end(),
                         [](const Buffer& b) { return b.mapped; })) {
            m_buffers.clear();
        }
    }
    return m_fds.erase(fd) == 1 ? 0 : Fail(EBADF);
}

int CFakeUvcCamera::Ioctl(int fd, unsigned long request, void* arg) {
    std::lock_guard lock(m_mutex);
    ++m_ioctlCalls;
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
    return VideoIoctl(fd, node->second, request, arg);
}

int CFakeUvcCamera::VideoIoctl(int fd, const Node& node, unsigned long request, void* arg) {
    if (m_gone) {
        return Fail(ENODEV);
    }
    // Only one handle may configure and stream; the first to try owns the
    // camera until it gives its buffers back or closes.
    const bool privileged = request == VIDIOC_S_FMT || request == VIDIOC_S_PARM ||
                            request == VIDIOC_REQBUFS || request == VIDIOC_STREAMON ||
                            request == VIDIOC_STREAMOFF;
    if (privileged && node.kind == NodeKind::Capture) {
        if (inUseElsewhere || (m_owner >= 0 && m_owner != fd)) {
            return Fail(EBUSY);
        }
        m_owner = fd;
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
    if (const int format = FormatIoctl(request, arg); format != -2) {
        return format;
    }
    const int control = ControlIoctl(request, arg);
    if (control != -2) {
        return control;
    }
    const int result = BufferIoctl(request, arg);
    if (request == VIDIOC_REQBUFS && result == 0 &&
        static_cast<v4l2_requestbuffers*>(arg)->count == 0) {
        m_owner = -1;
    }
    return result;
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
