#include "camera/LivePresenter.h"

#include "camera/LiveOverlay.h"
#include "tests/camera/FrameTestSupport.h"

#include <gtest/gtest.h>

namespace {

class LivePresenterTest : public ::testing::Test {
protected:
    void TearDown() override {
        SetLiveViewParams(CLiveViewParams{});
        g_liveShapes.shapes.clear();
        PublishLiveShapes();
    }
};

// A frame of one colour with a distinct top-left corner.
CTestFrame MarkedFrame(int w, int h) {
    CTestFrame frame(w, h);
    for (int row = 0; row < h; ++row) {
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p =
                frame.bytes.data() + static_cast<std::size_t>(row) * frame.stride + x * 3;
            p[0] = 200;
            p[1] = 100;
            p[2] = 50;
        }
    }
    // Two by two, so that a halved picture still shows it.
    for (int row = h - 2; row < h; ++row) {
        for (int x = 0; x < 2; ++x) {
            std::uint8_t* p =
                frame.bytes.data() + static_cast<std::size_t>(row) * frame.stride + x * 3;
            p[0] = 1;
            p[1] = 2;
            p[2] = 3;
        }
    }
    return frame;
}

TEST_F(LivePresenterTest, SurfaceFollowsTheZoomAndShowsTheFrameUpright) {
    CLiveViewParams view;
    view.zoom = 0.5;
    SetLiveViewParams(view);
    CLivePresenter presenter(nullptr);
    const CTestFrame frame = MarkedFrame(640, 480);
    ASSERT_EQ(presenter.PresentFrame(frame.View()), 1);
    QImage shown;
    ASSERT_TRUE(presenter.TakeLatest(shown));
    EXPECT_EQ(shown.size(), QSize(320, 240));
    EXPECT_EQ(shown.pixel(0, 0) & 0xFFFFFF, 0x030201u);
    EXPECT_EQ(shown.pixel(100, 100) & 0xFFFFFF, 0x3264C8u);
}

TEST_F(LivePresenterTest, SlowGuiGetsOneAnnouncementAndOnlyTheNewestSurface) {
    int announcements = 0;
    CLivePresenter presenter([&] { ++announcements; });
    CLiveViewParams view;
    view.recordingNotice = "Recording...";
    SetLiveViewParams(view);
    const CTestFrame small = MarkedFrame(40, 30);
    const CTestFrame large = MarkedFrame(64, 48);
    presenter.PresentFrame(small.View());
    presenter.PresentFrame(large.View());
    EXPECT_EQ(announcements, 1);

    QImage shown;
    ASSERT_TRUE(presenter.TakeLatest(shown));
    EXPECT_EQ(shown.size(), QSize(64, 48));
    EXPECT_FALSE(presenter.TakeLatest(shown));
    EXPECT_EQ(shown.size(), QSize(64, 48));

    presenter.PresentFrame(small.View());
    EXPECT_EQ(announcements, 2);
}

TEST_F(LivePresenterTest, LiveAdjustmentChangesOnlyItsRectangle) {
    CLiveViewParams view;
    view.adjustCode = 105; // inverse colour
    view.adjustRect = QRect(QPoint(10, 10), QPoint(19, 19));
    SetLiveViewParams(view);
    CLivePresenter presenter(nullptr);
    const CTestFrame frame = MarkedFrame(40, 30);
    presenter.PresentFrame(frame.View());
    QImage shown;
    ASSERT_TRUE(presenter.TakeLatest(shown));
    EXPECT_EQ(shown.pixel(5, 5) & 0xFFFFFF, 0x3264C8u);
    EXPECT_NE(shown.pixel(15, 15) & 0xFFFFFF, 0x3264C8u);
}

} // namespace
