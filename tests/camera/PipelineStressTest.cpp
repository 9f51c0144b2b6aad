#include "camera/FramePipeline.h"
#include "camera/LiveOverlay.h"
#include "camera/LivePresenter.h"
#include "tests/camera/FrameTestSupport.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

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

    constexpr int kFrames = 300;
    std::atomic<bool> done{false};
    std::thread streaming([&] {
        const CTestFrame a(64, 48);
        CTestFrame b(64, 48);
        std::fill(b.bytes.begin(), b.bytes.end(), std::uint8_t{0x5A});
        for (int i = 0; i < kFrames; ++i) {
            BufferCB((i % 2 ? b : a).View(static_cast<std::uint64_t>(i), i * 33000));
        }
        done = true;
    });

    int edits = 0;
    QImage shown;
    while (!done.load()) {
        ++edits;
        auto shape = std::make_unique<CVideoShap>();
        shape->kind = edits % 3 == 0 ? LiveKind::kSquareMark : LiveKind::kLine;
        shape->measured = {static_cast<double>(edits), 0, 0};
        shape->points = {{5, 5}, {40, 30}, {20, 20}};
        g_liveShapes.shapes.push_back(std::move(shape));
        if (g_liveShapes.shapes.size() > 20) {
            g_liveShapes.shapes.erase(g_liveShapes.shapes.begin());
        }
        PublishLiveShapes();

        CLiveViewParams view = LiveViewParams();
        view.zoom = 0.5 + (edits % 4) * 0.25;
        view.crosshair = edits % 2 == 0;
        view.recordingNotice = edits % 5 == 0 ? QString("Recording...") : QString();
        view.adjustCode = edits % 7 == 0 ? 105 : 0;
        view.adjustRect = QRect(2, 2, 10, 10);
        SetLiveViewParams(view);

        CInProgressShape drawing;
        drawing.kind = LiveKind::kRectangle;
        drawing.points = {QPoint(1, 1), QPoint(edits % 30 + 2, 9)};
        SetInProgressShape(drawing);

        g_framePipeline.flags.mirror = edits % 2;
        g_framePipeline.flags.rotate = (edits / 2) % 2;
        if (edits % 3 == 0) {
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
        presenter->TakeLatest(shown);
        std::this_thread::yield();
    }
    streaming.join();

    EXPECT_GT(edits, 0);
    EXPECT_EQ(presenter->FramesPresented(), static_cast<std::uint64_t>(kFrames));
    SetPresenterSink(nullptr);
    g_framePipeline.stillReady = nullptr;
    g_liveShapes.shapes.clear();
    PublishLiveShapes();
    SetLiveViewParams(CLiveViewParams{});
    SetInProgressShape(CInProgressShape{});
}

} // namespace
