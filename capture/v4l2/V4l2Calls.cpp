#include "capture/v4l2/V4l2Calls.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

std::shared_ptr<const CV4l2Calls> SystemV4l2Calls() {
    static const auto calls = std::make_shared<const CV4l2Calls>(CV4l2Calls{
        [](const char* path, int flags) { return ::open(path, flags | O_CLOEXEC); },
        [](int fd) { return ::close(fd); },
        [](int fd, unsigned long request, void* arg) { return ::ioctl(fd, request, arg); },
        [](std::size_t length, int prot, int flags, int fd, off_t offset) {
            return ::mmap(nullptr, length, prot, flags, fd, offset);
        },
        [](void* address, std::size_t length) { return ::munmap(address, length); },
        [](pollfd* fds, nfds_t count, int timeoutMs) { return ::poll(fds, count, timeoutMs); },
        [](int fd, void* buffer, std::size_t bytes) { return ::read(fd, buffer, bytes); },
    });
    return calls;
}

int RetryIoctl(const CV4l2Calls& calls, int fd, unsigned long request, void* arg) {
    int result = 0;
    do {
        result = calls.ioctl(fd, request, arg);
    } while (result == -1 && errno == EINTR);
    return result;
}
