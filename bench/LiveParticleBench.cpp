#include "bench/RatioReporter.h"
#include "camera/LiveParticleCount.h"
#include "framework/QImageDrawContext.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <opencv2/core.hpp>
#include <thread>
#include <vector>

#include <QGuiApplication>
#include <QImage>

// The live particle count of one 1280 × 720 frame with about 150 objects
// (analysed, then outlined and counted on the overlay) against the interval
// of a 30 fps camera, on one core: a ratio under 1 keeps up with the camera.

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

std::vector<std::uint8_t> Frame() {
    const int stride = BgrStride(kWidth);
    std::vector<std::uint8_t> bgr(static_cast<std::size_t>(stride) * kHeight, 210);
    for (int cy = 40; cy < kHeight; cy += 70) {
        for (int cx = 40; cx < kWidth; cx += 90) {
            const int r = 10 + (cx + cy) % 17;
            for (int y = cy - r; y <= cy + r && y < kHeight; ++y) {
                for (int x = cx - r; x <= cx + r && x < kWidth; ++x) {
                    if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) {
                        std::uint8_t* pixel = &bgr[static_cast<std::size_t>(y) * stride + 3 * x];
                        pixel[0] = pixel[1] = pixel[2] = 40;
                    }
                }
            }
        }
    }
    return bgr;
}

void CountOurs(benchmark::State& state) {
    const std::vector<std::uint8_t> bgr = Frame();
    CaptureFrame frame;
    frame.bgr = bgr.data();
    frame.bytes = bgr.size();
    frame.width = kWidth;
    frame.height = kHeight;
    frame.stride = BgrStride(kWidth);
    const CLiveParticleSettings settings;
    CLiveParticleCount count;
    QImage surface(kWidth, kHeight, QImage::Format_RGB32);
    const CLiveDrawingStyle style;
    for (auto _ : state) {
        count.Update(frame, &settings);
        CQImageDrawContext dc(surface);
        count.Draw(dc, CLiveViewParams{}, style);
    }
    state.counters["particles"] =
        static_cast<double>(count.Latest() ? count.Latest()->particles.size() : 0);
}

// The time a 30 fps camera leaves for each frame, waited out.
void CameraInterval(benchmark::State& state) {
    constexpr std::chrono::microseconds kInterval{33333};
    for (auto _ : state) {
        std::this_thread::sleep_until(std::chrono::steady_clock::now() + kInterval);
    }
}

} // namespace

BENCHMARK(CountOurs)->Name("LiveParticles/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(CameraInterval)->Name("LiveParticles/reference")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // One core, as a camera's streaming thread has.
    cv::setNumThreads(1);
    return RunBenchmarksWithRatios(argc, argv);
}
