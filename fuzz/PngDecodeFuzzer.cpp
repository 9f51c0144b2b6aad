#include "fuzz/FuzzCheck.h"
#include "image/PngCodec.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CDib dib;
    if (DecodePng(std::span(data, size), dib, kFuzzLimits)) {
        CheckDecodedPicture(dib);
        if (dib.PageCount() < 1) {
            __builtin_trap();
        }
    } else if (dib.LastError().empty()) {
        __builtin_trap(); // a refusal always says why
    }
    return 0;
}
