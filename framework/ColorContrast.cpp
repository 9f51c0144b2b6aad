#include "framework/ColorContrast.h"

#include <algorithm>
#include <cmath>

namespace {

double Linear(std::uint32_t channel) {
    const double value = static_cast<double>(channel & 0xFFu) / 255.0;
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double RelativeLuminance(std::uint32_t rgb) {
    return 0.2126 * Linear(rgb >> 16) + 0.7152 * Linear(rgb >> 8) + 0.0722 * Linear(rgb);
}

} // namespace

double ContrastRatio(std::uint32_t rgbA, std::uint32_t rgbB) {
    const double a = RelativeLuminance(rgbA);
    const double b = RelativeLuminance(rgbB);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}
