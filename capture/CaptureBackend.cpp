#include "capture/CaptureBackend.h"

namespace Fourcc {

std::string ToString(std::uint32_t fourcc) {
    std::string text(4, ' ');
    for (int i = 0; i < 4; ++i) {
        const auto byte = static_cast<unsigned char>((fourcc >> (8 * i)) & 0xFF);
        text[static_cast<std::size_t>(i)] =
            byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '?';
    }
    return text;
}

std::optional<std::uint32_t> Parse(const std::string& text) {
    if (text.size() != 4) {
        return std::nullopt;
    }
    return Make(text[0], text[1], text[2], text[3]);
}

} // namespace Fourcc
