#include "camera/ui/LiveCommands.h"
#include "core/PendingPicture.h"
#include "framework/ui/DesktopOpener.h"
#include "framework/ui/FileDialog.h"
#include "framework/ui/StatusBar.h"
#include "reports/ui/CFileSizeDlg.h"
#include "tests/app/MainFrameCameraFixture.h"
#include "tests/reports/PaneTestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>

// The status bar names what the live window saved and opens its folder.

namespace {

class LiveSavedNoticeTest : public MainFrameCameraTest {
protected:
    LiveSavedNoticeTest() {
        SetDesktopOpener([this](const QUrl& url) {
            opened << url;
            return true;
        });
    }
    ~LiveSavedNoticeTest() override {
        SetDesktopOpener({});
        SetFileDialogResponder({});
    }

    QLabel* Notice() const { return frame->paneBar().savedFileLabel(); }
    // Names `path` and opens its folder when its link is followed.
    void ExpectNamed(const QString& path) {
        ASSERT_NE(Notice(), nullptr);
        EXPECT_TRUE(Notice()->text().contains(QFileInfo(path).fileName())) << path.toStdString();
        opened.clear();
        emit Notice()->linkActivated(QStringLiteral("folder"));
        EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(QFileInfo(path).absolutePath())});
    }

    QList<QUrl> opened;
};

TEST_F(LiveSavedNoticeTest, SnapshotRecordingAndReportAreNamedWithTheirFolder) {
    CDeviceView* view = OpenVirtualMicroscope();
    ASSERT_NE(view, nullptr);
    DrawDistances(view, 1);

    frame->RouteCommand(ID_TAKE_PICTURE);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !view->Commands().LastSavedPicture().isEmpty(); }, 10000));
    ExpectNamed(view->Commands().LastSavedPicture());

    WithDialog<CFileSizeDlg>(ID_TAKE_VIDEO, [](CFileSizeDlg& dialog) {
        dialog.findChild<QLineEdit*>(QStringLiteral("timeLimit"))->setText(QStringLiteral("1"));
        dialog.accept();
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view->Commands().RecordingTimerActive(); }, 20000));
    const QStringList videos = QDir(g_folders.videoFolder).entryList({"*.avi"}, QDir::Files);
    ASSERT_EQ(videos.size(), 1);
    ExpectNamed(QDir(g_folders.videoFolder).filePath(videos[0]));

    const QString csv = home.filePath(QStringLiteral("reports/lengths.csv"));
    QDir().mkpath(QFileInfo(csv).absolutePath());
    SetFileDialogResponder([&csv](const FileDialogRequest&) {
        return std::optional<FileDialogAnswer>(FileDialogAnswer{csv, 0});
    });
    frame->RouteCommand(ID_EXPORT_CSV);
    ASSERT_TRUE(QFileInfo::exists(csv));
    ExpectNamed(csv);
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join('\n').toStdString();
}

TEST_F(LiveSavedNoticeTest, ThePicturesRestoredNoteGoesWhenTheLiveWindowIsActivated) {
    CDeviceView* view = OpenVirtualMicroscope();
    ASSERT_NE(view, nullptr);
    DrawDistances(view, 3);
    frame->RouteCommand(ID_TAKE_PICTURE);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !view->Commands().LastSavedPicture().isEmpty(); }, 10000));
    g_pendingPicture.path = view->Commands().LastSavedPicture();
    frame->RouteCommand(ID_FILE_OPEN);
    ASSERT_EQ(frame->childFrames().size(), 2);
    QApplication::processEvents();
    ASSERT_TRUE(frame->paneBar().paneText(kPromptPane).startsWith("3 measurements restored"))
        << frame->paneBar().paneText(kPromptPane).toStdString();

    frame->mdiArea()->setActiveSubWindow(frame->childFrames()[0]);
    QApplication::processEvents();
    EXPECT_EQ(frame->paneBar().paneText(kPromptPane), QString());
}

} // namespace
