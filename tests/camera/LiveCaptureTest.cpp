#include "calibration/Calibration.h"
#include "camera/CameraRefresher.h"
#include "camera/LiveSnapshot.h"
#include "camera/RecordingTicker.h"
#include "capture/CaptureRefresh.h"
#include "core/Parameters.h"
#include "framework/QImageDrawSurface.h"
#include "tests/camera/FrameTestSupport.h"
#include "tests/capture/CaptureTestSupport.h"
#include "tests/capture/FakeCaptureBackend.h"
#include "tests/support/TestEnvironment.h"

#include <algorithm>
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Action = CRecordingTicker::Action;

// A frame copy of one grey level.
CStillFrame GreyFrame(int width, int height) {
    const CTestFrame shape(width, height);
    CStillFrame frame;
    frame.width = width;
    frame.height = height;
    frame.stride = shape.stride;
    frame.bgr.assign(shape.bytes.size(), 0x40);
    return frame;
}

CVideoShap Rectangle(double left, double top, double right, double bottom) {
    CVideoShap shape;
    shape.kind = LiveKind::kRectangle;
    shape.lineColor = 0x0000FF;
    shape.points = {{left, top}, {right, bottom}};
    return shape;
}

bool IsLineColour(const CDib& picture, int x, int y) {
    const RgbQuad c = picture.PixelColor(x, y);
    return c.red == 255 && c.green == 0 && c.blue == 0;
}

TEST(StillPicture, ScaledSizesRoundToWholePixels) {
    EXPECT_EQ(ScaledStillSize(0.33, {1281, 721}), QSize(423, 238));
    EXPECT_EQ(ScaledStillSize(0.5, {641, 3}), QSize(321, 2));
}

TEST(StillPicture, ImprintsTheLiveShapesAtThePictureScale) {
    const CStillFrame frame = GreyFrame(80, 60);
    const std::vector<CVideoShap> shapes{Rectangle(10, 10, 70, 50)};
    CStillRequest request;
    request.scale = 0.5;
    CDib picture;
    QString error;
    ASSERT_TRUE(
        ComposeStillPicture(frame, request, shapes, QImageSurfaceFactory(), picture, error));
    EXPECT_EQ(picture.Width(), 40);
    EXPECT_EQ(picture.Height(), 30);
    // The left edge at x 10 × 0.5, half way down; the inside stays grey.
    EXPECT_TRUE(IsLineColour(picture, 5, 15));
    EXPECT_EQ(picture.PixelColor(20, 15).green, 0x40);

    request.imprint = false;
    ASSERT_TRUE(
        ComposeStillPicture(frame, request, shapes, QImageSurfaceFactory(), picture, error));
    EXPECT_FALSE(IsLineColour(picture, 5, 15));

    // An export picture takes the size chosen in its dialog.
    request.resampleTo = QSize(30, 20);
    ASSERT_TRUE(
        ComposeStillPicture(frame, request, shapes, QImageSurfaceFactory(), picture, error));
    EXPECT_EQ(picture.Width(), 30);
    EXPECT_EQ(picture.Height(), 20);
}

// The longest horizontal run of pure green in the picture: the scale bar.
int LongestGreenRun(const CDib& picture) {
    int longest = 0;
    for (int y = 0; y < picture.Height(); ++y) {
        int run = 0;
        for (int x = 0; x < picture.Width(); ++x) {
            const RgbQuad c = picture.PixelColor(x, y);
            run = c.red == 0 && c.green == 255 && c.blue == 0 ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    }
    return longest;
}

TEST(StillPicture, TheScaleBarIsDrawnAtThePicturesOwnScale) {
    g_parameters = CParameters{};
    g_calibration = CCurrentCalibration{};
    g_parameters.linecolor = 0x00FF00;
    // 60 pixels per centimetre: a fifth of 1280 pixels is nearest 50 mm, 300 pixels.
    const CStillFrame frame = GreyFrame(1280, 720);
    CStillRequest request;
    CDib picture;
    QString error;
    ASSERT_TRUE(ComposeStillPicture(frame, request, {}, QImageSurfaceFactory(), picture, error));
    EXPECT_EQ(LongestGreenRun(picture), 0);

    request.scaleBar = true;
    request.imprint = false; // the bar is no measurement: it stays
    ASSERT_TRUE(ComposeStillPicture(frame, request, {}, QImageSurfaceFactory(), picture, error));
    EXPECT_NEAR(LongestGreenRun(picture), 300, 2);

    request.scale = 0.5;
    ASSERT_TRUE(ComposeStillPicture(frame, request, {}, QImageSurfaceFactory(), picture, error));
    EXPECT_NEAR(LongestGreenRun(picture), 150, 2);

    // Resampled to the export's size, the bar is drawn anew at that size,
    // not stretched with the picture.
    request.resampleTo = QSize(320, 180);
    ASSERT_TRUE(ComposeStillPicture(frame, request, {}, QImageSurfaceFactory(), picture, error));
    ASSERT_EQ(picture.Width(), 320);
    EXPECT_NEAR(LongestGreenRun(picture), 75, 2);
    g_parameters = CParameters{};
}

TEST(StillPicture, RefusesAnIncompleteFrame) {
    CStillFrame frame = GreyFrame(81, 10);
    frame.bgr.resize(frame.bgr.size() - 1);
    CDib picture;
    QString error;
    EXPECT_FALSE(ComposeStillPicture(frame, {}, {}, QImageSurfaceFactory(), picture, error));
    EXPECT_FALSE(error.isEmpty());
    frame = GreyFrame(81, 10);
    frame.stride = 81 * 3;
    EXPECT_FALSE(ComposeStillPicture(frame, {}, {}, QImageSurfaceFactory(), picture, error));
    frame = GreyFrame(81, 10);
    CStillRequest tiny;
    tiny.scale = 0.01; // rounds to no pixels at all
    EXPECT_FALSE(ComposeStillPicture(frame, tiny, {}, QImageSurfaceFactory(), picture, error));
}

TEST(StillPicture, CarriesTheFrameScaleAtItsOwnSize) {
    const CStillFrame frame = GreyFrame(80, 60);
    const CPictureScale frameScale{120.0, "um", "Lens 10x"};
    const struct {
        double scale;
        std::optional<QSize> resampleTo;
        double pixelsPerCentimetre;
    } cases[] = {{1.0, std::nullopt, 120.0}, {0.5, std::nullopt, 60.0}, {1.0, QSize(20, 15), 30.0}};
    for (const auto& c : cases) {
        CStillRequest request;
        request.scale = c.scale;
        request.resampleTo = c.resampleTo;
        request.frameScale = frameScale;
        CDib picture;
        QString error;
        ASSERT_TRUE(
            ComposeStillPicture(frame, request, {}, QImageSurfaceFactory(), picture, error));
        ASSERT_TRUE(picture.Scale().has_value()) << c.scale;
        EXPECT_DOUBLE_EQ(picture.Scale()->pixelsPerCentimetre, c.pixelsPerCentimetre);
        EXPECT_EQ(picture.Scale()->unit, "um");
        EXPECT_EQ(picture.Scale()->calibrationName, "Lens 10x");
    }
    CDib uncalibrated;
    QString error;
    ASSERT_TRUE(ComposeStillPicture(frame, CStillRequest{}, {}, QImageSurfaceFactory(),
                                    uncalibrated, error));
    EXPECT_FALSE(uncalibrated.Scale().has_value());

    // Snapshots written as TIFF and PNG keep it in the file.
    QTemporaryDir dir;
    for (const ImageType type : {ImageType::Tiff, ImageType::Png}) {
        CStillRequest request;
        request.type = type;
        request.frameScale = frameScale;
        const QString path = SaveStillPicture(frame, request, {}, QImageSurfaceFactory(),
                                              dir.path(), QDateTime::currentDateTime(), error);
        ASSERT_FALSE(path.isEmpty()) << error.toStdString();
        CDib written;
        ASSERT_TRUE(written.Load(path.toStdString(), type)) << path.toStdString();
        EXPECT_EQ(written.Scale(), frameScale) << path.toStdString();
    }
}

TEST(StillPicture, SnapshotsInOneSecondNeverReplaceEachOther) {
    QTemporaryDir dir;
    const QDateTime when(QDate(2026, 12, 8), QTime(14, 30, 5));
    const struct {
        ImageType type;
        const char* name;
    } names[] = {{ImageType::Jpeg, "20261208143005.jpg"},
                 {ImageType::Bmp, "20261208143005.bmp"},
                 {ImageType::Tiff, "20261208143005.tif"},
                 {ImageType::Png, "20261208143005.png"}};
    for (const auto& n : names) {
        EXPECT_EQ(SnapshotFileName(dir.path(), when, n.type), dir.filePath(n.name));
        // An export path's extension gives back the same kind.
        EXPECT_EQ(StillTypeForPath(dir.filePath(n.name)), n.type);
    }
    EXPECT_EQ(StillTypeForPath("/p/a.gif"), ImageType::Jpeg);

    const CStillFrame frame = GreyFrame(8, 6);
    const CStillRequest request;
    QString error;
    const auto save = [&](const QString& folder) {
        return SaveStillPicture(frame, request, {}, QImageSurfaceFactory(), folder, when, error);
    };
    EXPECT_EQ(save(dir.path()), dir.filePath("20261208143005.jpg"));
    EXPECT_EQ(save(dir.path()), dir.filePath("20261208143005-1.jpg"));
    EXPECT_EQ(save(dir.path()), dir.filePath("20261208143005-2.jpg"));
    // A folder that is gone: nothing written, no endless search.
    EXPECT_TRUE(save(dir.filePath("gone")).isEmpty());
    EXPECT_FALSE(error.isEmpty());
}

TEST(RecordingTick, CountsOnlySecondsWithWrittenFramesAndStopsInTwoTicks) {
    CRecordingTicker ticker;
    EXPECT_EQ(ticker.Tick(true, false), Action::None);
    ticker.Start(10);
    EXPECT_EQ(ticker.Tick(false, false), Action::ShowElapsed); // no frame: not counted
    EXPECT_EQ(ticker.Elapsed(), 0);
    for (int second = 1; second <= 10; ++second) {
        EXPECT_EQ(ticker.Tick(true, false), Action::ShowElapsed);
        EXPECT_EQ(ticker.Elapsed(), second);
    }
    // The eleventh counted second ends the writing, the next tick the file.
    EXPECT_EQ(ticker.Tick(true, false), Action::StopWriting);
    EXPECT_FALSE(ticker.Writing());
    EXPECT_TRUE(ticker.Active());
    EXPECT_EQ(ticker.Tick(false, false), Action::ReleaseWriter);
    EXPECT_FALSE(ticker.Active());
    EXPECT_EQ(ticker.Tick(true, false), Action::None);
}

TEST(RecordingTick, StopRequestsAndFailuresEndTheRecording) {
    CRecordingTicker ticker;
    ticker.Start(9999);
    EXPECT_EQ(ticker.Tick(true, false), Action::ShowElapsed);
    ticker.RequestStop();
    // Ends at the next tick even when the camera sends nothing any more.
    EXPECT_EQ(ticker.Tick(false, false), Action::StopWriting);
    ticker.RequestStop(); // pressed again while closing: no change
    EXPECT_EQ(ticker.Tick(true, false), Action::ReleaseWriter);

    ticker.Start(10);
    EXPECT_EQ(ticker.Tick(true, false), Action::ShowElapsed);
    EXPECT_EQ(ticker.Tick(true, true), Action::Abandon);
    EXPECT_FALSE(ticker.Active());

    // A limit read as 0 from the dialog still records its first second.
    ticker.Start(0);
    EXPECT_EQ(ticker.Tick(false, false), Action::ShowElapsed);
    EXPECT_EQ(ticker.Tick(true, false), Action::StopWriting);

    EXPECT_EQ(RecordingStatusText(5, "Seconds"), " 5 Seconds");
    EXPECT_EQ(RecordingStatusText(123, "s"), "123 s");
}

TEST(CameraRefresh, ABurstOfDeviceChangesRefreshesOnce) {
    int refreshes = 0;
    bool answer = true;
    CCameraRefresher refresher(
        [&] {
            ++refreshes;
            return answer;
        },
        200);
    QList<bool> results;
    QObject::connect(&refresher, &CCameraRefresher::refreshed, [&](bool ok) { results << ok; });
    for (int i = 0; i < 3; ++i) {
        refresher.DevicesChanged();
        QTest::qWait(50);
    }
    EXPECT_EQ(refreshes, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return refreshes > 0; }, 2000));
    QTest::qWait(300);
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(results, QList<bool>{true});

    // Waking refreshes at once and takes a pending change with it.
    answer = false;
    refresher.DevicesChanged();
    refresher.PowerResumed();
    EXPECT_EQ(refreshes, 2);
    EXPECT_FALSE(refresher.Pending());
    EXPECT_EQ(results, (QList<bool>{true, false}));
}

TEST(CameraRefresh, AnUnpluggedCameraIsFoundAgainByItsIdWhenPluggedBackIn) {
    ScopedProgramFolder folder;
    auto log = std::make_shared<FakeCaptureLog>();
    std::vector<std::unique_ptr<ICaptureBackend>> backends;
    backends.push_back(std::make_unique<FakeCaptureBackend>(log));
    ResetCaptureState(std::move(backends));
    log->scripts["usb-b"] = MakeFakeCamera("usb-b", "Scope");
    CreateDeviceEnumerator();
    EnumerateVideoDevices();
    ChooseVideoDevice(0);
    ASSERT_EQ(BindSelectedDevice(), 1);
    const std::string id = ChosenDeviceId();
    ASSERT_FALSE(id.empty());

    CLiveCameraHold hold;
    ASSERT_TRUE(ReopenLiveCamera(hold));
    EXPECT_EQ(hold.cameraId, id);
    ASSERT_NE(g_captureSession.camera, nullptr);
    EXPECT_TRUE(g_captureSession.camera->IsStreaming());

    const FakeCameraScript unplugged = log->scripts["usb-b"];
    log->scripts.erase("usb-b");
    EXPECT_FALSE(ReopenLiveCamera(hold));
    EXPECT_EQ(g_captureSession.camera, nullptr);
    EXPECT_FALSE(ReopenLiveCamera(hold)); // still gone: the id is kept

    // Back in, now behind another camera: the same one is opened again.
    log->scripts["usb-a"] = MakeFakeCamera("usb-a", "Scope");
    log->scripts["usb-b"] = unplugged;
    log->calls.clear();
    ASSERT_TRUE(ReopenLiveCamera(hold));
    EXPECT_EQ(ChosenDeviceId(), id);
    EXPECT_NE(std::find(log->calls.begin(), log->calls.end(), "Open usb-b"), log->calls.end());
    EXPECT_EQ(std::find(log->calls.begin(), log->calls.end(), "Open usb-a"), log->calls.end());
    EXPECT_TRUE(g_captureSession.camera->IsStreaming());
    ResetCaptureState();
}

} // namespace
