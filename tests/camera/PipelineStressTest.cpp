#include "calibration/Calibration.h"
#include "camera/FramePipeline.h"
#include "camera/LiveOverlay.h"
#include "camera/LivePresenter.h"
#include "core/Parameters.h"
#include "tests/camera/FrameTestSupport.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

// What the GUI does to the calibration and the drawing style while the
// camera streams: the manager applies and deletes calibrations, the results
// pane switches the unit (a fresh string each time, so a painter still
// reading the old one would read freed memory), the settings change colours,
// sizes, decimals and the scale bar. Then it publishes, as the live view does
// whenever it takes a surface.
void ChangeCalibrationAndStyle(int edit) {
    if (edit % 4 == 0) {
        const QString name = QString::asprintf("stress %d", edit);
        g_calibrationStore.records.push_back(CCalibrationData{
            name, QStringLiteral("um"), QString::asprintf("%d.5", 40 + edit % 50), "1"});
        ApplyCalibration(name);
    } else if (edit % 4 == 2 && !g_calibrationStore.records.empty()) {
        RemoveCalibration(g_calibrationStore.records.front().name);
    }
    static const char* const kUnits[] = {"nm", "um", "mm", "cm", "mil"};
    g_calibration.unit = QString::fromLatin1(kUnits[edit % 5]);
    UnitFactor();
    g_calibration.scale = 30.0 + edit % 17;
    g_parameters.linecolor = 0x0000FF + edit % 200;
    g_parameters.textcolor = 0x00FF00 + edit % 200;
    g_parameters.linewidth = 1 + edit % 3;
    g_parameters.textsize = 10 + edit % 12;
    g_parameters.measuredecimal = edit % 7;
    g_parameters.scalebar = edit % 2;
    PublishLiveDrawingStyle();
}

// The GUI thread edits everything it shares with the streaming thread while
// frames stream through the whole pipeline; ThreadSanitizer (the thread
// sanitizer build) reports any access that is not handed over properly, and
// every still picture must be one complete frame.
TEST(PipelineStressTest, GuiEditsWhileFramesStream) {
    auto presenter = std::make_shared<CLivePresenter>([] {});
    SetPresenterSink(presenter);
    std::atomic<int> stillsSignalled{0};
    g_framePipeline.stillReady = [&](int) {
        stillsSignalled.fetch_add(1);
    };

    // Both sides go on until each has done its share, however the two
    // threads are scheduled.
    constexpr int kFrames = 300;
    constexpr int kEdits = 100;
    std::atomic<bool> done{false};
    std::atomic<int> edits{0};
    int streamed = 0;
    std::thread streaming([&] {
        const CTestFrame a(64, 48);
        CTestFrame b(64, 48);
        std::fill(b.bytes.begin(), b.bytes.end(), std::uint8_t{0x5A});
        for (int i = 0; i < kFrames || edits.load() < kEdits; ++i) {
            BufferCB((i % 2 ? b : a).View(static_cast<std::uint64_t>(i), i * 33000));
            ++streamed;
        }
        done = true;
    });

    QImage shown;
    while (!done.load()) {
        const int edit = ++edits;
        auto shape = std::make_unique<CVideoShap>();
        shape->kind = edit % 3 == 0 ? LiveKind::kSquareMark : LiveKind::kLine;
        shape->measured = {static_cast<double>(edit), 0, 0};
        shape->points = {{5, 5}, {40, 30}, {20, 20}};
        g_liveShapes.shapes.push_back(std::move(shape));
        if (g_liveShapes.shapes.size() > 20) {
            g_liveShapes.shapes.erase(g_liveShapes.shapes.begin());
        }
        PublishLiveShapes();

        CLiveViewParams view = LiveViewParams();
        view.zoom = 0.5 + (edit % 4) * 0.25;
        view.crosshair = edit % 2 == 0;
        view.recordingNotice = edit % 5 == 0 ? QString("Recording...") : QString();
        // An adjustment, the automatic circle, the automatic line or nothing.
        constexpr int kCodes[] = {105, 108, 110, 0, 0, 0, 0};
        view.adjustCode = kCodes[edit % 7];
        view.adjustRect = QRect(2, 2, 10, 10);
        SetLiveViewParams(view);

        CInProgressShape drawing;
        drawing.kind = LiveKind::kRectangle;
        drawing.points = {QPoint(1, 1), QPoint(edit % 30 + 2, 9), QPoint(3, 20), QPoint(30, 22)};
        SetInProgressShape(drawing);

        g_framePipeline.flags.mirror = edit % 2;
        g_framePipeline.flags.rotate = (edit / 2) % 2;
        if (edit % 3 == 0) {
            g_framePipeline.flags.stillRequest = 1;
        }
        if (const auto copy = TakeFrameCopy()) {
            // One complete frame: all of frame a's pattern or all 0x5A.
            const bool uniform = std::all_of(copy->bgr.begin(), copy->bgr.end(),
                                             [](std::uint8_t v) { return v == 0x5A; });
            const bool patterned = std::count(copy->bgr.begin(), copy->bgr.end(), 0x5A) <
                                   static_cast<long>(copy->bgr.size() / 2);
            ASSERT_TRUE(uniform || patterned);
            ASSERT_EQ(copy->bgr.size(), static_cast<std::size_t>(copy->stride * copy->height));
        }
        ChangeCalibrationAndStyle(edit);
        presenter->TakeLatest(shown);
        std::this_thread::yield();
    }
    streaming.join();

    EXPECT_GE(edits.load(), kEdits);
    EXPECT_EQ(presenter->FramesPresented(), static_cast<std::uint64_t>(streamed));
    SetPresenterSink(nullptr);
    g_framePipeline.stillReady = nullptr;
    g_liveShapes.shapes.clear();
    PublishLiveShapes();
    SetLiveViewParams(CLiveViewParams{});
    SetInProgressShape(CInProgressShape{});
    g_calibrationStore.records.clear();
    g_calibration = CCurrentCalibration{};
    g_parameters = CParameters{};
    PublishLiveDrawingStyle();
}

} // namespace
