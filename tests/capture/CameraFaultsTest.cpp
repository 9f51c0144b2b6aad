#include "capture/CaptureSession.h"
#include "capture/FrameConverter.h"
#include "capture/VirtualFaults.h"
#include "capture/VirtualMicroscope.h"
#include "tests/capture/CaptureTestSupport.h"
#include "tests/support/TestEnvironment.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

TEST(VirtualFaultsTest, ParsesTheCommaSeparatedList) {
    const CVirtualFaults all = ParseVirtualFaults(
        " busy,bandwidth, no-eoi,no-dht,stall-after=20,garbage-first=3,unplug-after=30 ");
    EXPECT_TRUE(all.busy && all.bandwidth && all.noEoi && all.noDht);
    EXPECT_EQ(all.stallAfter, 20u);
    EXPECT_EQ(all.garbageFirst, 3u);
    EXPECT_EQ(all.unplugAfter, 30u);
    EXPECT_TRUE(all.unknown.empty());

    const CVirtualFaults odd = ParseVirtualFaults("stall-after=,busy=1,garbage-first=x,flaky,,");
    EXPECT_FALSE(odd.busy || odd.stallAfter || odd.garbageFirst);
    EXPECT_EQ(odd.unknown,
              (std::vector<std::string>{"stall-after=", "busy=1", "garbage-first=x", "flaky"}));
}

bool HasMarker(const std::vector<std::uint8_t>& jpeg, std::uint8_t code) {
    for (std::size_t i = 0; i + 1 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == code) {
            return true;
        }
    }
    return false;
}

// Each fault spoils the wire bytes as the camera it stands for would; the
// frames a real camera's decoder copes with still decode.
TEST(VirtualFaultsTest, SpoilsWireFramesAsCamerasDo) {
    const CaptureFormat mjpg{Fourcc::kMJPG, 640, 480, {1, 30}};
    const CaptureFormat yuyv{Fourcc::kYUYV, 640, 480, {1, 30}};
    struct Case {
        const char* faults;
        CaptureFormat format;
        std::uint64_t index;
        bool decodes;
    };
    for (const Case& c :
         {Case{"garbage-first=3", mjpg, 2, false}, Case{"garbage-first=3", yuyv, 0, false},
          Case{"garbage-first=3", mjpg, 3, true}, Case{"no-dht", mjpg, 0, true}}) {
        SCOPED_TRACE(std::string(c.faults) + " " + Fourcc::ToString(c.format.fourcc));
        std::vector<std::uint8_t> wire = VirtualMicroscopeWireFrame(c.format, c.index);
        SpoilWireFrame(ParseVirtualFaults(c.faults), c.format.fourcc, c.index, wire);
        CFrameConverter converter;
        std::vector<std::uint8_t> bgr;
        std::string error;
        EXPECT_EQ(converter.ToBgr(c.format.fourcc, wire, 640, 480, bgr, error), c.decodes) << error;
        EXPECT_EQ(error.empty(), c.decodes);
    }
    std::vector<std::uint8_t> wire = VirtualMicroscopeWireFrame(mjpg, 0);
    ASSERT_TRUE(HasMarker(wire, 0xC4));
    SpoilWireFrame(ParseVirtualFaults("no-dht,no-eoi"), Fourcc::kMJPG, 0, wire);
    EXPECT_FALSE(HasMarker(wire, 0xC4)) << "no Huffman tables";
    EXPECT_FALSE(wire[wire.size() - 2] == 0xFF && wire.back() == 0xD9) << "no end marker";
}

// Opens the virtual microscope through the session as the live view does,
// with MARNELO_VIRTUAL_FAULTS set for the opening.
class CameraFaultsTest : public ::testing::Test {
protected:
    void SetUp() override { ResetCaptureState(); }
    void TearDown() override {
        ResetCaptureState();
        qunsetenv("MARNELO_VIRTUAL_FAULTS");
    }

    void Open(const char* faults, std::optional<CaptureFormat> format = std::nullopt) {
        qputenv("MARNELO_VIRTUAL_FAULTS", faults);
        g_captureSession.forcedFormat = format;
        g_captureSession.frameCallback.onFrame = [this](const CaptureFrame&) {
            ++frames;
        };
        CreateDeviceEnumerator();
        EnumerateVideoDevices();
        ChooseVideoDevice(0);
        ASSERT_EQ(BindSelectedDevice(), 1);
        ASSERT_EQ(BuildCaptureGraph(), 1);
        CreateFrameSurface();
        ASSERT_EQ(RunCaptureGraph(), 1);
    }

    // Asks the watchdog until it says something other than Fine.
    StallVerdict NextVerdict() {
        const auto until = std::chrono::steady_clock::now() + 5s;
        StallVerdict verdict = StallVerdict::Fine;
        while (verdict == StallVerdict::Fine && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(10ms);
            verdict = CheckCaptureStall();
        }
        return verdict;
    }

    ScopedProgramFolder folder;
    std::atomic<int> frames{0};
};

TEST_F(CameraFaultsTest, StartFailuresAreKeptAndBandwidthFallsBackToMjpg) {
    const CaptureFormat yuyvLarge{Fourcc::kYUYV, 1920, 1080, {1, 30}};
    const CaptureFormat yuyvSmall{Fourcc::kYUYV, 640, 480, {1, 30}};
    struct Case {
        const char* faults;
        CaptureFormat asked;
        bool keepFormat;
        bool started;
        std::uint32_t fourcc;
        const char* says; // in the failure, else in the note
    };
    for (const Case& c : {
             Case{"busy", yuyvSmall, false, false, 0,
                  "Marnelo Virtual Microscope: The camera is busy"},
             Case{"bandwidth", yuyvLarge, true, false, 0, "Choose MJPG or a smaller size"},
             Case{"bandwidth", yuyvLarge, false, true, Fourcc::kMJPG,
                  "streaming MJPG at 1920x1080"},
             Case{"bandwidth", yuyvSmall, false, true, Fourcc::kYUYV, ""},
         }) {
        SCOPED_TRACE(std::string(c.faults) + " " + std::to_string(c.asked.width));
        ResetCaptureState();
        g_captureSession.keepFormat = c.keepFormat;
        Open(c.faults, c.asked);
        EXPECT_EQ(CaptureStarted(), c.started);
        const CaptureSession& session = g_captureSession;
        if (c.started) {
            EXPECT_EQ(session.camera->CurrentFormat()->fourcc, c.fourcc);
            EXPECT_EQ(g_captureShared.frameWidth, static_cast<std::uint32_t>(c.asked.width));
            EXPECT_NE(session.startNote.find(c.says), std::string::npos) << session.startNote;
            EXPECT_EQ(session.startNote.empty(), std::string(c.says).empty());
        } else {
            EXPECT_NE(session.startStatus.message.find(c.says), std::string::npos)
                << session.startStatus.message;
            EXPECT_EQ(CaptureLostReason(), session.startStatus.message);
        }
    }
}

TEST_F(CameraFaultsTest, WatchdogRestartsAStalledCameraOnceThenLosesIt) {
    g_captureSession.stallTimeout = 150ms;
    Open("stall-after=10");
    EXPECT_EQ(NextVerdict(), StallVerdict::Restarted);
    EXPECT_TRUE(CaptureStarted()) << "streaming again after the restart";
    EXPECT_EQ(NextVerdict(), StallVerdict::Lost);
    EXPECT_EQ(frames.load(), 10) << "the stall outlives the restart";
    EXPECT_NE(CaptureLostReason().find("no picture came for 1 s"), std::string::npos)
        << CaptureLostReason();
}

TEST_F(CameraFaultsTest, DroppedFramesShowTheirReasonAndAnUnplugIsReported) {
    Open("garbage-first=35", CaptureFormat{Fourcc::kMJPG, 640, 480, {1, 30}});
    const auto until = std::chrono::steady_clock::now() + 5s;
    std::string trouble;
    while (trouble.empty() && frames.load() == 0 && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(5ms);
        trouble = CaptureDecodeTrouble();
    }
    EXPECT_NE(trouble.find("JPEG"), std::string::npos) << "after 30 in a row: " << trouble;
    while (frames.load() == 0 && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(CaptureDecodeTrouble(), "") << "good frames clear it";

    ResetCaptureState();
    frames = 0;
    Open("unplug-after=3");
    std::string event;
    while (event.empty() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(5ms);
        event = ReadGraphEvent();
    }
    EXPECT_EQ(event, "The camera is no longer connected.");
    EXPECT_EQ(frames.load(), 3);
}

} // namespace
