#include "analysis/mosaic/LiveMosaic.h"
#include "bench/RatioReporter.h"
#include "capture/VirtualPicture.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <thread>
#include <vector>

// Registering and blending one 640 × 480 frame of the virtual slide into the
// live mosaic against the interval of a 15 fps camera, on one core: a ratio
// well under 1 keeps up with the camera. The memory the mosaic holds per
// megapixel covered is the counter "MB_per_covered_MP", after a serpentine
// over most of the slide.

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

cv::Mat SlideFrame(CVirtualPicture& picture, int pan, int tilt) {
    VirtualPictureSettings settings;
    settings.scene = VirtualScene::kSlide;
    settings.pan = pan;
    settings.tilt = tilt;
    std::vector<std::uint8_t> bgr;
    picture.Render(kWidth, kHeight, 0, settings, bgr);
    return cv::Mat(kHeight, kWidth, CV_8UC3, bgr.data()).clone();
}

double MegabytesPerCoveredMegapixel() {
    CVirtualPicture picture;
    CLiveMosaic mosaic;
    constexpr int kStep = 24;
    for (int row = 0; row < 3; ++row) {
        const int tilt = -600 + row * 400;
        for (int i = 0; i <= 2000 / kStep; ++i) {
            const int pan = row % 2 == 0 ? -1000 + i * kStep : 1000 - i * kStep;
            mosaic.Add(SlideFrame(picture, pan, tilt));
        }
        for (int down = tilt + kStep; row < 2 && down < tilt + 400; down += kStep) {
            mosaic.Add(SlideFrame(picture, row % 2 == 0 ? 1000 : -1000, down));
        }
    }
    return static_cast<double>(mosaic.Bytes()) / static_cast<double>(mosaic.CoveredPixels());
}

void RegisterOurs(benchmark::State& state) {
    // Back and forth along a line, so the mosaic stays the same size.
    CVirtualPicture picture;
    std::vector<cv::Mat> frames;
    for (int i = 0; i < 40; ++i) {
        frames.push_back(SlideFrame(picture, i * 6, i * 2));
    }
    for (int i = 39; i > 0; --i) {
        frames.push_back(frames[static_cast<std::size_t>(i)]);
    }
    CLiveMosaic mosaic;
    std::size_t next = 0;
    int failures = 0;
    for (auto _ : state) {
        failures += mosaic.Add(frames[next]).added ? 0 : 1;
        next = (next + 1) % frames.size();
    }
    state.counters["failures"] = failures;
    state.counters["MB_per_covered_MP"] = MegabytesPerCoveredMegapixel();
}

// The time a 15 fps camera leaves for each frame, waited out.
void CameraInterval(benchmark::State& state) {
    constexpr std::chrono::microseconds kInterval{66667};
    for (auto _ : state) {
        std::this_thread::sleep_until(std::chrono::steady_clock::now() + kInterval);
    }
}

} // namespace

BENCHMARK(RegisterOurs)->Name("LiveMosaic/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(CameraInterval)->Name("LiveMosaic/reference")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    // One core, as the mosaic's worker has.
    cv::setNumThreads(1);
    return RunBenchmarksWithRatios(argc, argv);
}
