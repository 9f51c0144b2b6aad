#pragma once

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

// Small helpers the fake camera's files share.
namespace FakeUvc {

template <typename Char, std::size_t N>
void CopyName(Char (&target)[N], const std::string& text) {
    std::memset(target, 0, N);
    std::memcpy(target, text.data(), std::min(text.size(), N - 1));
}

inline int Fail(int error) {
    errno = error;
    return -1;
}

} // namespace FakeUvc
