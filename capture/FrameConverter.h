#pragma once

#include "capture/CaptureBackend.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Turns what a camera sends into the delivered frame format (24-bit BGR,
// bottom-up, rows padded to 4 bytes). Every backend converts through it, so
// the virtual microscope's MJPEG takes the same decoder as a real camera's.
// Camera data is untrusted: broken or short buffers fail with a reason, never
// read out of bounds. One converter per streaming thread.
class CFrameConverter {
public:
    CFrameConverter();
    ~CFrameConverter();
    CFrameConverter(const CFrameConverter&) = delete;
    CFrameConverter& operator=(const CFrameConverter&) = delete;

    static bool Supports(std::uint32_t fourcc);

    // `bgr` is resized to BgrStride(width) × height. A JPEG whose size is
    // not width × height fails.
    bool ToBgr(std::uint32_t fourcc, std::span<const std::uint8_t> data, int width, int height,
               std::vector<std::uint8_t>& bgr, std::string& error);

private:
    void* m_decoder = nullptr; // TurboJPEG handle, made on first use
};
