#include "browser/ThumbnailAnnouncement.h"
#include "camera/VideoShape.h"
#include "camera/ui/LiveTimeLapse.h"
#include "core/Folders.h"
#include "framework/ui/MessageBox.h"
#include "tests/camera/FrameTestSupport.h"
#include "tests/camera/LiveViewTestSupport.h"
#include "timelapse/CTimeLapseController.h"

#include <functional>

#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

namespace {

// The live window's time-lapse, run from its command with the dialog filled
// in as a user would.
class LiveWindowLinksTest : public LiveViewTest {
protected:
    LiveWindowLinksTest() {
        g_folders.snapshotFolder = home.filePath(QStringLiteral("SaveFile"));
        EXPECT_TRUE(QDir().mkpath(g_folders.snapshotFolder));
        SetMessageBoxResponder([this](const MessageBoxRequest& request) {
            messages << request.text;
            return QMessageBox::Ok;
        });
        g_parameters.measuredecimal = 2;
    }
    ~LiveWindowLinksTest() override {
        frame.reset();
        g_liveShapes.shapes.clear();
        SetMessageBoxResponder({});
        TakeAnnouncedPicture();
    }

    void Deliver() {
        ASSERT_TRUE(log->callbacks.onFrame);
        log->callbacks.onFrame(picture.View());
        QApplication::processEvents();
    }

    void DrawLine(QPoint from, QPoint to) {
        Command(ID_MEASURE_LINE);
        Click(from);
        Click(to);
        Click(from + QPoint(10, 30));
        Command(ID_MEASURE_LINE);
    }

    // Runs command `id` and, once its dialog of type T shows, fills it in
    // with `answer`.
    template <typename T>
    bool RunWithDialog(int id, const std::function<void(T*)>& answer) {
        bool answered = false;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
                poll.stop();
                answer(dialog);
                answered = true;
            }
        });
        poll.start();
        Command(id);
        return answered;
    }

    // Starts a time-lapse of `count` pictures a second apart.
    void StartTimeLapse(int count) {
        EXPECT_TRUE(RunWithDialog<CTimeLapseDlg>(ID_TIME_LAPSE, [count](CTimeLapseDlg* dialog) {
            dialog->findChild<QDoubleSpinBox*>("interval")->setValue(1.0);
            QTest::mouseClick(dialog->findChild<QRadioButton*>("byCount"), Qt::LeftButton);
            dialog->findChild<QSpinBox*>("count")->setValue(count);
            dialog->findChild<QComboBox*>("format")->setCurrentIndex(1); // JPEG
            dialog->findChild<QLineEdit*>("prefix")->setText(QStringLiteral("series"));
            dialog->accept();
        }));
    }

    QStringList Pictures() const {
        return QDir(g_folders.snapshotFolder).entryList(QDir::Files, QDir::Name);
    }

    CTestFrame picture{640, 480};
    QStringList messages;
};

TEST_F(LiveWindowLinksTest, ATimeLapseSavesItsPicturesAndAnnouncesEach) {
    ASSERT_NE(Open(), nullptr);
    DrawLine(QPoint(100, 100), QPoint(220, 100));
    Deliver();
    EXPECT_TRUE(Enabled(ID_TIME_LAPSE));
    StartTimeLapse(3);
    ASSERT_TRUE(view->TimeLapse().Running());
    EXPECT_FALSE(Enabled(ID_TIME_LAPSE));
    auto* progress = frame->paneBar().findChild<QWidget*>("timeLapseProgress");
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->isVisible());

    // A refresh of the camera (a device event) leaves the series running.
    QTRY_COMPARE(Pictures().size(), 1);
    EXPECT_TRUE(view->RefreshCamera());
    Deliver();
    EXPECT_TRUE(view->TimeLapse().Running());
    QTRY_VERIFY_WITH_TIMEOUT(!view->TimeLapse().Running(), 10000);
    EXPECT_EQ(Pictures(), (QStringList{"series-0001.jpg", "series-0002.jpg", "series-0003.jpg"}));
    EXPECT_EQ(TakeAnnouncedPicture(), QDir(g_folders.snapshotFolder).filePath("series-0003.jpg"));
    // The pictures are the frame with the measurements, as a snapshot is.
    const QImage first(QDir(g_folders.snapshotFolder).filePath("series-0001.jpg"));
    EXPECT_EQ(first.size(), QSize(640, 480));
    EXPECT_EQ(frame->paneBar().paneText(kMessagePane), "Time-lapse: 3 of 3 pictures taken");
    QTRY_VERIFY(frame->paneBar().findChild<QWidget*>("timeLapseProgress") == nullptr);
    EXPECT_TRUE(Enabled(ID_TIME_LAPSE));
}

TEST_F(LiveWindowLinksTest, ATimeLapseCountsThePicturesMissedWhileTheCameraIsUnplugged) {
    ASSERT_NE(Open(), nullptr);
    Deliver();
    StartTimeLapse(3);
    QTRY_COMPARE(Pictures().size(), 1);
    const FakeCameraScript script = log->scripts["usb-scope"];
    log->scripts.erase("usb-scope");
    EXPECT_FALSE(view->RefreshCamera());
    CTimeLapseController* controller = view->TimeLapse().Controller();
    ASSERT_NE(controller, nullptr);
    QTRY_COMPARE_WITH_TIMEOUT(controller->Schedule().Missed(), 1, 5000);
    log->scripts["usb-scope"] = script;
    EXPECT_TRUE(view->RefreshCamera());
    Deliver();
    QTRY_VERIFY_WITH_TIMEOUT(!view->TimeLapse().Running(), 10000);
    EXPECT_EQ(Pictures(), (QStringList{"series-0001.jpg", "series-0003.jpg"}));
    EXPECT_EQ(frame->paneBar().paneText(kMessagePane),
              "Time-lapse: 2 of 3 pictures taken, 1 missed");
}

} // namespace
