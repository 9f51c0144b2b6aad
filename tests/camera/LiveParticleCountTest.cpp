#include "camera/LiveParticleCount.h"

#include "framework/QImageDrawContext.h"
#include "tests/camera/FrameTestSupport.h"

#include <gtest/gtest.h>

#include <QImage>

// The live particle count: off, it neither analyses nor draws; on, it counts
// the frame's objects, shares them and outlines them on the overlay.

namespace {

// A light frame with two dark squares.
CTestFrame TwoSquares() {
    CTestFrame frame(160, 80);
    for (int row = 0; row < frame.height; ++row) {
        for (int x = 0; x < frame.width; ++x) {
            const bool dark =
                row >= 20 && row < 50 && ((x >= 20 && x < 50) || (x >= 90 && x < 120));
            std::uint8_t* pixel =
                &frame.bytes[static_cast<std::size_t>(row) * frame.stride + 3 * x];
            pixel[0] = pixel[1] = pixel[2] = dark ? 30 : 220;
        }
    }
    return frame;
}

} // namespace

TEST(LiveParticleCount, CountsAndOutlinesOnlyWhileOn) {
    const CTestFrame frame = TwoSquares();
    CLiveParticleCount count;
    CLiveParticleSettings settings;
    settings.caption = QStringLiteral("n=%1");
    for (const bool on : {false, true, false}) {
        count.Update(frame.View(), on ? &settings : nullptr);
        QImage surface(frame.width, frame.height, QImage::Format_RGB32);
        surface.fill(Qt::black);
        {
            CQImageDrawContext dc(surface);
            count.Draw(dc, CLiveViewParams{}, CLiveDrawingStyle{});
        }
        const bool drawn = surface != [&] {
            QImage black(surface.size(), QImage::Format_RGB32);
            black.fill(Qt::black);
            return black;
        }();
        EXPECT_EQ(drawn, on);
        if (on) {
            ASSERT_NE(count.Latest(), nullptr);
            EXPECT_EQ(count.Latest()->particles.size(), 2u);
        } else {
            EXPECT_EQ(count.Latest(), nullptr);
        }
    }
}
