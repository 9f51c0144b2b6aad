#include "camera/ui/LiveCommands.h"

#include "browser/ThumbnailAnnouncement.h"
#include "camera/CameraRefresher.h"
#include "camera/FramePipeline.h"
#include "camera/LiveOverlay.h"
#include "capture/events/PowerResumeMonitor.h"
#include "capture/events/VideoDeviceMonitor.h"
#include "core/Folders.h"
#include "core/Parameters.h"
#include "framework/ui/FileDialog.h"
#include "framework/ui/MessageBox.h"
#include "image/JpegCodec.h"
#include "recorder/Recording.h"
#include "reports/ui/CExportOptionDlg.h"
#include "reports/ui/CFileSizeDlg.h"
#include "tests/camera/FrameTestSupport.h"
#include "tests/recorder/RecorderTestSupport.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace {

constexpr int kWidth = 80;
constexpr int kHeight = 60;

// A live window's commands over a plain widget, fed by the real frame
// pipeline with grey test frames.
class LiveCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_folders.snapshotFolder = home.filePath("SaveFile");
        g_folders.videoFolder = home.filePath("SaveFile/Video");
        ASSERT_TRUE(QDir().mkpath(g_folders.videoFolder));
        g_parameters.imageformat = 1;
        g_parameters.compress = 1;
        SetMessageBoxResponder([this](const MessageBoxRequest& request) {
            boxes << request.text;
            return QMessageBox::Ok;
        });
        CLiveCommandHost host;
        host.view = &view;
        host.cameraOpen = [this] {
            return cameraOpen;
        };
        host.zoom = [this] {
            return zoom;
        };
        host.refreshCamera = [this] {
            ++refreshes;
            return refreshSucceeds;
        };
        host.showStatusPane0 = [this](const QString& text) {
            status << text;
        };
        host.cameraRefreshed = [this](bool ok) {
            refreshResults << ok;
        };
        commands = std::make_unique<CLiveCommands>(std::move(host), nullptr);
        // The streaming thread's announcement, handed to the GUI thread.
        g_framePipeline.stillReady = [this](int kind) {
            QMetaObject::invokeMethod(
                commands.get(), [this, kind] { commands->OnStillReady(kind); },
                Qt::QueuedConnection);
        };
        std::fill(frame.bytes.begin(), frame.bytes.end(), std::uint8_t{0x40});
    }
    void TearDown() override {
        commands.reset();
        SetMessageBoxResponder({});
        SetFileDialogResponder({});
        g_framePipeline.stillReady = nullptr;
        g_framePipeline.flags.stillRequest = 0;
        g_framePipeline.flags.recording = 0;
        ResetFramePipeline();
        g_liveShapes.shapes.clear();
        g_recording = CRecordingSession{};
    }

    void Deliver() {
        BufferCB(frame.View(sequence, static_cast<std::int64_t>(sequence) * 1000000));
        ++sequence;
        QApplication::processEvents();
    }

    void AddRectangle(double left, double top, double right, double bottom) {
        auto shape = std::make_unique<CVideoShap>();
        shape->kind = LiveKind::kRectangle;
        shape->lineColor = 0x0000FF;
        // The corners and where the label goes, as the live view completes it.
        shape->points = {{left, top}, {right, bottom}, {right + 2, bottom + 2}};
        g_liveShapes.shapes.push_back(std::move(shape));
    }

    // Runs `command`, which opens a modal dialog of type D; `use` works it.
    template <typename D>
    void WithDialog(const std::function<void()>& command, const std::function<void(D&)>& use) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            seen = true;
            use(*dialog);
            if (dialog->isVisible()) {
                dialog->reject();
            }
        });
        command();
        EXPECT_TRUE(seen);
    }

    void StartRecording(const QString& seconds) {
        WithDialog<CFileSizeDlg>([this] { commands->ToggleRecording(); },
                                 [&](CFileSizeDlg& dialog) {
                                     dialog.findChild<QLineEdit*>("timeLimit")->setText(seconds);
                                     dialog.accept();
                                 });
    }

    ScopedProgramFolder home;
    QWidget view;
    std::unique_ptr<CLiveCommands> commands;
    CTestFrame frame{kWidth, kHeight};
    std::uint64_t sequence = 0;
    bool cameraOpen = true;
    double zoom = 1.0;
    int refreshes = 0;
    bool refreshSucceeds = true;
    QList<bool> refreshResults;
    QStringList boxes;
    QStringList status;
};

bool IsLineColour(const CDib& picture, int x, int y) {
    const RgbQuad c = picture.PixelColor(x, y);
    return c.red == 255 && c.green == 0 && c.blue == 0;
}

TEST_F(LiveCommandsTest, SnapshotsLandWholeWithTheLiveShapesAndKeepTheExportOptions) {
    g_parameters.saveoption1 = 3; // the user's export options stay as they are
    g_parameters.saveoption2 = 0;
    AddRectangle(10, 10, 70, 50);
    Deliver();
    commands->TakeSnapshot();
    EXPECT_TRUE(commands->LastSavedPicture().isEmpty()); // waits for the next frame
    Deliver();
    const QString first = commands->LastSavedPicture();
    ASSERT_FALSE(first.isEmpty()) << boxes.join('\n').toStdString();
    EXPECT_EQ(QFileInfo(first).absolutePath(), g_folders.snapshotFolder);
    EXPECT_TRUE(first.endsWith(".bmp"));
    EXPECT_EQ(TakeAnnouncedPicture(), first);
    CDib picture;
    ASSERT_TRUE(picture.Load(first.toStdString(), ImageType::Bmp));
    EXPECT_EQ(picture.Width(), kWidth);
    EXPECT_EQ(picture.Height(), kHeight);
    EXPECT_TRUE(IsLineColour(picture, 10, 30));
    EXPECT_EQ(picture.PixelColor(40, 30).green, 0x40);
    EXPECT_EQ(g_parameters.saveoption1, 3);
    EXPECT_EQ(g_parameters.saveoption2, 0);

    // Another one straight away gets a file of its own, and so does a JPEG.
    commands->TakeSnapshot();
    Deliver();
    const QString second = commands->LastSavedPicture();
    EXPECT_NE(second, first);
    EXPECT_TRUE(second.endsWith(".bmp"));
    g_parameters.imageformat = 2;
    commands->TakeSnapshot();
    Deliver();
    EXPECT_TRUE(commands->LastSavedPicture().endsWith(".jpg"));
    const QDir folder(g_folders.snapshotFolder);
    EXPECT_EQ(folder.entryList({"*.bmp", "*.jpg"}, QDir::Files).size(), 3);
    // Each snapshot keeps the live measurements beside it, editable later.
    EXPECT_EQ(folder.entryList({"*.marnelo.json"}, QDir::Files).size(), 3);
    EXPECT_TRUE(QFileInfo::exists(first + ".marnelo.json"));
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(LiveCommandsTest, ASnapshotRequestedBeforeAnyFrameWaitsForOne) {
    commands->TakeSnapshot();
    Deliver(); // carries the request, nothing kept yet
    EXPECT_TRUE(commands->LastSavedPicture().isEmpty());
    Deliver();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !commands->LastSavedPicture().isEmpty(); }, 2000));
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(LiveCommandsTest, ExportsAtTheChosenSizeInTheFormatOfItsExtension) {
    zoom = 1.5;
    AddRectangle(10, 10, 70, 50);
    Deliver();
    const QString path = home.filePath("export.JPG");
    SetFileDialogResponder([&](const FileDialogRequest&) {
        return std::optional<FileDialogAnswer>(FileDialogAnswer{path, 1});
    });
    WithDialog<CExportOptionDlg>([this] { commands->ExportPicture(); },
                                 [](CExportOptionDlg& dialog) {
                                     dialog.findChild<QAbstractButton*>("currentRatio")->click();
                                     dialog.accept();
                                 });
    EXPECT_EQ(g_parameters.saveoption1, 4);
    Deliver();
    ASSERT_EQ(commands->LastSavedPicture(), path) << boxes.join('\n').toStdString();
    const QByteArray bytes = ReadFile(path);
    const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                             static_cast<std::size_t>(bytes.size()));
    EXPECT_TRUE(LooksLikeJpeg(data));
    CDib picture;
    ASSERT_TRUE(picture.Decode(data, ImageType::Jpeg));
    EXPECT_EQ(picture.Width(), 120); // the view's zoom
    EXPECT_EQ(picture.Height(), 90);
    // An export is scaled, so frame-pixel measurements would not fit it.
    EXPECT_FALSE(QFileInfo::exists(path + ".marnelo.json"));

    // Cancelling the save dialog requests nothing.
    SetFileDialogResponder([](const FileDialogRequest&) { return std::nullopt; });
    WithDialog<CExportOptionDlg>([this] { commands->ExportPicture(); },
                                 [](CExportOptionDlg& dialog) { dialog.accept(); });
    EXPECT_EQ(g_framePipeline.flags.stillRequest.load(), 0);
}

TEST_F(LiveCommandsTest, RecordsUntilTheLimitsCountedSecondsAndClosesTheFileOneTickLater) {
    cameraOpen = false;
    commands->ToggleRecording();
    ASSERT_EQ(boxes, QStringList{"Please Connect Device..."});
    boxes.clear();
    cameraOpen = true;

    Deliver();
    StartRecording("10");
    ASSERT_TRUE(commands->Recording()) << boxes.join('\n').toStdString();
    EXPECT_TRUE(commands->RecordingTimerActive());
    EXPECT_EQ(LiveViewParams().recordingNotice, "Recording...");
    commands->TakeSnapshot();
    EXPECT_EQ(boxes, QStringList{"Please stop record video and then capture"});
    EXPECT_EQ(g_framePipeline.flags.stillRequest.load(), 0);

    commands->RecordingTick(); // a second without frames is not counted
    EXPECT_EQ(status.last(), " 0 Seconds");
    for (int second = 1; second <= 10; ++second) {
        Deliver();
        commands->RecordingTick();
    }
    EXPECT_EQ(status.last(), "10 Seconds");
    EXPECT_EQ(g_framePipeline.flags.recording.load(), 1);
    Deliver();
    commands->RecordingTick(); // the eleventh counted second
    EXPECT_EQ(g_framePipeline.flags.recording.load(), 0);
    EXPECT_FALSE(commands->Recording());
    EXPECT_TRUE(LiveViewParams().recordingNotice.isEmpty());
    EXPECT_TRUE(status.last().isEmpty());
    ASSERT_TRUE(g_recording.recorder); // still open for one tick
    Deliver();
    commands->RecordingTick();
    EXPECT_FALSE(g_recording.recorder);
    EXPECT_FALSE(commands->RecordingTimerActive());
    const CReadBackVideo video = ReadBackVideo(g_recording.lastFile.toStdString());
    EXPECT_TRUE(video.error.empty()) << video.error;
    EXPECT_EQ(video.width, kWidth);
    EXPECT_GT(video.packetCount, 10u);
    EXPECT_EQ(boxes.size(), 1);
}

TEST_F(LiveCommandsTest, PressingStopWhileRecordingEndsAtTheNextTick) {
    Deliver();
    StartRecording("9999");
    ASSERT_TRUE(commands->Recording());
    Deliver();
    commands->RecordingTick();
    commands->ToggleRecording();
    commands->RecordingTick(); // no frame came, it stops all the same
    EXPECT_EQ(g_framePipeline.flags.recording.load(), 0);
    commands->RecordingTick();
    EXPECT_FALSE(g_recording.recorder);
    EXPECT_TRUE(QFileInfo::exists(g_recording.lastFile));
}

TEST_F(LiveCommandsTest, ReopeningTheCameraClosesARunningRecording) {
    Deliver();
    StartRecording("9999");
    ASSERT_TRUE(commands->Recording());
    Deliver();
    emit commands->PowerMonitor().resumed();
    EXPECT_EQ(refreshes, 1);
    EXPECT_FALSE(commands->Recording());
    EXPECT_FALSE(commands->RecordingTimerActive());
    EXPECT_FALSE(g_recording.recorder);
    EXPECT_TRUE(ReadBackVideo(g_recording.lastFile.toStdString()).error.empty());
    EXPECT_TRUE(LiveViewParams().recordingNotice.isEmpty());
}

TEST_F(LiveCommandsTest, DeviceChangesInABurstRefreshOnceAndFailuresReachTheWindow) {
    refreshSucceeds = false;
    for (int i = 0; i < 3; ++i) {
        emit commands->DeviceMonitor().devicesChanged();
        QTest::qWait(100);
    }
    EXPECT_EQ(refreshes, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return refreshes > 0; }, 3000));
    QTest::qWait(200);
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(refreshResults, QList<bool>{false});
}

} // namespace
