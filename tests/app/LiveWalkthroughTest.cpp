#include "calibration/Calibration.h"
#include "camera/VideoShape.h"
#include "camera/ui/CDeviceView.h"
#include "camera/ui/LiveCommands.h"
#include "core/PendingPicture.h"
#include "document/ui/CLOBRINDoc.h"
#include "reports/ui/CFileSizeDlg.h"
#include "reports/ui/CMeasureResultFormView.h"
#include "tests/app/MainFrameCameraFixture.h"
#include "tests/reports/PaneTestSupport.h"

#include <QLineEdit>

// A new user's first session with the camera, in the application's main
// frame: Open Camera on the virtual microscope, a distance and a circle, a
// snapshot, five seconds of video, and the snapshot opened as a picture.

namespace {

using LiveWalkthroughTest = MainFrameCameraTest;

TEST_F(LiveWalkthroughTest, MeasureSnapRecordAndOpenTheSnapshot) {
    CDeviceView* view = OpenVirtualMicroscope();
    ASSERT_NE(view, nullptr);
    ASSERT_FALSE(view->Shown().isNull());

    QWidget* picture = view->viewport();
    frame->RouteCommand(ID_MEASURE_LINE);
    Click(picture, QPoint(100, 300));
    Click(picture, QPoint(400, 300));
    Click(picture, QPoint(200, 330));
    frame->RouteCommand(ID_MEASURE_DCIRCLE);
    Click(picture, QPoint(450, 150));
    Click(picture, QPoint(550, 150));
    Click(picture, QPoint(560, 100));
    ASSERT_EQ(g_liveShapes.shapes.size(), 2u);
    Settle();
    auto* tree = frame->findChild<CMeasureResultFormView*>()->findChild<QTreeWidget*>(
        QStringLiteral("measureResults"));
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    EXPECT_EQ(tree->topLevelItem(0)->child(0)->text(0), "Length 50.00 mm");

    frame->RouteCommand(ID_TAKE_PICTURE);
    QTRY_VERIFY_WITH_TIMEOUT(!view->Commands().LastSavedPicture().isEmpty(), 10000);
    const QString snapshot = view->Commands().LastSavedPicture();
    EXPECT_EQ(QFileInfo(snapshot).absolutePath(), g_folders.snapshotFolder);

    // The window as the user sees it, kept as an artefact of the build.
    QTRY_VERIFY_WITH_TIMEOUT(view->Shown().pixel(250, 300) == qRgb(255, 0, 0), 10000);
    KeepScreenshot(QStringLiteral("live-walkthrough"));

    // With the scale bar switched on it appears in the picture's lower right.
    g_parameters.scalebar = 1;
    const auto barPixels = [&] {
        const QImage shown = view->Shown();
        int count = 0;
        for (int y = shown.height() * 4 / 5; y < shown.height(); ++y) {
            for (int x = shown.width() * 2 / 3; x < shown.width(); ++x) {
                count += shown.pixel(x, y) == qRgb(255, 0, 0);
            }
        }
        return count;
    };
    QTRY_VERIFY_WITH_TIMEOUT(barPixels() > 20, 10000);
    KeepScreenshot(QStringLiteral("live-scale-bar"));
    g_parameters.scalebar = 0;

    WithDialog<CFileSizeDlg>(ID_TAKE_VIDEO, [](CFileSizeDlg& dialog) {
        dialog.findChild<QLineEdit*>(QStringLiteral("timeLimit"))->setText(QStringLiteral("5"));
        dialog.accept();
    });
    EXPECT_TRUE(view->Commands().Recording());
    QTRY_VERIFY_WITH_TIMEOUT(!view->Commands().RecordingTimerActive(), 20000);
    EXPECT_FALSE(view->Commands().Recording());
    const QFileInfoList videos =
        QDir(g_folders.videoFolder).entryInfoList({QStringLiteral("*.avi")}, QDir::Files);
    ASSERT_EQ(videos.size(), 1);
    EXPECT_GT(videos[0].size(), 10000);

    g_pendingPicture.path = snapshot;
    frame->RouteCommand(ID_FILE_OPEN);
    ASSERT_EQ(frame->childFrames().size(), 2);
    EXPECT_EQ(frame->activeDocument()->pathName(), snapshot);
    // The live distance and circle come back as editable shapes.
    auto* still = dynamic_cast<CLOBRINDoc*>(frame->activeDocument());
    ASSERT_NE(still, nullptr);
    EXPECT_EQ(still->Model().Shapes().Shapes().size(), 2u);
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join('\n').toStdString();
}

} // namespace
