#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <poll.h>
#include <sys/types.h>

// The system calls the kernel video code makes, gathered in one table so that
// tests can answer them with a fake device instead of a driver. Each entry
// behaves like the call it stands for: -1 (or MAP_FAILED) with errno set on
// failure. Entries may be called from the streaming thread.
struct CV4l2Calls {
    std::function<int(const char* path, int flags)> open;
    std::function<int(int fd)> close;
    std::function<int(int fd, unsigned long request, void* arg)> ioctl;
    std::function<void*(std::size_t length, int prot, int flags, int fd, off_t offset)> mmap;
    std::function<int(void* address, std::size_t length)> munmap;
    std::function<int(pollfd* fds, nfds_t count, int timeoutMs)> poll;
    std::function<ssize_t(int fd, void* buffer, std::size_t bytes)> read;
};

// The table of the real calls.
std::shared_ptr<const CV4l2Calls> SystemV4l2Calls();

// ioctl retried while it is interrupted by a signal.
int RetryIoctl(const CV4l2Calls& calls, int fd, unsigned long request, void* arg);
