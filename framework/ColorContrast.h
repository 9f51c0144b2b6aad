#pragma once

#include <cstdint>

// The contrast ratio of two sRGB colours (0xRRGGBB) as the accessibility
// guidelines define it: (L1 + 0.05) / (L2 + 0.05) of their relative
// luminances, from 1 (same luminance) to 21 (black on white). Normal text
// wants at least 4.5.
double ContrastRatio(std::uint32_t rgbA, std::uint32_t rgbB);

inline constexpr double kMinimumTextContrast = 4.5;
