#include "fuzz/FuzzCheck.h"
#include "image/JpegCodec.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace {

// 64 K pixels (256 x 256) still span eight MCU rows and columns in the
// coarsest sampling, so they reach every path of the decoder. Bigger pictures
// only spend the fuzzer's time in page faults and zero-filling of fresh
// sanitizer mappings for the picture and its round trip: four times the
// cap ran over ten times slower. The decoder refuses a frame header above the
// limit before it decodes anything.
constexpr DecodeLimits kJpegFuzzLimits{std::size_t{3} << 16};
static_assert(kJpegFuzzLimits.maxPixelBytes <= kFuzzLimits.maxPixelBytes);

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CDib dib;
    if (DecodeJpeg(std::span(data, size), dib, kJpegFuzzLimits)) {
        CheckDecodedPicture(dib);
    } else if (dib.LastError().empty()) {
        __builtin_trap(); // a refusal always says why
    }
    return 0;
}
