#include "bench/RatioReporter.h"
#include "camera/FramePipeline.h"
#include "camera/ui/CDeviceDoc.h"
#include "camera/ui/CDeviceView.h"
#include "capture/CaptureSession.h"
#include "core/CommandIds.h"
#include "core/MagnifierBuffer.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <memory>
#include <vector>

#include <QApplication>
#include <QMouseEvent>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr std::size_t kFrameBytes = static_cast<std::size_t>(kWidth) * 3 * kHeight;

// A live window over a 1920 × 1080 picture at zoom 1 with the distance tool
// placing its second point: every mouse move moves the line's end, publishes
// the shape being drawn to the streaming thread and feeds the magnifier from
// the frame copy.
struct DrawingWindow {
    CDeviceDoc document;
    std::unique_ptr<CDeviceView> view;

    DrawingWindow() {
        g_captureShared.frameWidth = kWidth;
        g_captureShared.frameHeight = kHeight;
        CStillFrame frame;
        frame.width = kWidth;
        frame.height = kHeight;
        frame.stride = kWidth * 3;
        frame.bgr.assign(kFrameBytes, 0x80);
        {
            const std::lock_guard lock(g_framePipeline.copyMutex);
            g_framePipeline.copy = std::move(frame);
        }
        document.OnNewDocument();
        view = std::make_unique<CDeviceView>(document);
        view->resize(1400, 900);
        view->show();
        view->OnInitialUpdate();
        QApplication::processEvents();
        document.OnCommand(ID_MEASURE_LINE);
        Send(QEvent::MouseButtonPress, {120, 110}, Qt::LeftButton);
        Send(QEvent::MouseButtonRelease, {120, 110}, Qt::LeftButton);
        QApplication::processEvents();
    }

    void Send(QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::NoButton) {
        QMouseEvent event(type, at, view->viewport()->mapToGlobal(at), button, button,
                          Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &event);
    }
};

// Made and destroyed by main, while the application object exists.
std::unique_ptr<DrawingWindow>& Window() {
    static std::unique_ptr<DrawingWindow> window;
    return window;
}

// One mouse move and whatever it leaves for the event loop.
void MoveOurs(benchmark::State& state) {
    DrawingWindow& window = *Window();
    int step = 0;
    for (auto _ : state) {
        window.Send(QEvent::MouseMove, {900 + step % 2 * 7, 500 + step % 2 * 5});
        QApplication::processEvents();
        ++step;
    }
}

// One copy of a whole frame.
void MoveReference(benchmark::State& state) {
    std::vector<std::uint8_t> source(kFrameBytes, 0x80);
    std::vector<std::uint8_t> target(kFrameBytes);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), kFrameBytes);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
}

} // namespace

BENCHMARK(MoveOurs)->Name("LiveMouseMove/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(MoveReference)->Name("LiveMouseMove/reference")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    AllocateMagnifierBuffer();
    Window() = std::make_unique<DrawingWindow>();
    const int result = RunBenchmarksWithRatios(argc, argv);
    Window().reset();
    return result;
}
