#include "bench/RatioReporter.h"
#include "capture/FrameConverter.h"
#include "capture/VirtualMicroscope.h"
#include "capture/VirtualMicroscopeDevice.h"
#include "capture/VirtualPicture.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <thread>
#include <turbojpeg.h>

namespace {

const CaptureFormat kFullHd{Fourcc::kMJPG, 1920, 1080, {1, 30}};

// The virtual microscope makes a 1920 × 1080 MJPEG frame and the layer
// delivers it as a BGR frame: all of it must fit in one frame interval.
void FrameVsInterval_Ours(benchmark::State& state) {
    CVirtualWire wire;
    CFrameConverter converter;
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint8_t> bgr;
    std::string error;
    std::uint64_t index = 0;
    for (auto _ : state) {
        wire.Make(kFullHd, index++, {}, bytes);
        converter.ToBgr(kFullHd.fourcc, bytes, kFullHd.width, kFullHd.height, bgr, error);
        benchmark::DoNotOptimize(bgr.data());
    }
}

// The tilted specimen while a sweep moves the focus every frame, the
// slowest case of the depth scene: it too must fit in one frame interval.
void DepthFrameVsInterval_Ours(benchmark::State& state) {
    CVirtualWire wire;
    CFrameConverter converter;
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint8_t> bgr;
    std::string error;
    VirtualPictureSettings settings;
    settings.scene = VirtualScene::kTiltedSpecimen;
    std::uint64_t index = 0;
    for (auto _ : state) {
        settings.focus = 100 + static_cast<int>(index % 80) * 10;
        wire.Make(kFullHd, index++, settings, bytes);
        converter.ToBgr(kFullHd.fourcc, bytes, kFullHd.width, kFullHd.height, bgr, error);
        benchmark::DoNotOptimize(bgr.data());
    }
}

// One frame interval at 30 frames a second, waited out.
void FrameVsInterval_Reference(benchmark::State& state) {
    for (auto _ : state) {
        std::this_thread::sleep_until(std::chrono::steady_clock::now() +
                                      std::chrono::microseconds(1000000 / 30));
    }
}

// The slide scene's 1920 × 1080 picture, its stage drifting: a field
// resampled from the specimen with the corners darkened, every frame. (Its
// JPEG coding, far more work than the test card's, is measured above for
// the test card only.)
void SlideVsInterval_Ours(benchmark::State& state) {
    CVirtualPicture picture;
    std::vector<std::uint8_t> bgr;
    VirtualPictureSettings slide;
    slide.scene = VirtualScene::kSlide;
    slide.driftX = 0.7;
    slide.driftY = 0.3;
    picture.Render(kFullHd.width, kFullHd.height, 0, slide, bgr); // the specimen, made once
    std::uint64_t index = 0;
    for (auto _ : state) {
        picture.Render(kFullHd.width, kFullHd.height, index++, slide, bgr);
        benchmark::DoNotOptimize(bgr.data());
    }
}

// Delivering a camera's MJPEG frame as BGR against TurboJPEG decoding the
// same frame into the same layout with the same options.
void MjpegDelivery_Ours(benchmark::State& state) {
    const std::vector<std::uint8_t> jpeg = VirtualMicroscopeWireFrame(kFullHd, 1);
    CFrameConverter converter;
    std::vector<std::uint8_t> bgr;
    std::string error;
    for (auto _ : state) {
        converter.ToBgr(kFullHd.fourcc, jpeg, kFullHd.width, kFullHd.height, bgr, error);
        benchmark::DoNotOptimize(bgr.data());
    }
}

void MjpegDelivery_Reference(benchmark::State& state) {
    std::vector<std::uint8_t> jpeg = VirtualMicroscopeWireFrame(kFullHd, 1);
    tjhandle handle = tjInitDecompress();
    std::vector<std::uint8_t> bgr(static_cast<std::size_t>(BgrStride(kFullHd.width)) *
                                  kFullHd.height);
    for (auto _ : state) {
        tjDecompress2(handle, jpeg.data(), static_cast<unsigned long>(jpeg.size()), bgr.data(),
                      kFullHd.width, BgrStride(kFullHd.width), kFullHd.height, TJPF_BGR,
                      TJFLAG_BOTTOMUP | TJFLAG_LIMITSCANS);
        benchmark::DoNotOptimize(bgr.data());
    }
    tjDestroy(handle);
}

BENCHMARK(FrameVsInterval_Ours)->Name("frame_1080p/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(FrameVsInterval_Reference)->Name("frame_1080p/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(SlideVsInterval_Ours)->Name("slide_render_1080p/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(FrameVsInterval_Reference)
    ->Name("slide_render_1080p/reference")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(DepthFrameVsInterval_Ours)->Name("depth_frame_1080p/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(FrameVsInterval_Reference)
    ->Name("depth_frame_1080p/reference")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(MjpegDelivery_Ours)->Name("mjpeg_delivery/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(MjpegDelivery_Reference)->Name("mjpeg_delivery/reference")->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarksWithRatios(argc, argv);
}
