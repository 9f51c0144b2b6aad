#include "analysis/focus/FocusStack.h"
#include "camera/LiveFocusSweep.h"
#include "camera/ui/LiveFocusCommand.h"
#include "capture/VirtualMicroscope.h"
#include "capture/VirtualPicture.h"
#include "document/ui/CLOBRINDoc.h"
#include "framework/ui/StatusBar.h"
#include "tests/app/MainFrameCameraFixture.h"
#include "tests/app/PictureSharpness.h"

#include <opencv2/imgproc.hpp>

#include <QInputDialog>

// The live focus sweep on the virtual microscope's tilted specimen: the
// focus control is turned over its range while the sweep runs, and Stop
// opens a picture sharper than any frame with heights that rise along the
// tilt.

namespace {

// The band below the scale, away from the frame number and the dot.
cv::Mat Band(const cv::Mat& grey) {
    return grey(cv::Rect(0, 0, grey.cols, grey.rows / 6));
}

} // namespace

TEST_F(MainFrameCameraTest, ALiveFocusSweepFusesTheFramesAndOpensThePictureAndItsHeights) {
    CDeviceView* view = OpenVirtualMicroscope();
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(SetCaptureControl(VirtualMicroscope::kScene, VirtualScene::kTiltedSpecimen));
    ASSERT_TRUE(SetCaptureControl(VirtualMicroscope::kFocus, 100));
    EXPECT_EQ(CameraFocusPosition(), 100);
    WaitForFreshFrames(*view);

    WithDialog<QInputDialog>(ID_LIVE_FOCUS_STACK, [](QInputDialog& dialog) {
        dialog.setDoubleValue(2.0);
        dialog.accept();
    });
    EXPECT_TRUE(frame->QueryCommandState(ID_LIVE_FOCUS_STACK).checked());
    for (int focus = 100; focus <= 900; focus += 100) {
        ASSERT_TRUE(SetCaptureControl(VirtualMicroscope::kFocus, focus));
        QTest::qWait(50);
        WaitForFreshFrames(*view);
    }
    EXPECT_TRUE(frame->paneBar().paneText(kMessagePane).startsWith(QStringLiteral("Focus stack:")))
        << frame->paneBar().paneText(kMessagePane).toStdString();
    frame->RouteCommand(ID_LIVE_FOCUS_STACK);
    QApplication::processEvents();
    EXPECT_FALSE(frame->QueryCommandState(ID_LIVE_FOCUS_STACK).checked());
    EXPECT_EQ(LiveFocusSweepSettings(), nullptr);

    const QList<CChildFrame*> windows = frame->childFrames();
    ASSERT_EQ(windows.size(), 3);
    auto& fused = static_cast<CLOBRINDoc&>(windows[1]->document());
    auto& heights = static_cast<CLOBRINDoc&>(windows[2]->document());
    ASSERT_NE(heights.HeightMap(), nullptr);
    const CHeightMap& map = *heights.HeightMap();
    EXPECT_EQ(map.unit, "µm");

    // Sharper than the frames of the sweep, each rendered again as it was.
    const cv::Mat picture = GreyOf(fused.Model().Picture().Read().image());
    const int width = picture.cols;
    const int height = picture.rows;
    CVirtualPicture generator;
    for (int focus = 100; focus <= 900; focus += 100) {
        VirtualPictureSettings settings;
        settings.scene = VirtualScene::kTiltedSpecimen;
        settings.focus = focus;
        std::vector<std::uint8_t> bgr;
        generator.Render(width, height, 0, settings, bgr);
        cv::Mat colour(height, width, CV_8UC3, bgr.data());
        cv::Mat grey;
        cv::extractChannel(colour, grey, 1);
        EXPECT_GT(Sharpness(Band(picture)), 1.3 * Sharpness(Band(grey))) << "focus " << focus;
    }

    // Heights rise from left to right, as the specimen is tilted (2 µm per step).
    double previous = -1e9;
    for (int strip = 0; strip < 4; ++strip) {
        double sum = 0;
        int known = 0;
        for (int y = height / 10; y < height / 5; ++y) {
            for (int x = strip * width / 4 + 10; x < (strip + 1) * width / 4 - 10; ++x) {
                if (const auto h = HeightAt(map, x, y)) {
                    sum += *h;
                    ++known;
                }
            }
        }
        ASSERT_GT(known, 0) << strip;
        EXPECT_GT(sum / known, previous + 100.0) << "strip " << strip;
        previous = sum / known;
    }
}
