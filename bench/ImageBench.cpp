#include "bench/ImageBench.h"

#include <algorithm>
#include <cmath>
#include <random>

const CDib& BenchPicture() {
    static const CDib picture = [] {
        CDib dib;
        dib.Create(kBenchWidth, kBenchHeight, 24);
        std::mt19937 random(7);
        for (int row = 0; row < kBenchHeight; ++row) {
            std::uint8_t* pixels = dib.Row(row);
            for (int x = 0; x < kBenchWidth; ++x) {
                const double shade = 150 + 40 * std::sin(x / 170.0) * std::cos(row / 130.0);
                const bool feature = std::hypot(x % 300 - 150, row % 260 - 130) < 60;
                const int base = static_cast<int>(feature ? shade * 0.3 : shade);
                for (int c = 0; c < 3; ++c) {
                    const int noisy = base + c * 12 + static_cast<int>(random() % 21) - 10;
                    pixels[3 * x + c] = static_cast<std::uint8_t>(std::clamp(noisy, 0, 255));
                }
            }
        }
        return dib;
    }();
    return picture;
}
