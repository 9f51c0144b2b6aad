#pragma once

#include "capture/CaptureBackend.h"

#include <cstdint>
#include <vector>

// A delivered frame with its own bytes: every pixel distinct (its column and
// row encoded in its bytes) and the row padding filled with 0xEE.
struct CTestFrame {
    std::vector<std::uint8_t> bytes;
    int width = 0;
    int height = 0;
    int stride = 0;

    CTestFrame(int w, int h);
    CaptureFrame View(std::uint64_t sequence = 0, std::int64_t timestampUs = 0) const;
    // The pixel of stored row `row`, column `x`, as 0xBBGGRR.
    std::uint32_t Pixel(const std::uint8_t* bgr, int x, int row) const;
};

inline constexpr std::uint8_t kPaddingByte = 0xEE;
