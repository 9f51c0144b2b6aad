#include "timelapse/TimeLapse.h"

#include "capture/CaptureSession.h"
#include "tests/capture/CaptureTestSupport.h"
#include "tests/capture/FakeCaptureBackend.h"
#include "tests/support/TestEnvironment.h"
#include "timelapse/CTimeLapseController.h"
#include "timelapse/SnapshotFiles.h"

#include <cstring>
#include <gtest/gtest.h>
#include <mutex>

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

using namespace std::chrono_literals;

TimeLapseTime Seconds(double s) {
    return TimeLapseTime(static_cast<long long>(s * 1000));
}

TEST(TimeLapsePlan, CountsPicturesByCountOrDurationAndRefusesPlansThatCannotRun) {
    EXPECT_EQ((CTimeLapsePlan{10s, 5, 0s}.Pictures()), 5);
    EXPECT_EQ((CTimeLapsePlan{10s, 0, 60s}.Pictures()), 7); // at 0, 10, ... 60 s
    EXPECT_EQ((CTimeLapsePlan{10s, 0, 59s}.Pictures()), 6);
    EXPECT_EQ((CTimeLapsePlan{10s, 0, 0s}.Pictures()), 0);
    EXPECT_EQ((CTimeLapsePlan{0s, 5, 0s}.Pictures()), 0);
    EXPECT_EQ((CTimeLapsePlan{10ms, 5, 0s}.Pictures()), 0);
    EXPECT_EQ((CTimeLapsePlan{24h * 8, 5, 0s}.Pictures()), 0);
    EXPECT_EQ((CTimeLapsePlan{1s, CTimeLapsePlan::kMaxPictures + 1, 0s}.Pictures()), 0);
    EXPECT_EQ((CTimeLapsePlan{1s, 0, 24h * 7}.Pictures()), 0);
    EXPECT_EQ((CTimeLapsePlan{1s, -3, 0s}.Pictures()), 0);
}

TEST(TimeLapseSchedule, AsksForEachPictureAtItsMomentOnAFakeClock) {
    const TimeLapseTime start = Seconds(1000);
    CTimeLapseSchedule schedule(CTimeLapsePlan{10s, 3, 0s}, start);
    EXPECT_EQ(schedule.Due(start - 1ms), std::nullopt);
    EXPECT_EQ(schedule.Due(start), 1);
    EXPECT_EQ(schedule.Due(start), std::nullopt) << "no second picture before the first is done";
    schedule.Record(TimeLapseShot::Written);
    EXPECT_EQ(schedule.NextAt(), start + 10s);
    EXPECT_EQ(schedule.Due(start + 9999ms), std::nullopt);
    EXPECT_EQ(schedule.Due(start + 10s), 2);
    schedule.Record(TimeLapseShot::Written);
    EXPECT_FALSE(schedule.Finished());
    EXPECT_EQ(schedule.Due(start + 20500ms), 3);
    schedule.Record(TimeLapseShot::Written);
    EXPECT_TRUE(schedule.Finished());
    EXPECT_EQ(schedule.NextAt(), std::nullopt);
    EXPECT_EQ(schedule.Due(start + 1h), std::nullopt);
    EXPECT_EQ(schedule.Taken(), 3);
    EXPECT_EQ(schedule.Missed(), 0);
}

TEST(TimeLapseSchedule, MomentsPassedOrWithoutCameraAreMissedAndNumbersKeepTheirTime) {
    CTimeLapseSchedule schedule(CTimeLapsePlan{10s, 0, 60s}, 0s);
    ASSERT_EQ(schedule.Total(), 7);
    ASSERT_EQ(schedule.Due(0s), 1);
    schedule.Record(TimeLapseShot::Written);
    // Held up until 35 s: pictures 2 and 3 are lost, 4 is taken late.
    EXPECT_EQ(schedule.Due(35s), 4);
    schedule.Record(TimeLapseShot::Written);
    EXPECT_EQ(schedule.Missed(), 2);
    EXPECT_EQ(schedule.NextAt(), 40s);
    EXPECT_EQ(schedule.Due(40s), 5);
    schedule.Record(TimeLapseShot::CameraGone);
    EXPECT_EQ(schedule.LastShot(), TimeLapseShot::CameraGone);
    EXPECT_EQ(schedule.Due(50s), 6);
    schedule.Record(TimeLapseShot::WriteFailed);
    // Long after the end only the last picture is asked for.
    EXPECT_EQ(schedule.Due(1h), 7);
    schedule.Record(TimeLapseShot::Written);
    EXPECT_TRUE(schedule.Finished());
    EXPECT_EQ(schedule.Taken(), 3);
    EXPECT_EQ(schedule.Missed(), 3);
    EXPECT_EQ(schedule.Failed(), 1);
}

TEST(SnapshotFiles, SeriesAreNumberedBeforeTheExtension) {
    QTemporaryDir dir;
    EXPECT_EQ(NumberedPath(dir.filePath("shot.jpg"), 7), dir.filePath("shot-0007.jpg"));
    EXPECT_EQ(NumberedPath(dir.filePath("bare"), 12), dir.filePath("bare-0012"));
}

CDib GreyPicture(int width, int height, int level) {
    CDib picture;
    picture.Create(width, height, 24);
    std::memset(picture.Bits(), level, picture.ImageSize());
    return picture;
}

// A controller on a fake clock whose time the test moves.
struct FakeClockRun {
    TimeLapseTime now{5000};
    CTimeLapseController::Clock Clock() {
        return [this] {
            return now;
        };
    }
};

TEST(TimeLapseController, WritesNumberedPicturesOnTimeWithoutReplacingAny) {
    QTemporaryDir dir;
    CTimeLapseSettings settings{CTimeLapsePlan{10s, 3, 0s}, dir.path(), "lapse", 1};
    WriteFile(dir.filePath("lapse-0002.bmp"), "someone else's");
    FakeClockRun clock;
    int grabs = 0;
    CTimeLapseController controller(
        settings,
        [&]() -> std::optional<CDib> {
            ++grabs;
            return GreyPicture(64, 48, 40 * grabs);
        },
        nullptr, clock.Clock());
    QSignalSpy saved(&controller, &CTimeLapseController::pictureSaved);
    QSignalSpy finished(&controller, &CTimeLapseController::finished);

    ASSERT_TRUE(controller.Start());
    EXPECT_FALSE(controller.Start());
    EXPECT_EQ(grabs, 1) << "the first picture is taken at once";
    EXPECT_EQ(controller.ProgressText(), "Time-lapse 1/3, next picture in 00:10");
    clock.now += 3500ms;
    controller.Tick();
    EXPECT_EQ(grabs, 1);
    EXPECT_EQ(controller.ProgressText(), "Time-lapse 1/3, next picture in 00:07");
    clock.now += 6500ms;
    controller.Tick();
    clock.now += 10s;
    controller.Tick();

    EXPECT_EQ(grabs, 3);
    EXPECT_FALSE(controller.IsRunning());
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished[0][0].toString(), "Time-lapse: 3 of 3 pictures taken");
    ASSERT_EQ(saved.size(), 3);
    EXPECT_EQ(saved[0][0].toString(), dir.filePath("lapse-0001.bmp"));
    EXPECT_EQ(saved[1][0].toString(), dir.filePath("lapse-0002-2.bmp"));
    EXPECT_EQ(saved[2][0].toString(), dir.filePath("lapse-0003.bmp"));
    EXPECT_EQ(ReadFile(dir.filePath("lapse-0002.bmp")), "someone else's");
    CDib third;
    ASSERT_TRUE(third.Load(dir.filePath("lapse-0003.bmp").toStdString(), ImageType::Bmp));
    EXPECT_EQ(third.Width(), 64);
    EXPECT_EQ(third.Bits()[0], 120);
}

TEST(TimeLapseController, TiffAndPngPicturesCarryTheGrabbedPicturesScale) {
    QTemporaryDir dir;
    const CPictureScale scale{320.0, "um", "Lens 20x"};
    const struct {
        int format;
        const char* name;
        ImageType type;
    } cases[] = {{3, "lapse-0001.tif", ImageType::Tiff}, {4, "lapse-0001.png", ImageType::Png}};
    for (const auto& c : cases) {
        FakeClockRun clock;
        CTimeLapseController controller(
            CTimeLapseSettings{CTimeLapsePlan{1s, 1, 0s}, dir.path(), "lapse", c.format},
            [&scale] {
                CDib picture = GreyPicture(16, 12, 90);
                picture.SetScale(scale);
                return std::optional<CDib>(picture);
            },
            nullptr, clock.Clock());
        ASSERT_TRUE(controller.Start());
        CDib written;
        ASSERT_TRUE(written.Load(dir.filePath(c.name).toStdString(), ImageType::Unknown)) << c.name;
        EXPECT_EQ(written.Type(), c.type);
        EXPECT_EQ(written.Scale(), scale) << c.name;
    }
}

TEST(TimeLapseController, StopEndsTheSeriesAndAFolderThatCannotBeWrittenCountsAsFailed) {
    QTemporaryDir dir;
    CTimeLapseSettings settings{CTimeLapsePlan{1s, 0, 1h}, dir.filePath("gone"), "x", 2};
    FakeClockRun clock;
    CTimeLapseController controller(
        settings, [] { return std::optional<CDib>(GreyPicture(8, 8, 0)); }, nullptr, clock.Clock());
    QSignalSpy finished(&controller, &CTimeLapseController::finished);
    ASSERT_TRUE(controller.Start());
    clock.now += 1s;
    controller.Tick();
    controller.Stop();
    EXPECT_FALSE(controller.IsRunning());
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished[0][0].toString(),
              "Time-lapse: 0 of 3601 pictures taken, 2 could not be written");
    clock.now += 1s;
    controller.Tick();
    controller.Stop();
    EXPECT_EQ(finished.size(), 1);
    EXPECT_EQ(controller.Schedule().Failed(), 2);
}

// The live window's camera: the scripted fake, opened through the capture
// session; the newest whole frame is kept as the live view keeps it.
class TimeLapseCameraTest : public ::testing::Test {
protected:
    void SetUp() override {
        log = std::make_shared<FakeCaptureLog>();
        log->scripts["usb-a"] = MakeFakeCamera("usb-a", "Scope");
        std::vector<std::unique_ptr<ICaptureBackend>> backends;
        backends.push_back(std::make_unique<FakeCaptureBackend>(log));
        ResetCaptureState(std::move(backends));
        g_captureSession.frameCallback.onFrame = [this](const CaptureFrame& frame) {
            std::lock_guard lock(mutex);
            latest.Create(frame.width, frame.height, 24);
            std::memcpy(latest.Bits(), frame.bgr, std::min(frame.bytes, latest.ImageSize()));
        };
    }
    void TearDown() override { ResetCaptureState(); }

    bool Plug() {
        CreateDeviceEnumerator();
        EnumerateVideoDevices();
        ChooseVideoDevice(0);
        return BindSelectedDevice() != 0 && BuildCaptureGraph() != 0 && RunCaptureGraph() != 0;
    }
    // The camera goes away as the live view sees it: the loss, then closing.
    void Unplug() {
        log->callbacks.onLost("unplugged");
        QCoreApplication::sendPostedEvents();
        CloseCaptureGraph();
        std::lock_guard lock(mutex);
        latest = CDib();
    }
    void Deliver(int level) {
        std::vector<std::uint8_t> bgr(static_cast<std::size_t>(BgrStride(64)) * 48,
                                      static_cast<std::uint8_t>(level));
        CaptureFrame frame;
        frame.bgr = bgr.data();
        frame.bytes = bgr.size();
        frame.width = 64;
        frame.height = 48;
        frame.stride = BgrStride(64);
        log->callbacks.onFrame(frame);
    }
    std::optional<CDib> Grab() {
        std::lock_guard lock(mutex);
        if (g_captureSession.running == 0 || !latest.IsValid()) {
            return std::nullopt;
        }
        CDib copy;
        copy.CopyFrom(latest);
        return copy;
    }

    ScopedProgramFolder home;
    LiveViewStandIn liveView;
    std::shared_ptr<FakeCaptureLog> log;
    std::mutex mutex;
    CDib latest;
};

TEST_F(TimeLapseCameraTest, WaitsThroughAnUnplugAndGoesOnWhenTheCameraIsBack) {
    QTemporaryDir dir;
    FakeClockRun clock;
    CTimeLapseController controller(
        CTimeLapseSettings{CTimeLapsePlan{10s, 5, 0s}, dir.path(), "scope", 2},
        [this] { return Grab(); }, nullptr, clock.Clock());
    QSignalSpy saved(&controller, &CTimeLapseController::pictureSaved);
    QSignalSpy finished(&controller, &CTimeLapseController::finished);
    ASSERT_TRUE(Plug());
    Deliver(50);
    ASSERT_TRUE(controller.Start());

    Unplug();
    clock.now += 10s;
    controller.Tick();
    EXPECT_EQ(controller.ProgressText(),
              "Time-lapse 2/5: the camera is gone, waiting for it (1 missed)");
    clock.now += 10s;
    controller.Tick();
    EXPECT_TRUE(controller.IsRunning());

    ASSERT_TRUE(Plug());
    Deliver(200);
    clock.now += 10s;
    controller.Tick();
    EXPECT_EQ(controller.ProgressText(), "Time-lapse 4/5, next picture in 00:10");
    clock.now += 10s;
    controller.Tick();

    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished[0][0].toString(), "Time-lapse: 3 of 5 pictures taken, 2 missed");
    QStringList names;
    for (const auto& signal : saved) {
        names << QFileInfo(signal[0].toString()).fileName();
    }
    EXPECT_EQ(names, (QStringList{"scope-0001.jpg", "scope-0004.jpg", "scope-0005.jpg"}));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), names);
    CDib resumed;
    ASSERT_TRUE(resumed.Load(dir.filePath("scope-0004.jpg").toStdString(), ImageType::Jpeg));
    EXPECT_NEAR(resumed.Bits()[0], 200, 3);
}

} // namespace
