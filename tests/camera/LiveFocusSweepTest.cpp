#include "camera/LiveFocusSweep.h"

#include "framework/QImageDrawContext.h"
#include "tests/camera/FrameTestSupport.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <QImage>

// The live focus sweep of the painting thread: it fuses frames only while a
// sweep runs, shows the fused picture instead of the frame, counts the frames
// it cannot fuse, starts afresh for a new sweep and hands its result over once.

namespace {

// A frame of smooth noise (fixed seed), something the sweep can align.
CTestFrame Textured(int width, int height) {
    CTestFrame frame(width, height);
    cv::Mat noise(height, width, CV_32F);
    cv::RNG rng(5);
    rng.fill(noise, cv::RNG::NORMAL, 0.0, 1.0);
    cv::GaussianBlur(noise, noise, {}, 1.5);
    cv::Mat grey;
    cv::normalize(noise, grey, 30, 225, cv::NORM_MINMAX, CV_8U);
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel =
                &frame.bytes[static_cast<std::size_t>(row) * frame.stride + 3 * x];
            pixel[0] = pixel[1] = pixel[2] = grey.at<std::uint8_t>(row, x);
        }
    }
    return frame;
}

bool Draws(const CLiveFocusSweep& sweep, const CTestFrame& frame) {
    QImage surface(frame.width, frame.height, QImage::Format_RGB32);
    CQImageDrawContext dc(surface);
    return sweep.Draw(dc, 0, 0, frame.width, frame.height, CLiveDrawingStyle{});
}

} // namespace

TEST(LiveFocusSweep, FusesWhileASweepRunsAndHandsItsResultOverOnce) {
    const CTestFrame frame = Textured(160, 80);
    CLiveFocusSweep sweep;
    CLiveFocusSweepSettings first;
    first.sweep = 1;
    CLiveFocusSweepSettings second;
    second.sweep = 2;

    struct Step {
        const CLiveFocusSweepSettings* settings;
        int frames; // fused by the running sweep afterwards
        bool drawn;
    };
    const Step steps[] = {
        {nullptr, 0, false}, {&first, 1, true}, {&first, 2, true}, {&first, 3, true}};
    for (const Step& step : steps) {
        sweep.Update(frame.View(), step.settings, 500);
        EXPECT_EQ(sweep.Status().frames, step.frames);
        EXPECT_EQ(Draws(sweep, frame), step.drawn);
    }

    const std::unique_ptr<CLiveFocusStack> result = sweep.Finish();
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Frames(), 3);
    EXPECT_TRUE(result->Picture().IsValid());
    EXPECT_EQ(sweep.Finish(), nullptr) << "handed over once";
    // Frames still painted before the GUI withdrew the settings are not kept.
    sweep.Update(frame.View(), &first, 500);
    EXPECT_FALSE(Draws(sweep, frame));

    sweep.Update(frame.View(), &second, std::nullopt);
    EXPECT_EQ(sweep.Status().frames, 1) << "a new sweep starts afresh";
    EXPECT_TRUE(Draws(sweep, frame));
    // A frame it cannot fuse is counted with its reason, for the status bar.
    const CTestFrame other(80, 40);
    sweep.Update(other.View(), &second, std::nullopt);
    EXPECT_EQ(sweep.Status().frames, 1);
    EXPECT_EQ(sweep.Status().failures, 1);
    EXPECT_FALSE(sweep.Status().reason.empty());
    sweep.Update(frame.View(), nullptr, std::nullopt);
    EXPECT_FALSE(Draws(sweep, frame));
}
