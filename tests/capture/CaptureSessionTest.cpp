#include "capture/CaptureSession.h"

#include "capture/VirtualMicroscope.h"
#include "core/Parameters.h"
#include "tests/capture/CaptureTestSupport.h"
#include "tests/capture/FakeCaptureBackend.h"
#include "tests/support/TestEnvironment.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;

namespace {

class CaptureSessionTest : public ::testing::Test {
protected:
    void SetUp() override { Install(true); }
    void TearDown() override { ResetCaptureState(); }

    void Install(bool listable) {
        log = std::make_shared<FakeCaptureLog>();
        std::vector<std::unique_ptr<ICaptureBackend>> backends;
        backends.push_back(std::make_unique<FakeCaptureBackend>(log, listable));
        ResetCaptureState(std::move(backends));
    }

    FakeCameraScript& AddCamera(const std::string& id, const std::string& name, bool still = true) {
        log->scripts[id] = MakeFakeCamera(id, name, still);
        return log->scripts[id];
    }

    // The live view's opening order; the number of steps that succeeded.
    int Open(int slot) {
        CreateDeviceEnumerator();
        EnumerateVideoDevices();
        ChooseVideoDevice(slot);
        if (BindSelectedDevice() == 0) {
            return 0;
        }
        if (BuildCaptureGraph() == 0) {
            return 1;
        }
        CreateFrameSurface();
        return RunCaptureGraph() == 0 ? 2 : 3;
    }

    void StoreConfig(const CaptureFormat& format) {
        const CCaptureConfigBlock block = EncodeCaptureConfig(format);
        WriteFile(folder.filePath("CapConfig.dat"),
                  QByteArray(reinterpret_cast<const char*>(block.data()), kCaptureConfigBytes));
    }

    ScopedProgramFolder folder;
    std::shared_ptr<FakeCaptureLog> log;
};

TEST_F(CaptureSessionTest, ListsCamerasSortedByIdWithTheVirtualMicroscopeLast) {
    AddCamera("usb-b", "Scope");
    AddCamera("usb-a", "Scope"); // same friendly name: its own slot
    EXPECT_EQ(EnumerateVideoDevices(), 0) << "nothing is listed before the enumerator exists";

    CreateDeviceEnumerator();
    ASSERT_EQ(EnumerateVideoDevices(), 1);
    const auto& devices = g_captureSession.devices;
    EXPECT_EQ(g_captureSession.deviceCount, 3);
    EXPECT_EQ(devices[0].displayName, "usb-a");
    EXPECT_EQ(devices[1].displayName, "usb-b");
    EXPECT_EQ(devices[0].friendlyName, devices[1].friendlyName);
    EXPECT_EQ(devices[2].displayName, VirtualMicroscope::kId);
    EXPECT_EQ(devices[2].friendlyName, VirtualMicroscope::kName);
    EXPECT_EQ(devices[2].index, 2);
    EXPECT_EQ(devices[3].index, -1);

    // Each of the two same-named cameras binds its own device.
    ChooseVideoDevice(1);
    ASSERT_EQ(BindSelectedDevice(), 1);
    EXPECT_EQ(g_captureSession.camera->Info().id, "usb-b");
}

TEST_F(CaptureSessionTest, KeepsTenSlotsAndGivesTheVirtualMicroscopeOnlyARemainingOne) {
    for (int i = 11; i >= 0; --i) {
        AddCamera("cam" + std::string(1, static_cast<char>('a' + i)), "Camera");
    }
    CreateDeviceEnumerator();
    ASSERT_EQ(EnumerateVideoDevices(), 1);
    EXPECT_EQ(g_captureSession.deviceCount, kMaxVideoDevices);
    EXPECT_EQ(g_captureSession.devices[0].displayName, "cama");
    EXPECT_EQ(g_captureSession.devices[9].displayName, "camj");

    log->scripts.erase("camk");
    log->scripts.erase("caml");
    log->scripts.erase("camj");
    ASSERT_EQ(EnumerateVideoDevices(), 1);
    EXPECT_EQ(g_captureSession.deviceCount, kMaxVideoDevices);
    EXPECT_EQ(g_captureSession.devices[9].displayName, VirtualMicroscope::kId);
}

TEST_F(CaptureSessionTest, NothingListableLeavesTheListAsItWas) {
    AddCamera("usb-a", "Scope");
    CreateDeviceEnumerator();
    ASSERT_EQ(EnumerateVideoDevices(), 1);

    Install(false);
    g_captureBackends.virtualMicroscope.reset();
    g_captureSession.devices[0].displayName = "kept";
    g_captureSession.deviceCount = 2;
    CreateDeviceEnumerator();
    EXPECT_EQ(EnumerateVideoDevices(), 0);
    EXPECT_EQ(g_captureSession.devices[0].displayName, "kept");
    EXPECT_EQ(g_captureSession.deviceCount, 2);
}

TEST_F(CaptureSessionTest, OpensInOrderAndClosesInOrder) {
    AddCamera("usb-a", "Scope");
    g_captureSession.zoom = 0.5;
    int frames = 0;
    g_captureSession.frameCallback.onFrame = [&frames](const CaptureFrame&) {
        ++frames;
    };
    ASSERT_EQ(Open(0), 3);

    EXPECT_EQ(g_captureShared.frameWidth, 640u);
    EXPECT_EQ(g_parameters.videoformat, 3) << "a YUYV camera reads as YUY2";
    EXPECT_EQ(g_captureShared.stillPinAvailable, 1);
    EXPECT_EQ(g_captureSession.built, 1);
    EXPECT_EQ(g_captureSession.running, 1);
    EXPECT_EQ(g_captureSession.surfaceWidth, 320);
    EXPECT_EQ(g_captureSession.surfaceHeight, 240);
    EXPECT_EQ(g_captureSession.frameCallback.width, 640);
    EXPECT_THAT(log->calls, ElementsAre("Open usb-a", "SetFormat YUYV 640x480", "Start usb-a"));
    ASSERT_TRUE(log->callbacks.onFrame);
    log->callbacks.onFrame(CaptureFrame{});
    EXPECT_EQ(frames, 1);

    EXPECT_EQ(RunCaptureGraph(), 1);
    EXPECT_EQ(BuildCaptureGraph(), 1) << "already built";
    CloseCaptureGraph();
    EXPECT_EQ(g_captureSession.built, 0);
    EXPECT_EQ(g_captureSession.running, 0);
    EXPECT_EQ(g_captureSession.camera, nullptr);
    EXPECT_FALSE(g_captureSession.surface);
    EXPECT_THAT(log->calls, ElementsAre("Open usb-a", "SetFormat YUYV 640x480", "Start usb-a",
                                        "Stop usb-a", "Stop usb-a", "Close usb-a"));
}

TEST_F(CaptureSessionTest, BindingFailsWithoutACameraToOpen) {
    AddCamera("usb-a", "Scope").openFails = true;
    EXPECT_EQ(Open(0), 0);
    EXPECT_EQ(g_captureSession.startStatus.message.rfind("Scope: ", 0), 0u)
        << "the backend's reason, naming the camera: " << g_captureSession.startStatus.message;
    EXPECT_EQ(g_captureSession.camera, nullptr);
    EXPECT_FALSE(g_captureSession.graph);
    EXPECT_EQ(g_captureSession.built, 0);

    for (int slot : {-1, 5, 10}) {
        ChooseVideoDevice(slot);
        EXPECT_EQ(g_captureSession.chosen, nullptr) << slot;
        EXPECT_EQ(BindSelectedDevice(), 0) << slot;
    }
    EXPECT_EQ(BuildCaptureGraph(), 0) << "nothing bound";
    EXPECT_EQ(RunCaptureGraph(), 0) << "nothing built";
}

TEST_F(CaptureSessionTest, StoredFormatIsAppliedWhenTheCameraOffersIt) {
    AddCamera("usb-a", "Scope");
    StoreConfig({Fourcc::kMJPG, 1280, 720, {1, 15}});
    ASSERT_EQ(Open(0), 3);
    EXPECT_EQ(log->calls[1], "SetFormat MJPG 1280x720");
    EXPECT_EQ(log->scripts["usb-a"].current.interval, (FrameInterval{1, 15}));
    EXPECT_EQ(g_captureShared.frameWidth, 1280u);
    EXPECT_EQ(g_captureShared.frameHeight, 720u);
    EXPECT_EQ(g_captureSession.frameCallback.height, 720);
    EXPECT_EQ(g_parameters.videoformat, 5);
}

TEST_F(CaptureSessionTest, StoredFormatOfAnotherCameraFallsBackToTheCurrentFormat) {
    AddCamera("usb-a", "Scope");
    StoreConfig({Fourcc::kMJPG, 2592, 1944, {1, 15}});
    ASSERT_EQ(Open(0), 3);
    EXPECT_EQ(log->calls[1], "SetFormat YUYV 640x480");
    EXPECT_EQ(g_captureShared.frameWidth, 640u);
    EXPECT_EQ(DecodeCaptureConfig(g_captureSession.captureConfig).width, 640);
}

TEST_F(CaptureSessionTest, RefusedFormatKeepsTheCamerasOwnAndTheFrameSizeFollowsIt) {
    AddCamera("usb-a", "Scope").setFormatRefusals = 2;
    StoreConfig({Fourcc::kMJPG, 1280, 720, {1, 30}});
    ASSERT_EQ(Open(0), 3);
    EXPECT_THAT(log->calls, ElementsAre("Open usb-a", "SetFormat MJPG 1280x720",
                                        "SetFormat MJPG 1280x720", "Start usb-a"));
    EXPECT_EQ(g_captureShared.frameWidth, 640u);
    EXPECT_EQ(g_captureShared.frameHeight, 480u);
    EXPECT_EQ(g_captureSession.frameCallback.width, 640);
}

TEST_F(CaptureSessionTest, CameraWithoutFormatControlKeepsTheLastFrameSize) {
    AddCamera("usb-a", "Scope").formatControl = false;
    g_captureShared.frameWidth = 800;
    g_captureShared.frameHeight = 600;
    ASSERT_EQ(Open(0), 3);
    EXPECT_THAT(log->calls, ElementsAre("Open usb-a", "Start usb-a"));
    EXPECT_EQ(g_captureShared.frameWidth, 800u);
    EXPECT_EQ(PrepareFormatPage(), 0) << "no format page to show";
    EXPECT_EQ(g_captureSession.running, 1);
}

TEST_F(CaptureSessionTest, FailedStartStillCountsAsRunningUntilStopped) {
    AddCamera("usb-a", "Scope").startFails = true;
    ASSERT_EQ(Open(0), 3);
    EXPECT_EQ(g_captureSession.running, 1);
    EXPECT_FALSE(CaptureStarted());
    EXPECT_EQ(g_captureSession.startStatus.message.rfind("Scope: ", 0), 0u)
        << "the reason names the camera: " << g_captureSession.startStatus.message;
    EXPECT_EQ(RunCaptureGraph(), 1);
    EXPECT_THAT(log->calls,
                ElementsAre("Open usb-a", "SetFormat YUYV 640x480", "Start usb-a", "Stop usb-a"));
    StopCaptureGraph();
    log->scripts["usb-a"].startFails = false;
    EXPECT_EQ(RunCaptureGraph(), 1);
    EXPECT_TRUE(CaptureStarted());
    EXPECT_EQ(log->calls.back(), "Start usb-a");
    EXPECT_TRUE(log->callbacks.onFrame == nullptr) << "no branch was built again";
}

TEST_F(CaptureSessionTest, StillBranchNeedsAStillSourceAndTheSetting) {
    struct Case {
        bool still;
        int setting;
        bool branch;
    };
    for (const Case& c : {Case{false, 1, false}, Case{true, 0, false}, Case{true, 1, true}}) {
        Install(true);
        AddCamera("usb-a", "Scope", c.still);
        g_parameters.snapshot = c.setting;
        g_captureSession.stillCallback = [](const CaptureFrame&) {
        };
        ASSERT_EQ(Open(0), 3);
        EXPECT_EQ(g_captureShared.stillPinAvailable, c.still ? 1 : 0);
        EXPECT_EQ(g_captureSession.stillBranch, c.branch);
        EXPECT_EQ(static_cast<bool>(log->callbacks.onStill), c.branch);
        EXPECT_EQ(BuildStillBranch(), c.still ? 0 : -2);
    }
}

TEST_F(CaptureSessionTest, LostCameraRaisesAGraphEventForTheLiveView) {
    AddCamera("usb-a", "Scope");
    LiveViewStandIn view;
    ASSERT_EQ(Open(0), 3);
    ASSERT_TRUE(log->callbacks.onLost);
    log->callbacks.onLost("unplugged");
    QCoreApplication::sendPostedEvents();
    EXPECT_THAT(view.received, ElementsAre(UM_GRAPH_EVENT));
    EXPECT_EQ(ReadGraphEvent(), "unplugged");
    EXPECT_EQ(ReadGraphEvent(), "");
    CloseCaptureGraph();
    EXPECT_EQ(g_captureSession.camera, nullptr);
}

TEST_F(CaptureSessionTest, RebuildRunsAgainOnlyWhenItRan) {
    AddCamera("usb-a", "Scope");
    ASSERT_EQ(Open(0), 3);
    log->calls.clear();
    EXPECT_EQ(RebuildCaptureGraph(), 0);
    EXPECT_THAT(log->calls, ElementsAre("Stop usb-a", "SetFormat YUYV 640x480", "Start usb-a"));
    EXPECT_EQ(g_captureSession.running, 1);

    StopCaptureGraph();
    log->calls.clear();
    RebuildCaptureGraph();
    EXPECT_THAT(log->calls, ElementsAre("Stop usb-a", "SetFormat YUYV 640x480"));
    EXPECT_EQ(g_captureSession.built, 1);
    EXPECT_EQ(g_captureSession.running, 0);
}

TEST_F(CaptureSessionTest, FormatPageStopsSavesTheChoiceAndRestartsAtTheNewSize) {
    AddCamera("usb-a", "Scope");
    LiveViewStandIn view(true);
    ASSERT_EQ(Open(0), 3);

    ASSERT_EQ(PrepareFormatPage(), 1);
    EXPECT_EQ(g_captureSession.running, 0);
    EXPECT_EQ(g_captureSession.built, 0);
    EXPECT_FALSE(g_captureSession.frameBranch);
    const CaptureFormat chosen{Fourcc::kMJPG, 1280, 720, {1, 15}};
    ASSERT_TRUE(SetCaptureFormat(chosen));
    TakeOverCaptureFormat();
    EXPECT_EQ(ReadFile(folder.filePath("CapConfig.dat")),
              QByteArray(reinterpret_cast<const char*>(EncodeCaptureConfig(chosen).data()),
                         kCaptureConfigBytes));
    EXPECT_EQ(g_parameters.videoformat, 5);

    QCoreApplication::sendPostedEvents();
    EXPECT_THAT(view.received, ElementsAre(UM_FORMAT_CHANGED));
    EXPECT_EQ(g_captureSession.running, 1);
    EXPECT_EQ(g_captureSession.frameCallback.width, 1280);
    EXPECT_EQ(g_captureSession.surfaceHeight, 720);
    EXPECT_EQ(log->calls.back(), "Start usb-a");

    EXPECT_FALSE(SetCaptureFormat(chosen)) << "not while running";
}

TEST_F(CaptureSessionTest, ControlsOutOfRangeOrInactiveAreRefusedBeforeReachingTheCamera) {
    EXPECT_FALSE(SetCaptureControl(7, 1)) << "no camera";
    AddCamera("usb-a", "Scope");
    ASSERT_EQ(Open(0), 3);
    log->calls.clear();
    EXPECT_FALSE(SetCaptureControl(7, 11));
    EXPECT_FALSE(SetCaptureControl(7, -1));
    EXPECT_FALSE(SetCaptureControl(8, 3)) << "inactive";
    EXPECT_FALSE(SetCaptureControl(99, 3)) << "unknown";
    EXPECT_TRUE(log->calls.empty());
    EXPECT_TRUE(SetCaptureControl(7, 10));
    EXPECT_THAT(log->calls, ElementsAre("SetControl 7=10"));
}

} // namespace
