#pragma once

#include "image/Dib.h"

#include <cstdint>
#include <vector>

// Decoders must never allocate more than this while fuzzing; a bigger limit
// only slows the search down without reaching new code.
inline constexpr DecodeLimits kFuzzLimits{std::size_t{64} << 20};

// A decoded picture must be whole and survive a round trip through BMP.
inline void CheckDecodedPicture(const CDib& dib) {
    if (dib.Width() <= 0 || dib.Height() <= 0 ||
        dib.ImageSize() != CDib::StrideFor(dib.Width(), dib.BitsPerPixel()) * dib.Height()) {
        __builtin_trap();
    }
    std::vector<std::uint8_t> encoded;
    CDib again;
    if (!dib.Encode(ImageType::Bmp, encoded) || !again.Decode(encoded, ImageType::Bmp) ||
        again.Width() != dib.Width() || again.Height() != dib.Height() ||
        again.BitsPerPixel() != dib.BitsPerPixel()) {
        __builtin_trap();
    }
}
