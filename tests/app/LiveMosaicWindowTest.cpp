#include "camera/LiveMosaicRun.h"
#include "capture/CaptureSession.h"
#include "capture/VirtualMicroscope.h"
#include "capture/VirtualPicture.h"
#include "document/ui/CLOBRINDoc.h"
#include "framework/ui/StatusBar.h"
#include "tests/app/MainFrameCameraFixture.h"
#include "tools/ui/CLOBRINView.h"

#include <cmath>
#include <functional>
#include <vector>

#include <QMenu>
#include <QMenuBar>

// The live mosaic in the main frame: the Mosaic command of the Analyze menu
// on the virtual microscope's slide, the stage moved along a path that
// returns to its start, a jump that is refused in the status bar, and Stop
// opening the mosaic as a picture window.

namespace {

using LiveMosaicWindowTest = MainFrameCameraTest;

// The item of a menu of the menu bar with that text.
QAction* MenuAction(QMenuBar* bar, const QString& text) {
    for (QAction* title : bar->actions()) {
        for (QAction* item : title->menu() ? title->menu()->actions() : QList<QAction*>{}) {
            if (item->text() == text) {
                return item;
            }
        }
    }
    return nullptr;
}

// Lets the camera, the mosaic and the window work until `reached` holds;
// false when it does not within a few seconds (frames may lag on a busy
// machine, so no fixed number of them is enough).
bool Eventually(const std::function<bool()>& reached) {
    for (int waited = 0; waited < 5000; waited += 5) {
        if (reached()) {
            return true;
        }
        QTest::qWait(5);
    }
    return reached();
}

TEST_F(LiveMosaicWindowTest, FollowsTheStageTellsAJumpAndOpensTheMosaicOnStop) {
    CDeviceView* view = OpenVirtualMicroscope();
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(SetCaptureControl(VirtualMicroscope::kScene, VirtualScene::kSlide));
    QAction* mosaic = MenuAction(frame->menuBar(), QStringLiteral("Mosaic"));
    ASSERT_NE(mosaic, nullptr);
    ASSERT_TRUE(mosaic->isCheckable());
    WaitForFreshFrames(*view);
    mosaic->trigger();
    ASSERT_NE(LiveMosaicRun(), nullptr);
    ASSERT_TRUE(Eventually([] { return LiveMosaicRun()->Shown() != nullptr; }));

    // Right 200 and down 120, a jump too far and back, then home, 40 stage
    // pixels a step (one frame pixel each at 640 × 480).
    struct Step {
        int pan, tilt;
        bool placed;
    };
    std::vector<Step> path;
    for (int pan = 40; pan <= 200; pan += 40) {
        path.push_back({pan, 0, true});
    }
    for (int tilt = 40; tilt <= 120; tilt += 40) {
        path.push_back({200, tilt, true});
    }
    path.push_back({560, 120, false});
    for (int pan = 200; pan >= 0; pan -= 40) {
        path.push_back({pan, 120, true});
    }
    for (int tilt = 80; tilt >= 0; tilt -= 40) {
        path.push_back({0, tilt, true});
    }
    CStatusBar& bar = frame->paneBar();
    std::shared_ptr<const CLiveMosaicShown> shown;
    for (const auto& step : path) {
        ASSERT_TRUE(SetCaptureControl(VirtualMicroscope::kPan, step.pan));
        ASSERT_TRUE(SetCaptureControl(VirtualMicroscope::kTilt, step.tilt));
        // Placed where the stage is, or refused with the reason in the status bar.
        const bool followed = Eventually([&] {
            shown = LiveMosaicRun()->Shown();
            const bool placed = shown->failure == LiveMosaicFailure::None;
            const bool told =
                bar.paneText(kMessagePane).startsWith(QStringLiteral("Moved too fast"));
            return placed == step.placed && told == !step.placed &&
                   (!placed || (std::abs(shown->field.x - step.pan) < 1.0 &&
                                std::abs(shown->field.y - step.tilt) < 1.0));
        });
        EXPECT_TRUE(followed) << step.pan << "," << step.tilt << ": "
                              << static_cast<int>(shown->failure) << " at " << shown->field.x << ","
                              << shown->field.y << " told "
                              << bar.paneText(kMessagePane).toStdString();
    }
    EXPECT_TRUE(mosaic->isChecked());
    KeepScreenshot(QStringLiteral("live-mosaic-running"));

    // The mosaic's pixels are the frames' pixels: it keeps the live scale.
    g_calibration.scale = 250.0;
    g_calibration.unit = QStringLiteral("um");
    g_calibration.selectedName = QStringLiteral("Lens 10x");
    mosaic->trigger();
    EXPECT_EQ(LiveMosaicRun(), nullptr);
    QApplication::processEvents();
    ASSERT_EQ(frame->childFrames().size(), 2u);
    auto* picture = dynamic_cast<CLOBRINView*>(&frame->activeChildFrame()->view());
    ASSERT_NE(picture, nullptr);
    const CStillImageDocument& opened = picture->GetDocument().Model();
    EXPECT_NEAR(opened.ImageWidth(), 640 + 200, 2);
    EXPECT_NEAR(opened.ImageHeight(), 480 + 120, 2);
    const QStringList saved =
        QDir(g_folders.snapshotFolder).entryList({QStringLiteral("Mosaic-*.png")}, QDir::Files);
    ASSERT_EQ(saved.size(), 1);
    CDib file;
    ASSERT_TRUE(file.Load(QDir(g_folders.snapshotFolder).filePath(saved[0]).toStdString(),
                          ImageType::Unknown));
    EXPECT_EQ(file.Scale(), (CPictureScale{250.0, "um", "Lens 10x"}));
    EXPECT_EQ(opened.FileScale(), file.Scale());
    KeepScreenshot(QStringLiteral("live-mosaic-opened"));
}

} // namespace
