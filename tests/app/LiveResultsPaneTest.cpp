#include "camera/ui/LiveCommands.h"
#include "capture/ui/CCaptureFormatDlg.h"
#include "capture/ui/CVideoSettingDlg.h"
#include "core/PendingPicture.h"
#include "tests/app/MainFrameCameraFixture.h"
#include "tests/reports/PaneTestSupport.h"

#include <QPushButton>

// The results pane follows the live window as windows open, close and the
// camera's format changes.

namespace {

using LiveResultsPaneTest = MainFrameCameraTest;

TEST_F(LiveResultsPaneTest, ClosingASnapshotShowsTheLiveMeasurementsAgain) {
    CDeviceView* view = OpenVirtualMicroscope();
    ASSERT_NE(view, nullptr);
    DrawDistances(view, 3);
    ASSERT_EQ(g_liveShapes.shapes.size(), 3u);
    frame->RouteCommand(ID_TAKE_PICTURE);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !view->Commands().LastSavedPicture().isEmpty(); }, 10000));
    Settle();
    const QString liveSize = PaneImageSize();
    EXPECT_EQ(liveSize, "640 x 480");

    g_pendingPicture.path = view->Commands().LastSavedPicture();
    frame->RouteCommand(ID_FILE_OPEN);
    ASSERT_EQ(frame->childFrames().size(), 2);
    Settle();
    ASSERT_TRUE(frame->childFrames()[1]->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Settle();

    ASSERT_EQ(frame->childFrames().size(), 1);
    EXPECT_EQ(Pane()->source(), 1);
    EXPECT_EQ(PaneImageSize(), liveSize);
    EXPECT_EQ(ResultTree()->topLevelItemCount(), 3);
    EXPECT_EQ(boxes, QStringList{"Are you sure close?"});
}

TEST_F(LiveResultsPaneTest, AnotherCaptureFormatShowsItsSizeInThePane) {
    CDeviceView* view = OpenVirtualMicroscope();
    ASSERT_NE(view, nullptr);
    Settle();
    ASSERT_EQ(PaneImageSize(), "640 x 480");

    WithDialog<CVideoSettingDlg>(ID_VIDEO_SETTING, [](CVideoSettingDlg& settings) {
        QTimer::singleShot(0, [] {
            auto* page = qobject_cast<CCaptureFormatDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(page, nullptr);
            page->SizeList()->setCurrentIndex(page->SizeList()->findText("1920 × 1080"));
            page->accept();
        });
        QTest::mouseClick(settings.PinButton(), Qt::LeftButton);
        settings.accept();
    });
    (void)QTest::qWaitFor([&] { return PaneImageSize() == "1920 x 1080"; }, 10000);
    EXPECT_EQ(PaneImageSize(), "1920 x 1080");
}

} // namespace
