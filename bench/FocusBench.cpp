#include "analysis/focus/FocusImage.h"
#include "analysis/focus/LiveFocusStack.h"
#include "bench/RatioReporter.h"
#include "tests/support/FocusStackMaker.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <opencv2/core.hpp>
#include <thread>
#include <vector>

// The live sweep's fusion of one 1280 × 720 frame (aligned, measured and
// merged into the result) against the interval of a 15 fps camera, on one
// core: a ratio under 1 keeps up with the camera. And the time of the still
// stack of eight 1280 × 720 slices per slice (aligned, measured, merged).

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr int kSlices = 8;

const std::vector<CDib>& Slices() {
    static const std::vector<CDib> slices = [] {
        const cv::Mat sharp = TexturePicture(std::string(MARNELO_TEST_DATA_DIR) +
                                                 "/libjpeg-turbo-testimages/testorig.jpg",
                                             kWidth, kHeight, 3.0);
        const cv::Mat depth = SurfaceDepth(sharp.size(), 0.5, kSlices - 1.5);
        std::vector<CDib> made;
        for (int k = 0; k < kSlices; ++k) {
            made.push_back(BgrToDib(DefocusedSlice(sharp, depth, k)));
        }
        return made;
    }();
    return slices;
}

void LiveFuse(benchmark::State& state) {
    const std::vector<CDib>& slices = Slices();
    CLiveFocusStack live;
    live.Add(slices[0], std::nullopt);
    int k = 1;
    for (auto _ : state) {
        // Back and forth through the sweep, as a hand on the focus knob.
        const int index = kSlices - 1 - std::abs(kSlices - 1 - k % (2 * kSlices - 2));
        benchmark::DoNotOptimize(live.Add(slices[static_cast<std::size_t>(index)], std::nullopt));
        ++k;
    }
}

void FrameInterval(benchmark::State& state) {
    constexpr std::chrono::microseconds kInterval{66667};
    for (auto _ : state) {
        std::this_thread::sleep_until(std::chrono::steady_clock::now() + kInterval);
    }
}

void StackPerSlice(benchmark::State& state) {
    const std::vector<CDib>& slices = Slices();
    const auto source = [&slices](int index, CDib& picture, std::string&) {
        return picture.CopyFrom(slices[static_cast<std::size_t>(index)]);
    };
    for (auto _ : state) {
        benchmark::DoNotOptimize(FocusStack(kSlices, source, {}));
    }
    state.SetItemsProcessed(state.iterations() * kSlices);
    state.counters["seconds_per_slice"] = benchmark::Counter(
        kSlices, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(LiveFuse)->Name("LiveFocusFrame/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(FrameInterval)->Name("LiveFocusFrame/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(StackPerSlice)->Name("FocusStack8")->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    // One core, as a camera's streaming thread has.
    cv::setNumThreads(1);
    return RunBenchmarksWithRatios(argc, argv);
}
