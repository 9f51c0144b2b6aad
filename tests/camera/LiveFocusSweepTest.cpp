#include "camera/LiveFocusSweep.h"

#include "framework/QImageDrawContext.h"
#include "tests/camera/FrameTestSupport.h"

#include <gtest/gtest.h>

#include <QImage>

// The live focus sweep of the painting thread: it fuses frames only while a
// sweep runs, shows the fused picture instead of the frame, starts afresh for
// a new sweep and hands its result over once.

namespace {

bool Draws(const CLiveFocusSweep& sweep, const CTestFrame& frame) {
    QImage surface(frame.width, frame.height, QImage::Format_RGB32);
    CQImageDrawContext dc(surface);
    return sweep.Draw(dc, 0, 0, frame.width, frame.height, CLiveDrawingStyle{});
}

} // namespace

TEST(LiveFocusSweep, FusesWhileASweepRunsAndHandsItsResultOverOnce) {
    const CTestFrame frame(160, 80);
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
    sweep.Update(frame.View(), nullptr, std::nullopt);
    EXPECT_FALSE(Draws(sweep, frame));
}
