#pragma once

#include "tests/image/ImageTestSupport.h"

#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>

#include <QPoint>

// Synthetic pictures for the edge tool tests.

inline void PrintTo(QPoint p, std::ostream* out) {
    *out << "(" << p.x() << ", " << p.y() << ")";
}

inline Rgb Grey(int v) {
    return {v, v, v};
}

// A 24-bit picture whose pixel at (x, y) (y down) has grey level grey(x, y).
inline CDib GreyPicture(int width, int height, const std::function<int(int x, int y)>& grey) {
    return MakePicture(width, height, [&](int x, int y) { return Grey(grey(x, y)); });
}

// The same picture with 8 bits per pixel and a grey palette.
inline CDib EightBitCopy(const CDib& picture) {
    std::array<RgbQuad, 256> palette;
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        palette[static_cast<std::size_t>(i)] = {v, v, v, 0};
    }
    CDib copy(picture);
    EXPECT_TRUE(copy.ConvertTo8Bits(palette));
    EXPECT_EQ(copy.BitsPerPixel(), 8);
    return copy;
}
