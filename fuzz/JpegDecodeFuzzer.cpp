#include "fuzz/FuzzCheck.h"
#include "image/JpegCodec.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace {

// About a megapixel reaches every path of the decoder; bigger pictures only
// spend the fuzzer's time allocating, filling and checking pixels. The
// decoder refuses a frame header above the limit before it decodes anything.
constexpr DecodeLimits kJpegFuzzLimits{std::size_t{3} << 20};
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
