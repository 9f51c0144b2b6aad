#pragma once

#include <cstdint>

// Colours are kept as Windows COLORREF values, 0x00BBGGRR, because the
// persisted settings and the shape records store them that way (255 is red).
using COLORREF = std::uint32_t;

constexpr COLORREF MakeColorref(int red, int green, int blue) {
    return static_cast<COLORREF>((red & 0xFF) | (green & 0xFF) << 8 | (blue & 0xFF) << 16);
}
constexpr int RedOf(COLORREF color) {
    return static_cast<int>(color & 0xFF);
}
constexpr int GreenOf(COLORREF color) {
    return static_cast<int>((color >> 8) & 0xFF);
}
constexpr int BlueOf(COLORREF color) {
    return static_cast<int>((color >> 16) & 0xFF);
}
