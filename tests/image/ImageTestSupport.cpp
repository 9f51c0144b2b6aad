#include "tests/image/ImageTestSupport.h"

#include <fstream>
#include <iterator>
#include <random>

CDib MakePicture(int width, int height, const std::function<Rgb(int x, int y)>& color) {
    CDib dib;
    dib.Create(width, height, 24);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = dib.Row(dib.StoredRow(y));
        for (int x = 0; x < width; ++x) {
            const Rgb c = color(x, y);
            row[3 * x] = static_cast<std::uint8_t>(c.blue);
            row[3 * x + 1] = static_cast<std::uint8_t>(c.green);
            row[3 * x + 2] = static_cast<std::uint8_t>(c.red);
        }
    }
    return dib;
}

CDib NoisePicture(int width, int height, unsigned seed) {
    std::mt19937 random(seed);
    return MakePicture(width, height, [&](int, int) {
        return Rgb{static_cast<int>(random() & 255), static_cast<int>(random() & 255),
                   static_cast<int>(random() & 255)};
    });
}

CDib FlatPicture(int width, int height, Rgb color) {
    return MakePicture(width, height, [color](int, int) { return color; });
}

Rgb PixelAt(const CDib& dib, int x, int y) {
    const RgbQuad c = dib.PixelColor(x, y);
    return Rgb{c.red, c.green, c.blue};
}

bool SameColors(const CDib& a, const CDib& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) {
        return false;
    }
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            if (!(PixelAt(a, x, y) == PixelAt(b, x, y))) {
                return false;
            }
        }
    }
    return true;
}

std::string TestDataPath(const std::string& relativePath) {
    return std::string(MARNELO_TEST_DATA_DIR) + "/" + relativePath;
}

std::vector<std::uint8_t> TestData(const std::string& relativePath) {
    std::ifstream file(TestDataPath(relativePath), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}
