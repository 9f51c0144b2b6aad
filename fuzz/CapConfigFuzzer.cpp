#include "capture/CaptureConfig.h"
#include "capture/VirtualMicroscope.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

// CapConfig.dat may hold anything: only an 88-byte block is taken, and a
// block only ever selects a format the camera offers.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<CaptureFormatDesc> offered = [] {
        std::string error;
        return MakeVirtualMicroscopeBackend()->Open(VirtualMicroscope::kId, error)->Formats();
    }();
    const auto block = CaptureConfigFromBytes(std::span(data, size));
    if (block.has_value() != (size == static_cast<std::size_t>(kCaptureConfigBytes))) {
        __builtin_trap();
    }
    if (!block) {
        return 0;
    }
    const CaptureConfigFields fields = DecodeCaptureConfig(*block);
    const auto format = MatchCaptureConfig(fields, offered);
    if (!format) {
        return 0;
    }
    bool listed = false;
    for (const CaptureFormatDesc& desc : offered) {
        for (const CaptureFrameSize& frameSize : desc.sizes) {
            for (const FrameInterval& interval : frameSize.intervals) {
                listed =
                    listed || (desc.fourcc == format->fourcc && frameSize.width == format->width &&
                               frameSize.height == format->height && interval == format->interval);
            }
        }
    }
    const CaptureConfigFields again = DecodeCaptureConfig(EncodeCaptureConfig(*format));
    if (!listed || again.width != format->width || again.height != format->height ||
        again.compression != format->fourcc) {
        __builtin_trap();
    }
    return 0;
}
