#include "camera/LiveMosaicRun.h"

#include "framework/QImageDrawContext.h"
#include "tests/camera/FrameTestSupport.h"

#include <chrono>
#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>
#include <thread>

#include <QImage>

// The live window's mosaic: frames handed over bottom-up come out as an
// upright mosaic, and the window's drawing fits it and outlines the field in
// the colour of the last registration.

namespace {

// A textured frame with rows stored bottom-up, as cameras deliver them.
CTestFrame Textured(int width, int height) {
    CTestFrame frame(width, height);
    cv::Mat upright(height, width, CV_8UC3);
    cv::RNG rng(7);
    rng.fill(upright, cv::RNG::UNIFORM, 0, 256);
    cv::GaussianBlur(upright, upright, cv::Size(0, 0), 2.0);
    for (int y = 0; y < height; ++y) {
        std::memcpy(&frame.bytes[static_cast<std::size_t>(height - 1 - y) * frame.stride],
                    upright.ptr(y), static_cast<std::size_t>(width) * 3);
    }
    return frame;
}

TEST(LiveMosaicRun, TurnsBottomUpFramesIntoAnUprightMosaic) {
    const CTestFrame frame = Textured(160, 120);
    CLiveMosaicRun run;
    run.Offer(frame.View());
    for (int waited = 0; !run.Shown() && waited < 5000; waited += 5) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_NE(run.Shown(), nullptr);
    EXPECT_EQ(run.Shown()->framesAdded, 1);
    const CDib mosaic = run.Finish();
    ASSERT_TRUE(mosaic.IsValid());
    ASSERT_EQ(mosaic.Width(), 160);
    ASSERT_EQ(mosaic.Height(), 120);
    // Stored rows alike: the mosaic keeps the frame's orientation.
    for (const int row : {0, 60, 119}) {
        EXPECT_EQ(frame.Pixel(frame.bytes.data(), 80, row), frame.Pixel(mosaic.Row(row), 80, 0))
            << row;
    }
    run.Offer(frame.View()); // after Finish: ignored
    EXPECT_EQ(run.Shown()->framesSeen, 1);
}

TEST(LiveMosaicRun, FitsTheMosaicAndOutlinesTheFieldByItsOutcome) {
    // A white mosaic of 400 × 200 pixels, shown at a quarter; the field is
    // the mosaic's top-left 160 × 120 pixels.
    CLiveMosaicShown shown;
    shown.width = 100;
    shown.height = 50;
    shown.overview.assign(static_cast<std::size_t>(shown.width) * shown.height * 3, 255);
    shown.field = cv::Rect2d(0, 0, 160, 120);
    const struct {
        LiveMosaicFailure failure;
        QRgb outline;
    } cases[] = {{LiveMosaicFailure::None, qRgb(0, 220, 0)},
                 {LiveMosaicFailure::MovedTooFast, qRgb(255, 0, 0)},
                 {LiveMosaicFailure::NothingToLockOn, qRgb(255, 0, 0)}};
    for (const auto& c : cases) {
        shown.failure = c.failure;
        QImage surface(200, 200, QImage::Format_RGB32);
        surface.fill(Qt::black);
        {
            CQImageDrawContext dc(surface);
            DrawLiveMosaic(dc, &shown, surface.width(), surface.height());
        }
        // Fitted to 200 × 100 and centred: the field spans (0, 50) up to (80, 110).
        EXPECT_EQ(surface.pixel(100, 20), qRgb(0x50, 0x50, 0x50));
        EXPECT_EQ(surface.pixel(150, 100), qRgb(255, 255, 255));
        EXPECT_EQ(surface.pixel(40, 109), c.outline) << static_cast<int>(c.failure);
        EXPECT_EQ(surface.pixel(79, 80), c.outline) << static_cast<int>(c.failure);
    }
}

} // namespace
