#include "camera/ui/LiveCommands.h"
#include "tests/app/LiveFrameFixture.h"

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

} // namespace
