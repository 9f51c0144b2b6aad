#include "bench/ImageBench.h"
#include "tools/EdgeTools.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <random>

namespace {

// The edge tools read only the pixels they search. The reference is what a
// search that starts by turning the whole picture grey would pay before it
// even begins: OpenCV's grey conversion of the whole picture.

cv::Mat MatOf(const CDib& picture) {
    return cv::Mat(picture.Height(), picture.Width(), CV_8UC3,
                   const_cast<std::uint8_t*>(picture.Bits()), picture.Stride());
}

void WholePictureGrey(benchmark::State& state, const CDib& picture) {
    const cv::Mat source = MatOf(picture);
    cv::Mat grey;
    for (auto _ : state) {
        cv::cvtColor(source, grey, cv::COLOR_BGR2GRAY);
        benchmark::DoNotOptimize(grey.data);
    }
}

// A live frame: a dark fibre slightly off the vertical, about 120 pixels
// wide, on a shaded background with sensor noise.
const CDib& FibreFrame() {
    static const CDib frame = [] {
        CDib dib;
        dib.Create(1920, 1080, 24);
        std::mt19937 random(11);
        for (int y = 0; y < 1080; ++y) {
            std::uint8_t* pixels = dib.Row(dib.StoredRow(y));
            for (int x = 0; x < 1920; ++x) {
                const bool fibre = std::abs(x - (900 + 0.05 * y)) < 60;
                const double shade = 170 + 30 * std::sin(x / 210.0 + y / 170.0);
                const int base = static_cast<int>(fibre ? shade * 0.35 : shade);
                for (int c = 0; c < 3; ++c) {
                    const int noisy = base + static_cast<int>(random() % 17) - 8;
                    pixels[3 * x + c] = static_cast<std::uint8_t>(std::clamp(noisy, 0, 255));
                }
            }
        }
        return dib;
    }();
    return frame;
}

// A click 5 pixels inside the rim of one of the bench picture's round
// features (centre (1350, 1033), radius 60; the picture's rows are generated
// bottom-up).
void SnapOurs(benchmark::State& state) {
    const CDib& picture = BenchPicture();
    for (auto _ : state) {
        benchmark::DoNotOptimize(SnapToEdge(picture, {1405, 1035}));
    }
}

void SnapReference(benchmark::State& state) {
    WholePictureGrey(state, BenchPicture());
}

// 200 x 100 pixels across the right side of the feature at (150, 253).
void EdgeLineOurs(benchmark::State& state) {
    const CDib& picture = BenchPicture();
    const QRect rect(160, 203, 200, 100);
    for (auto _ : state) {
        benchmark::DoNotOptimize(DetectEdgeLine(picture, rect, EdgeOrientation::Any));
    }
}

void EdgeLineReference(benchmark::State& state) {
    WholePictureGrey(state, BenchPicture());
}

// Guide lines 400 pixels long along both sides of the fibre.
void TwoLineOurs(benchmark::State& state) {
    const CDib& frame = FibreFrame();
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            TwoLinePerpendicular(frame, {846, 300}, {864, 700}, {966, 300}, {984, 700}, 1.0));
    }
}

void TwoLineReference(benchmark::State& state) {
    WholePictureGrey(state, FibreFrame());
}

} // namespace

BENCHMARK(SnapOurs)->Name("SnapToEdge/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(SnapReference)->Name("SnapToEdge/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(EdgeLineOurs)->Name("DetectEdgeLine/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(EdgeLineReference)->Name("DetectEdgeLine/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(TwoLineOurs)->Name("TwoLine/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(TwoLineReference)->Name("TwoLine/reference")->Unit(benchmark::kMillisecond);
