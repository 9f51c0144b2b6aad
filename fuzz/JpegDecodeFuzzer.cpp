#include "fuzz/FuzzCheck.h"
#include "image/JpegCodec.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
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

// A replay runs each kept input once, so it can afford the real test
// pictures at full size instead of refusing them at the header.
const DecodeLimits& Limits() {
    static const bool replay = std::getenv("MARNELO_FUZZ_REPLAY") != nullptr;
    return replay ? kFuzzLimits : kJpegFuzzLimits;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CDib dib;
    if (DecodeJpeg(std::span(data, size), dib, Limits())) {
        CheckDecodedPicture(dib);
    } else if (dib.LastError().empty()) {
        __builtin_trap(); // a refusal always says why
    }
    return 0;
}
