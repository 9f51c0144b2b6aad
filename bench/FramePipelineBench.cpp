#include "bench/RatioReporter.h"
#include "camera/FramePipeline.h"
#include "camera/FrameTransform.h"
#include "camera/LiveOverlay.h"
#include "camera/LivePresenter.h"
#include "recorder/VideoRecorder.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <turbojpeg.h>
#include <vector>

#include <QGuiApplication>
#include <QTemporaryDir>

// The live path at 1920 × 1080 against a plain copy of one frame, and the
// recorder's JPEG work against TurboJPEG's own encode of the same frame.

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

struct CBenchFrame {
    std::vector<std::uint8_t> bgr;
    CBenchFrame()
        : bgr(static_cast<std::size_t>(BgrStride(kWidth)) * kHeight) {
        // Smooth shading with a little noise, as a microscope shows.
        std::uint32_t seed = 1;
        for (int row = 0; row < kHeight; ++row) {
            std::uint8_t* p = bgr.data() + static_cast<std::size_t>(row) * BgrStride(kWidth);
            for (int x = 0; x < kWidth; ++x) {
                seed = seed * 1664525u + 1013904223u;
                const int noise = static_cast<int>(seed >> 29);
                p[3 * x] = static_cast<std::uint8_t>((x / 8 + noise) & 0xFF);
                p[3 * x + 1] = static_cast<std::uint8_t>((row / 5 + noise) & 0xFF);
                p[3 * x + 2] = static_cast<std::uint8_t>(((x + row) / 12) & 0xFF);
            }
        }
    }
    CaptureFrame View(std::uint64_t n) const {
        CaptureFrame frame;
        frame.bgr = bgr.data();
        frame.bytes = bgr.size();
        frame.width = kWidth;
        frame.height = kHeight;
        frame.stride = BgrStride(kWidth);
        frame.sequence = n;
        frame.timestampUs = static_cast<std::int64_t>(n) * 33333;
        return frame;
    }
};

const CBenchFrame& Frame() {
    static const CBenchFrame frame;
    return frame;
}

void CopyReference(benchmark::State& state) {
    std::vector<std::uint8_t> target(Frame().bgr.size());
    for (auto _ : state) {
        std::memcpy(target.data(), Frame().bgr.data(), target.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
}

void MirrorRotate(benchmark::State& state) {
    std::vector<std::uint8_t> work = Frame().bgr;
    for (auto _ : state) {
        TurnFrame(work.data(), kWidth, kHeight, BgrStride(kWidth), true, true);
        benchmark::DoNotOptimize(work.data());
        benchmark::ClobberMemory();
    }
}

// Twenty measurements of several kinds spread over the picture.
void PublishTwentyShapes() {
    g_liveShapes.shapes.clear();
    const int kinds[] = {LiveKind::kLine, LiveKind::kRectangle, LiveKind::kCircle,
                         LiveKind::kSquareMark, LiveKind::kThreePointAngle};
    for (int i = 0; i < 20; ++i) {
        auto shape = std::make_unique<CVideoShap>();
        shape->kind = kinds[i % 5];
        const double x = 80.0 + (i % 5) * 350.0;
        const double y = 100.0 + (i / 5) * 230.0;
        shape->points = {{x, y}, {x + 150, y + 90}, {x + 60, y + 140}};
        shape->measured = {i + 1.0, 0, 0};
        g_liveShapes.shapes.push_back(std::move(shape));
    }
    PublishLiveShapes();
}

// The whole frame path with twenty shapes, the crosshair and the notice; the
// argument is the zoom in percent (the view scrolled to the middle when
// zoomed in).
void Pipeline(benchmark::State& state) {
    PublishTwentyShapes();
    CLiveViewParams view;
    view.zoom = static_cast<double>(state.range(0)) / 100.0;
    if (view.zoom > 1.0) {
        view.scrollX = static_cast<int>(kWidth * (view.zoom - 1.0) / 2);
        view.scrollY = static_cast<int>(kHeight * (view.zoom - 1.0) / 2);
    }
    view.crosshair = true;
    view.recordingNotice = QStringLiteral("Recording...");
    SetLiveViewParams(view);
    auto presenter = std::make_shared<CLivePresenter>(nullptr);
    SetPresenterSink(presenter);
    QImage shown;
    std::uint64_t n = 0;
    for (auto _ : state) {
        BufferCB(Frame().View(n++));
        presenter->TakeLatest(shown);
    }
    SetPresenterSink(nullptr);
    ResetFramePipeline();
}

void RecordingJpeg(benchmark::State& state) {
    tjhandle encoder = tjInitCompress();
    std::vector<std::uint8_t> out;
    std::string error;
    for (auto _ : state) {
        EncodeUprightJpeg(encoder, Frame().bgr.data(), kWidth, BgrStride(kWidth), kHeight, 90, out,
                          error);
        benchmark::DoNotOptimize(out.data());
    }
    tjDestroy(encoder);
}

// TurboJPEG's plain encode of the same pixels, top-down, into its own buffer.
void JpegReference(benchmark::State& state) {
    tjhandle encoder = tjInitCompress();
    for (auto _ : state) {
        unsigned char* jpeg = nullptr;
        unsigned long size = 0;
        tjCompress2(encoder, Frame().bgr.data(), kWidth, BgrStride(kWidth), kHeight, TJPF_BGR,
                    &jpeg, &size, TJSAMP_420, 90, 0);
        benchmark::DoNotOptimize(jpeg);
        tjFree(jpeg);
    }
    tjDestroy(encoder);
}

// The camera's JPEG handed to a recording: what the streaming thread pays.
void Passthrough(benchmark::State& state) {
    tjhandle encoder = tjInitCompress();
    std::vector<std::uint8_t> jpeg;
    std::string error;
    EncodeUprightJpeg(encoder, Frame().bgr.data(), kWidth, BgrStride(kWidth), kHeight, 90, jpeg,
                      error);
    tjDestroy(encoder);
    QTemporaryDir dir;
    CRecorderOptions options{dir.filePath("bench.avi").toStdString(),
                             kWidth,
                             kHeight,
                             30.0,
                             VideoCodec::Mjpeg,
                             90,
                             1 << 20};
    auto recorder = CVideoRecorder::Create(options, error);
    std::uint64_t n = 0;
    for (auto _ : state) {
        CaptureFrame frame = Frame().View(n++);
        frame.sourceFourcc = Fourcc::kMJPG;
        frame.compressed = jpeg;
        recorder->TakeFrame(frame);
    }
    recorder->Stop();
}

} // namespace

BENCHMARK(MirrorRotate)->Name("MirrorRotate/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(CopyReference)->Name("MirrorRotate/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(Pipeline)->Arg(100)->Name("Pipeline/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(CopyReference)->Name("Pipeline/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(Pipeline)->Arg(150)->Name("PipelineZoomed/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(CopyReference)->Name("PipelineZoomed/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(RecordingJpeg)->Name("RecordingJpeg/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(JpegReference)->Name("RecordingJpeg/reference")->Unit(benchmark::kMillisecond);
BENCHMARK(Passthrough)->Name("Passthrough/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(RecordingJpeg)->Name("Passthrough/reference")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    // Labels need fonts, hence a GUI application; nothing is shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    return RunBenchmarksWithRatios(argc, argv);
}
