#include "bench/ImageBench.h"
#include "image/Adjustments.h"

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace {

// Ours: the adjustment on the whole picture, in place on a working copy that
// is refreshed outside the timing. Reference: the OpenCV call doing the same
// amount of work from one matrix into another.

template <typename Operation>
void Ours(benchmark::State& state, Operation operation) {
    CDib work(BenchPicture());
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(work.Bits(), BenchPicture().Bits(), work.ImageSize());
        state.ResumeTiming();
        operation(work);
        benchmark::DoNotOptimize(work.Bits());
    }
}

cv::Mat BenchMat() {
    const CDib& picture = BenchPicture();
    return cv::Mat(kBenchHeight, kBenchWidth, CV_8UC3, const_cast<std::uint8_t*>(picture.Bits()),
                   picture.Stride());
}

template <typename Operation>
void Reference(benchmark::State& state, Operation operation) {
    const cv::Mat source = BenchMat();
    cv::Mat target(source.size(), source.type());
    for (auto _ : state) {
        operation(source, target);
        benchmark::DoNotOptimize(target.data);
    }
}

// The table of brightness + sign × v, clamped.
cv::Mat Lut(int brightness, int sign) {
    cv::Mat table(1, 256, CV_8U);
    for (int v = 0; v < 256; ++v) {
        table.at<std::uint8_t>(v) = cv::saturate_cast<std::uint8_t>(brightness + sign * v);
    }
    return table;
}

void SmoothReference(benchmark::State& state) {
    const std::array<float, 3> w = SmoothWeights();
    const cv::Mat kernel = (cv::Mat_<float>(1, 3) << w[0], w[1], w[2]);
    Reference(state,
              [&](const cv::Mat& s, cv::Mat& t) { cv::sepFilter2D(s, t, -1, kernel, kernel); });
}

void SharpenReference(benchmark::State& state) {
    const cv::Mat kernel = (cv::Mat_<float>(3, 3) << -1, -1, -1, -1, 15, -1, -1, -1, -1) / 7.0f;
    Reference(state, [&](const cv::Mat& s, cv::Mat& t) { cv::filter2D(s, t, -1, kernel); });
}

void ReliefReference(benchmark::State& state) {
    const cv::Mat kernel = (cv::Mat_<float>(3, 3) << 1, 0, 0, 0, 0, 0, 0, 0, -1);
    Reference(state, [&](const cv::Mat& s, cv::Mat& t) {
        cv::filter2D(s, t, -1, kernel, cv::Point(-1, -1), 127.0);
    });
}

// Edge detection starts from the colour picture too, so the reference pays
// for its grey conversion as ours does.
void EdgesReference(benchmark::State& state) {
    const cv::Mat source = BenchMat();
    cv::Mat grey;
    cv::Mat binary;
    cv::Mat eroded;
    for (auto _ : state) {
        cv::cvtColor(source, grey, cv::COLOR_BGR2GRAY);
        cv::threshold(grey, binary, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
        cv::erode(binary, eroded, cv::Mat());
        benchmark::DoNotOptimize(eroded.data);
    }
}

} // namespace

BENCHMARK_CAPTURE(Ours, smooth, Smooth)->Name("Smooth/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(SmoothReference)->Name("Smooth/reference")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, sharpen, Sharpen)->Name("Sharpen/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(SharpenReference)->Name("Sharpen/reference")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, relief, Relief)->Name("Relief/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(ReliefReference)->Name("Relief/reference")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, invert, InvertColors)->Name("Invert/ours")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Reference, invert,
                  [](const cv::Mat& s, cv::Mat& t) { cv::LUT(s, Lut(255, -1), t); })
    ->Name("Invert/reference")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, brighter, [](CDib& d) { AdjustBrightness(d, 25); })
    ->Name("Brighter/ours")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Reference, brighter,
                  [](const cv::Mat& s, cv::Mat& t) { cv::LUT(s, Lut(25, 1), t); })
    ->Name("Brighter/reference")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, mirror, MirrorLeftRight)
    ->Name("Mirror/ours")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Reference, mirror, [](const cv::Mat& s, cv::Mat& t) { cv::flip(s, t, 1); })
    ->Name("Mirror/reference")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, flip, FlipUpsideDown)->Name("Flip/ours")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Reference, flip, [](const cv::Mat& s, cv::Mat& t) { cv::flip(s, t, 0); })
    ->Name("Flip/reference")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, edges, DetectEdges)
    ->Name("EdgeDetection/ours")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(EdgesReference)->Name("EdgeDetection/reference")->Unit(benchmark::kMillisecond);
