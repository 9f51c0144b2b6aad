#include "bench/RatioReporter.h"
#include "camera/LiveOverlay.h"
#include "camera/LivePresenter.h"
#include "core/Parameters.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <vector>

#include <QGuiApplication>

// What the scale bar adds to painting one live frame at 1920 × 1080: the
// same frame painted with the bar against without it.

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

const std::vector<std::uint8_t>& Pixels() {
    static const std::vector<std::uint8_t> pixels = [] {
        std::vector<std::uint8_t> bgr(static_cast<std::size_t>(BgrStride(kWidth)) * kHeight);
        for (std::size_t i = 0; i < bgr.size(); ++i) {
            bgr[i] = static_cast<std::uint8_t>((i * 7) >> 4);
        }
        return bgr;
    }();
    return pixels;
}

void PaintFrame(benchmark::State& state, bool scaleBar) {
    g_parameters.scalebar = scaleBar ? 1 : 0;
    PublishLiveDrawingStyle();
    SetLiveViewParams(CLiveViewParams{});
    CLivePresenter presenter(nullptr);
    CaptureFrame frame;
    frame.bgr = Pixels().data();
    frame.bytes = Pixels().size();
    frame.width = kWidth;
    frame.height = kHeight;
    frame.stride = BgrStride(kWidth);
    QImage shown;
    for (auto _ : state) {
        presenter.PresentFrame(frame);
        presenter.TakeLatest(shown);
    }
    g_parameters.scalebar = 0;
    PublishLiveDrawingStyle();
}

void WithScaleBar(benchmark::State& state) {
    PaintFrame(state, true);
}

void WithoutScaleBar(benchmark::State& state) {
    PaintFrame(state, false);
}

} // namespace

BENCHMARK(WithScaleBar)->Name("LiveScaleBar/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(WithoutScaleBar)->Name("LiveScaleBar/reference")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    // The bar's text needs fonts, hence a GUI application; nothing is shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    return RunBenchmarksWithRatios(argc, argv);
}
