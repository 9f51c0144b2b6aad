#include "camera/ui/LiveCommands.h"
#include "recorder/Recording.h"
#include "reports/ui/CFileSizeDlg.h"
#include "tests/app/LiveFrameFixture.h"
#include "tests/recorder/RecorderTestSupport.h"

#include <QLineEdit>
#include <QToolBar>

// What the live window's picture and video commands leave on disk.

namespace {

using LiveSavingTest = LiveFrameTest;

TEST_F(LiveSavingTest, EveryClickOnTakeAPictureWritesAPicture) {
    CDeviceView* view = OpenCamera();
    ASSERT_NE(view, nullptr);
    QWidget* button = frame->toolBar()->widgetForAction(frame->CommandAction(ID_TAKE_PICTURE));
    ASSERT_NE(button, nullptr);
    const auto pictures = [] {
        return QDir(g_folders.snapshotFolder)
            .entryList({QStringLiteral("*.bmp"), QStringLiteral("*.jpg")}, QDir::Files);
    };
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pictures().size() == 1; }, 10000));

    // Clicks quicker than the camera's frames (a slow camera at a large
    // size gives a few a second) each still get a picture.
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::qWait(200);
    QTest::mouseClick(button, Qt::LeftButton);
    (void)QTest::qWaitFor([&] { return pictures().size() == 4; }, 10000);
    QTest::qWait(300);
    EXPECT_EQ(pictures().size(), 4) << pictures().join(' ').toStdString();
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join('\n').toStdString();
}

TEST_F(LiveSavingTest, ARecordingHoldsTheRequestedTimeWithinOneFrame) {
    CDeviceView* view = OpenCamera();
    ASSERT_NE(view, nullptr);
    for (const int fps : {15, 30}) {
        WithDialog<CFileSizeDlg>(ID_TAKE_VIDEO, [fps](CFileSizeDlg& dialog) {
            dialog.findChild<QLineEdit*>(QStringLiteral("timeLimit"))->setText(QStringLiteral("3"));
            dialog.findChild<QLineEdit*>(QStringLiteral("frameRate"))
                ->setText(QString::number(fps));
            dialog.accept();
        });
        ASSERT_TRUE(view->Commands().Recording());
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return !view->Commands().RecordingTimerActive(); }, 20000));
        const CReadBackVideo video = ReadBackVideo(g_recording.lastStats.file);
        ASSERT_TRUE(video.error.empty()) << video.error;
        EXPECT_EQ(video.fps, fps);
        EXPECT_NEAR(static_cast<double>(video.packetCount), 3.0 * fps, 1.0) << fps << " fps";
    }
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join('\n').toStdString();
}

} // namespace
