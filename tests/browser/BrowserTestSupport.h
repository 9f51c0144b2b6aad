#pragma once

#include "browser/ThumbnailImage.h"
#include "image/Dib.h"

#include <gtest/gtest.h>

#include <QString>

// Pictures for the browser tests, written as the application writes them.

// A width × height 24-bit picture filled with one colour.
inline CDib SolidPicture(int width, int height, RgbQuad color) {
    CDib dib;
    EXPECT_TRUE(dib.Create(width, height, 24));
    for (int row = 0; row < height; ++row) {
        std::uint8_t* p = dib.Row(row);
        for (int x = 0; x < width; ++x) {
            p[3 * x] = color.blue;
            p[3 * x + 1] = color.green;
            p[3 * x + 2] = color.red;
        }
    }
    return dib;
}

inline void WritePicture(const QString& path, int width, int height, ImageType type,
                         RgbQuad color = {40, 80, 160, 0}) {
    ASSERT_TRUE(SolidPicture(width, height, color).Save(path.toStdU16String(), type))
        << path.toStdString();
}

inline RgbQuad ThumbnailColor(const CThumbnail& thumbnail, int x, int y) {
    const std::uint8_t* p = thumbnail.Pixel(x, y);
    return {p[0], p[1], p[2], 0};
}
