#include "tests/camera/FrameTestSupport.h"

CTestFrame::CTestFrame(int w, int h)
    : width(w)
    , height(h)
    , stride(BgrStride(w)) {
    bytes.assign(static_cast<std::size_t>(stride) * h, kPaddingByte);
    for (int row = 0; row < h; ++row) {
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = bytes.data() + static_cast<std::size_t>(row) * stride + x * 3;
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(x >> 8);
            p[2] = static_cast<std::uint8_t>(row);
        }
    }
}

CaptureFrame CTestFrame::View(std::uint64_t sequence, std::int64_t timestampUs) const {
    CaptureFrame frame;
    frame.bgr = bytes.data();
    frame.bytes = bytes.size();
    frame.width = width;
    frame.height = height;
    frame.stride = stride;
    frame.sequence = sequence;
    frame.timestampUs = timestampUs;
    frame.sourceFourcc = Fourcc::kYUYV;
    return frame;
}

std::uint32_t CTestFrame::Pixel(const std::uint8_t* bgr, int x, int row) const {
    const std::uint8_t* p = bgr + static_cast<std::size_t>(row) * stride + x * 3;
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16);
}
