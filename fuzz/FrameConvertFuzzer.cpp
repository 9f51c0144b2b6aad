#include "capture/FrameConverter.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// A camera's buffer is untrusted: whatever it holds, conversion either fails
// with a reason or fills exactly one frame. The first two bytes choose the
// pixel format and the frame size; the rest is the buffer.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static constexpr std::array<std::uint32_t, 10> kFormats{
        Fourcc::kMJPG,   Fourcc::kYUYV,   Fourcc::kYVYU,   Fourcc::kUYVY, Fourcc::kBGR24,
        Fourcc::kXBGR32, Fourcc::kRGB565, Fourcc::kRGB555, Fourcc::kPAL8, Fourcc::kABGR32};
    if (size < 2) {
        return 0;
    }
    const std::uint32_t fourcc = kFormats[data[0] % kFormats.size()];
    const int width = 1 + (data[1] & 0x0F) * 7;
    const int height = 1 + (data[1] >> 4) * 5;
    static CFrameConverter converter;
    std::vector<std::uint8_t> bgr;
    std::string error;
    if (converter.ToBgr(fourcc, std::span(data + 2, size - 2), width, height, bgr, error)) {
        if (bgr.size() != static_cast<std::size_t>(BgrStride(width)) * height) {
            __builtin_trap();
        }
    } else if (error.empty()) {
        __builtin_trap();
    }
    return 0;
}
