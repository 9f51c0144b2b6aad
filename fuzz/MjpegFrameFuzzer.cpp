#include "capture/CaptureBackend.h"
#include "capture/v4l2/V4l2FrameDecoder.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <turbojpeg.h>
#include <vector>

// A camera frame of any bytes, taken as the MJPEG frame of the size its own
// header claims (within reason) and of a fixed size, then as a YUYV frame.
// Nothing may crash, a refusal must say why, and the decoder must still
// decode a good frame afterwards: a bad frame never stalls the stream.

namespace {

constexpr int kMaxSide = 1024;

const std::vector<std::uint8_t>& GoodFrame() {
    static const std::vector<std::uint8_t> jpeg = [] {
        std::vector<std::uint8_t> grey(16 * 16 * 3, 128);
        tjhandle handle = tjInitCompress();
        unsigned char* data = nullptr;
        unsigned long size = 0;
        tjCompress2(handle, grey.data(), 16, 48, 16, TJPF_BGR, &data, &size, TJSAMP_422, 80, 0);
        std::vector<std::uint8_t> bytes(data, data + size);
        tjFree(data);
        tjDestroy(handle);
        return bytes;
    }();
    return jpeg;
}

void Decode(CV4l2FrameDecoder& decoder, std::uint32_t fourcc, std::span<const std::uint8_t> data,
            int width, int height) {
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(BgrStride(width)) * height);
    std::string error;
    if (!decoder.Decode(fourcc, data, width, height, 0, frame.data(), error) && error.empty()) {
        __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    CV4l2FrameDecoder decoder;
    Decode(decoder, Fourcc::kMJPG, bytes, 64, 48);
    tjhandle probe = tjInitDecompress();
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourspace = 0;
    if (tjDecompressHeader3(probe, data, static_cast<unsigned long>(size), &width, &height,
                            &subsampling, &colourspace) == 0 &&
        width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide) {
        Decode(decoder, Fourcc::kMJPG, bytes, width, height);
    }
    tjDestroy(probe);
    if (size >= 2) {
        Decode(decoder, Fourcc::kYUYV, bytes.subspan(2), 2 * (1 + data[0] % 32), 1 + data[1] % 32);
    }
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(BgrStride(16)) * 16);
    std::string error;
    if (!decoder.Decode(Fourcc::kMJPG, GoodFrame(), 16, 16, 0, frame.data(), error)) {
        __builtin_trap();
    }
    return 0;
}
