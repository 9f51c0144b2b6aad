#include "browser/ThumbnailDecode.h"

#include <cstddef>
#include <cstdint>
#include <span>

// Thumbnails read BMP files their own way, a few rows at a time, and decode
// JPEG at a reduced scale: both must refuse hostile files cleanly and frame
// every thumbnail they make.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CThumbnail thumbnail;
    std::string error;
    if (!MakeThumbnailFromData(std::span(data, size), thumbnail, error)) {
        if (error.empty()) {
            __builtin_trap(); // a refusal always says why
        }
        return 0;
    }
    for (int i = 0; i < kThumbnailSide; ++i) {
        if (thumbnail.Pixel(i, 0)[0] != 192 || thumbnail.Pixel(0, i)[1] != 192) {
            __builtin_trap();
        }
    }
    return 0;
}
