#include "calibration/ManualCalibration.h"
#include "camera/FramePipeline.h"
#include "camera/VideoShape.h"
#include "camera/ui/LiveCommands.h"
#include "core/Folders.h"
#include "framework/ui/MessageBox.h"
#include "reports/ui/CMeasureResultFormView.h"
#include "reports/ui/CMeasureResultFormWnd.h"
#include "tests/camera/FrameTestSupport.h"
#include "tests/camera/LiveViewTestSupport.h"
#include "tests/reports/PaneTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMdiArea>
#include <QPushButton>

namespace {

class LiveWindowTest : public LiveViewTest {
protected:
    ~LiveWindowTest() override { g_liveShapes.shapes.clear(); }

    // A frame from the scripted camera, as its streaming thread delivers it.
    void Deliver(const CTestFrame& picture) {
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
};

TEST_F(LiveWindowTest, ZoomStepsStopAtTheEndsAndDisableTheirCommands) {
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(Doc().title(), "Marnelo");
    EXPECT_TRUE(Enabled(ID_ZOOM_IN));
    EXPECT_TRUE(Enabled(ID_ZOOM_OUT));
    for (int step = 0; step < 8; ++step) {
        Command(ID_ZOOM_IN);
    }
    EXPECT_DOUBLE_EQ(view->Zoom(), 1.8);
    EXPECT_EQ(Prompt(), "180%");
    EXPECT_FALSE(Enabled(ID_ZOOM_IN));
    EXPECT_TRUE(Enabled(ID_ZOOM_OUT));
    // The picture, the pipeline and the scroll range follow the zoom.
    EXPECT_EQ(view->contentSize(), QSize(1152, 864));
    EXPECT_DOUBLE_EQ(LiveViewParams().zoom, 1.8);
    EXPECT_DOUBLE_EQ(g_captureSession.zoom, 1.8);
    EXPECT_EQ(g_captureSession.surfaceWidth, 1152);
    Command(ID_ZOOM_IN);
    EXPECT_DOUBLE_EQ(view->Zoom(), 1.8);

    Command(ID_ZOOM_NORMAL);
    EXPECT_EQ(Prompt(), "100%");
    EXPECT_TRUE(Enabled(ID_ZOOM_IN));
    for (int step = 0; step < 7; ++step) {
        Command(ID_ZOOM_OUT);
    }
    EXPECT_DOUBLE_EQ(view->Zoom(), 0.3);
    EXPECT_EQ(Prompt(), "30%");
    EXPECT_FALSE(Enabled(ID_ZOOM_OUT));
    EXPECT_TRUE(Enabled(ID_ZOOM_IN));
    Command(ID_ZOOM_OUT);
    EXPECT_DOUBLE_EQ(view->Zoom(), 0.3);
    EXPECT_EQ(view->contentSize(), QSize(192, 144));
}

TEST_F(LiveWindowTest, ToolsToggleWithTheirPromptsAndTheFlipsTurnTheFrame) {
    ASSERT_NE(Open(), nullptr);
    Command(ID_MEASURE_TCIRCLES);
    EXPECT_EQ(Prompt(), "Distance of 2 circles: Click the left mouse button to select 7 points");
    EXPECT_TRUE(frame->QueryCommandState(ID_MEASURE_TCIRCLES).checked());
    Command(ID_MEASURE_TCIRCLES);
    EXPECT_EQ(Doc().LiveKind(), 0);
    EXPECT_EQ(Prompt(), "");
    EXPECT_FALSE(frame->QueryCommandState(ID_MEASURE_TCIRCLES).checked());

    const int rotate = g_framePipeline.flags.rotate.load();
    Command(ID_FLIP_HORIZONTAL);
    EXPECT_NE(g_framePipeline.flags.rotate.load(), rotate);
    Command(ID_FLIP_HORIZONTAL);
    EXPECT_EQ(g_framePipeline.flags.rotate.load(), rotate);
    const int mirror = g_framePipeline.flags.mirror.load();
    Command(ID_FLIP_VERTICAL);
    EXPECT_NE(g_framePipeline.flags.mirror.load(), mirror);
    Command(ID_FLIP_VERTICAL);
}

TEST_F(LiveWindowTest, ShowsTheNewestFrameOrNoVideoDevices) {
    ASSERT_NE(Open(), nullptr);
    EXPECT_TRUE(view->CameraOpen());
    const CTestFrame picture(640, 480);
    Deliver(picture);
    ASSERT_EQ(view->Shown().size(), QSize(640, 480));
    // Stored rows are bottom-up; the window shows the top row first.
    const QImage shown = Viewport()->grab().toImage();
    const std::uint8_t* top = picture.bytes.data() + 479 * picture.stride + 5 * 3;
    EXPECT_EQ(shown.pixel(5, 0), qRgb(top[2], top[1], top[0]));

    // Unplugged: the refresh fails and says so; plugged in again, the same
    // camera streams into the same window.
    const FakeCameraScript script = log->scripts["usb-scope"];
    log->scripts.erase("usb-scope");
    EXPECT_FALSE(view->RefreshCamera());
    EXPECT_FALSE(view->Streaming());
    EXPECT_TRUE(view->CameraOpen());
    log->scripts["usb-scope"] = script;
    log->calls.clear();
    EXPECT_TRUE(view->RefreshCamera());
    EXPECT_TRUE(view->Streaming());
    EXPECT_EQ(log->calls.front(), "Open usb-scope");
    Deliver(picture);
    EXPECT_EQ(view->Shown().size(), QSize(640, 480));
}

TEST_F(LiveWindowTest, AnotherCaptureFormatRestartsTheCameraAtItsSize) {
    ASSERT_NE(Open(), nullptr);
    Command(ID_ZOOM_OUT);
    ASSERT_EQ(PrepareFormatPage(), 1);
    ASSERT_TRUE(SetCaptureFormat(CaptureFormat{Fourcc::kMJPG, 1280, 720, {1, 30}}));
    TakeOverCaptureFormat();
    QApplication::processEvents();
    EXPECT_TRUE(view->Streaming());
    EXPECT_EQ(g_captureSession.running, 1);
    EXPECT_EQ(view->contentSize(), QSize(1152, 648));
    EXPECT_EQ(view->scrollPosition(), QPoint(0, 0));
    const CTestFrame picture(1280, 720);
    Deliver(picture);
    EXPECT_EQ(view->Shown().size(), QSize(1152, 648));
}

TEST_F(LiveWindowTest, WithoutACameraSaysNoVideoDevicesInRed) {
    log->scripts["usb-scope"].openFails = true;
    ASSERT_NE(Open(), nullptr);
    EXPECT_FALSE(view->CameraOpen());
    const QImage shown = Viewport()->grab().toImage();
    int red = 0;
    const int middle = shown.height() / 2;
    for (int y = middle - 10; y <= middle + 10; ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb pixel = shown.pixel(x, y);
            red += qRed(pixel) > 200 && qGreen(pixel) < 90 && qBlue(pixel) < 90 ? 1 : 0;
        }
    }
    EXPECT_GT(red, 20);
    EXPECT_EQ(shown.pixel(2, 2), qRgb(0xA0, 0xA0, 0xA0));

    Command(ID_MARK_SQUARE);
    Click(QPoint(100, 100));
    EXPECT_TRUE(g_liveShapes.shapes.empty());
}

TEST_F(LiveWindowTest, ClosingTheWindowClosesTheCameraAndForgetsTheMeasurements) {
    ASSERT_NE(Open(), nullptr);
    DrawLine(QPoint(100, 100), QPoint(200, 100));
    ASSERT_EQ(g_liveShapes.shapes.size(), 1u);
    Command(ID_FLIP_VERTICAL);
    ASSERT_EQ(g_framePipeline.flags.mirror.load(), 1);
    SetMessageBoxResponder([](const MessageBoxRequest&) { return QMessageBox::Yes; });
    frame->mdiArea()->closeAllSubWindows();
    SetMessageBoxResponder({});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(frame->mdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(log->calls.back(), "Close usb-scope");
    EXPECT_TRUE(g_liveShapes.shapes.empty());
    EXPECT_TRUE(TakeOverlaySnapshot().shapes->empty());
    EXPECT_EQ(g_captureSession.camera, nullptr);
    EXPECT_EQ(g_framePipeline.flags.mirror.load(), 0);
}

TEST_F(LiveWindowTest, TheResultsPaneListsAndDeletesLiveMeasurements) {
    std::vector<MessageBoxRequest> boxes;
    SetMessageBoxResponder([&boxes](const MessageBoxRequest& request) {
        boxes.push_back(request);
        return QMessageBox::Yes;
    });
    g_parameters.measuredecimal = 2;
    CMeasureResultFormWnd pane(QStringLiteral("Results"));
    pane.show();
    ASSERT_NE(Open(), nullptr);
    Settle();
    EXPECT_EQ(pane.view()->source(), 1);

    DrawLine(QPoint(100, 100), QPoint(220, 100));
    DrawLine(QPoint(100, 200), QPoint(100, 260));
    Settle();
    auto* tree = pane.view()->findChild<QTreeWidget*>(QStringLiteral("measureResults"));
    EXPECT_EQ(TreeTexts(tree),
              (QStringList{"Line 0", "Length 20.00 mm", "Line 1", "Length 10.00 mm"}));

    tree->setCurrentItem(tree->topLevelItem(0));
    QTest::mouseClick(pane.view()->findChild<QPushButton*>(QStringLiteral("deleteResult")),
                      Qt::LeftButton);
    Settle();
    ASSERT_EQ(g_liveShapes.shapes.size(), 1u);
    EXPECT_EQ(TakeOverlaySnapshot().shapes->size(), 1u);
    EXPECT_EQ(TreeTexts(tree), (QStringList{"Line 0", "Length 10.00 mm"}));

    // Undo takes the newest one, and the pane follows.
    Command(ID_UNDO);
    Settle();
    EXPECT_TRUE(g_liveShapes.shapes.empty());
    EXPECT_TRUE(TakeOverlaySnapshot().shapes->empty());
    EXPECT_EQ(tree->topLevelItemCount(), 0);
    EXPECT_FALSE(Enabled(ID_UNDO));

    DrawLine(QPoint(100, 100), QPoint(220, 100));
    Settle();
    QTest::mouseClick(pane.view()->findChild<QPushButton*>(QStringLiteral("deleteAllResults")),
                      Qt::LeftButton);
    Settle();
    EXPECT_TRUE(g_liveShapes.shapes.empty());
    EXPECT_TRUE(TakeOverlaySnapshot().shapes->empty());
    EXPECT_EQ(boxes.size(), 2u);
    SetMessageBoxResponder({});
}

TEST_F(LiveWindowTest, SnapshotsComeFromTheCommandAndTheCameraButton) {
    g_folders.snapshotFolder = home.filePath(QStringLiteral("SaveFile"));
    ASSERT_TRUE(QDir().mkpath(g_folders.snapshotFolder));
    QStringList boxes;
    SetMessageBoxResponder([&boxes](const MessageBoxRequest& request) {
        boxes << request.text;
        return QMessageBox::Ok;
    });
    ASSERT_NE(Open(), nullptr);
    DrawLine(QPoint(100, 100), QPoint(220, 100));
    const CTestFrame picture(640, 480);
    Deliver(picture);
    Command(ID_TAKE_PICTURE);
    Deliver(picture);
    QTRY_VERIFY(!view->Commands().LastSavedPicture().isEmpty());
    const QString first = view->Commands().LastSavedPicture();
    EXPECT_EQ(QFileInfo(first).absolutePath(), g_folders.snapshotFolder);

    PostToReceiver(ReceiverRole::LiveView, UM_TAKE_SNAPSHOT);
    QApplication::processEvents();
    Deliver(picture);
    QTRY_VERIFY(view->Commands().LastSavedPicture() != first);
    const QDir folder(g_folders.snapshotFolder);
    EXPECT_EQ(folder.entryList({"*.bmp", "*.jpg"}, QDir::Files).size(), 2);
    // The live line stays editable on each snapshot: its session lies beside it.
    QFile session(first + ".marnelo.json");
    ASSERT_TRUE(session.open(QIODevice::ReadOnly));
    const QJsonArray shapes = QJsonDocument::fromJson(session.readAll())["shapes"].toArray();
    ASSERT_EQ(shapes.size(), 1);
    EXPECT_EQ(shapes[0]["points"].toArray().first().toArray().at(0).toDouble(), 100.0);
    EXPECT_EQ(folder.entryList({"*.marnelo.json"}, QDir::Files).size(), 2);
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join('\n').toStdString();
    SetMessageBoxResponder({});
}

TEST_F(LiveWindowTest, ALiveLineCalibratesManually) {
    ASSERT_NE(Open(), nullptr);
    // 120 frame pixels at the initial 60 pixels per centimetre read 20 mm.
    DrawLine(QPoint(100, 100), QPoint(220, 100));
    EXPECT_DOUBLE_EQ(g_calibration.lastLineLength, 20.0);
    ASSERT_EQ(CalibrateManually("Live ruler", "mm", "1"), ManualCalibrationResult::Stored);
    EXPECT_DOUBLE_EQ(g_calibration.scale, 1200.0);
    EXPECT_EQ(g_calibration.lastLineLength, 0.0);

    // Frames painted with the line on them leave the last line alone: only a
    // new line counts.
    const CTestFrame picture(640, 480);
    Deliver(picture);
    Deliver(picture);
    EXPECT_EQ(g_calibration.lastLineLength, 0.0);
    EXPECT_EQ(CalibrateManually("Again", "mm", "1"), ManualCalibrationResult::NoLine);
}

// A 1920 × 1080 frame is shown whole in the window, and a line across the
// virtual microscope's disc measures its diameter (a quarter of the height)
// at that zoom.
TEST_F(LiveWindowTest, FitToWindowShowsTheWholeFrameAndMeasuresTheDisc) {
    g_captureSession.forcedFormat = CaptureFormat{Fourcc::kMJPG, 1920, 1080, {1, 30}};
    ASSERT_NE(Open(1), nullptr);
    ASSERT_TRUE(view->CameraOpen());
    Command(ID_ZOOM_FIT);
    QApplication::processEvents(); // the scroll bars go
    const double zoom = view->Zoom();
    EXPECT_LT(zoom, 0.5);
    EXPECT_EQ(Prompt(), Doc().Zoom().StatusText());
    const QSize area = view->viewport()->size();
    const QSize shown = view->contentSize();
    EXPECT_TRUE(shown.width() <= area.width() && shown.height() <= area.height())
        << shown.width() << "x" << shown.height() << " in " << area.width() << "x" << area.height();
    EXPECT_TRUE(shown.width() >= area.width() - 1 || shown.height() >= area.height() - 1);
    QTRY_VERIFY_WITH_TIMEOUT(view->Shown().size() == shown, 10000);

    // The disc's edges on its middle row, as the window shows them.
    const QImage picture = view->Shown().copy();
    const int row = picture.height() / 2;
    const auto dark = [&picture, row](int x) {
        return qGray(picture.pixel(x, row)) < 128;
    };
    const int middle = picture.width() / 2;
    ASSERT_TRUE(dark(middle));
    int left = middle;
    while (left > 0 && dark(left - 1)) {
        --left;
    }
    int right = middle;
    while (right + 1 < picture.width() && dark(right + 1)) {
        ++right;
    }
    DrawLine(QPoint(left, row), QPoint(right + 1, row));
    ASSERT_EQ(g_liveShapes.shapes.size(), 1u);
    // Each screen pixel covers 1 / zoom frame pixels.
    EXPECT_NEAR(g_liveShapes.shapes[0]->measured[0], 1080 / 4, 2 / zoom);

    // The window grows: the frame is fitted again.
    frame->resize(1300, 1000);
    QApplication::processEvents();
    EXPECT_GT(view->Zoom(), zoom);
    EXPECT_LE(view->contentSize().width(), view->viewport()->width());
    EXPECT_LE(view->contentSize().height(), view->viewport()->height());
    g_captureSession.forcedFormat.reset();
}

TEST_F(LiveWindowTest, TheVirtualMicroscopeShowsItsPictureWithTheMeasurements) {
    // The virtual microscope is listed after the scripted camera.
    ASSERT_NE(Open(1), nullptr);
    ASSERT_TRUE(view->CameraOpen());
    QTRY_VERIFY_WITH_TIMEOUT(!view->Shown().isNull(), 10000);
    g_parameters.linecolor = 0x00FF00; // green lines
    Command(ID_MEASURE_LINE);
    Click(QPoint(100, 300));
    Click(QPoint(400, 300));
    Click(QPoint(200, 330));
    Command(ID_MEASURE_DCIRCLE);
    Click(QPoint(450, 150));
    Click(QPoint(550, 150));
    Click(QPoint(560, 100));
    ASSERT_EQ(g_liveShapes.shapes.size(), 2u);
    // A frame painted after the shapes were made shows them.
    QTRY_VERIFY_WITH_TIMEOUT(view->Shown().pixel(250, 300) == qRgb(0, 255, 0), 10000);

    const QImage window = frame->grab().toImage();
    EXPECT_TRUE(window.save(home.filePath(QStringLiteral("live-window.png"))));
    const QString artefacts = QStringLiteral(MARNELO_ARTEFACT_DIR);
    ASSERT_TRUE(QDir().mkpath(artefacts));
    EXPECT_TRUE(window.save(QDir(artefacts).filePath(QStringLiteral("live-window.png"))));
}

} // namespace
