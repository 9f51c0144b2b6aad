#pragma once

#include "image/Dib.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Helpers shared by the image tests.

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const Rgb&) const = default;
};

// A 24-bit picture whose pixel at (x, y) (y down) is color(x, y).
CDib MakePicture(int width, int height, const std::function<Rgb(int x, int y)>& color);
// A picture of pseudo-random colours (fixed seed).
CDib NoisePicture(int width, int height, unsigned seed = 1);
// A 24-bit picture of one colour.
CDib FlatPicture(int width, int height, Rgb color);

Rgb PixelAt(const CDib& dib, int x, int y);

// Width, height and every pixel's colour equal (padding and depth ignored).
bool SameColors(const CDib& a, const CDib& b);

// A file under tests/data.
std::vector<std::uint8_t> TestData(const std::string& relativePath);
std::string TestDataPath(const std::string& relativePath);
