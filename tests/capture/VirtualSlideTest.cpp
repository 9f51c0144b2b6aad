#include "capture/VirtualMicroscope.h"
#include "capture/VirtualMicroscopeDevice.h"
#include "capture/VirtualPicture.h"

#include <condition_variable>
#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>
#include <opencv2/imgproc.hpp>

namespace {

cv::Mat Grey(const std::vector<std::uint8_t>& bgr, int width, int height) {
    cv::Mat picture(height, width, CV_8UC3, const_cast<std::uint8_t*>(bgr.data()));
    cv::Mat grey;
    cv::cvtColor(picture, grey, cv::COLOR_BGR2GRAY);
    grey.convertTo(grey, CV_64F);
    return grey;
}

cv::Mat Slide(int width, int height, std::uint64_t frame, int pan, int tilt, double driftX = 0,
              double driftY = 0) {
    VirtualPictureSettings settings;
    settings.scene = VirtualScene::kSlide;
    settings.pan = pan;
    settings.tilt = tilt;
    settings.driftX = driftX;
    settings.driftY = driftY;
    CVirtualPicture picture;
    std::vector<std::uint8_t> bgr;
    picture.Render(width, height, frame, settings, bgr);
    return Grey(bgr, width, height);
}

// How far the field of view moved over the specimen from `before` to `after`,
// in frame pixels (the content moves the other way).
cv::Point2d FieldShift(const cv::Mat& before, const cv::Mat& after) {
    return cv::phaseCorrelate(after, before);
}

struct StageMove {
    int width, height;
    std::uint64_t frame;
    int pan, tilt;
    double driftX, driftY;
    cv::Point2d expected; // how far the field moves, in frame pixels
};

TEST(VirtualSlide, PanTiltAndDriftMoveTheFieldBySpecimenPixels) {
    const StageMove moves[] = {
        {640, 480, 0, 37, 0, 0, 0, {37, 0}},       {640, 480, 0, 0, -23, 0, 0, {0, -23}},
        {640, 480, 0, -150, 90, 0, 0, {-150, 90}}, {640, 480, 10, 0, 0, 0.5, -1.5, {5, -15}},
        {1280, 720, 0, 20, 10, 0, 0, {40, 20}}, // two frame pixels a specimen pixel
    };
    for (const StageMove& m : moves) {
        const cv::Mat before = Slide(m.width, m.height, 0, 0, 0);
        const cv::Mat after = Slide(m.width, m.height, m.frame, m.pan, m.tilt, m.driftX, m.driftY);
        const cv::Point2d shift = FieldShift(before, after);
        EXPECT_NEAR(shift.x, m.expected.x, 0.1) << m.width << " pan " << m.pan;
        EXPECT_NEAR(shift.y, m.expected.y, 0.1) << m.width << " tilt " << m.tilt;
    }
}

TEST(VirtualSlide, HasTextureDarkerCornersAndGlassBeyondTheSpecimen) {
    const cv::Mat field = Slide(640, 480, 0, 0, 0);
    cv::Scalar mean, deviation;
    cv::meanStdDev(field, mean, deviation);
    EXPECT_GT(deviation[0], 8.0) << "something to register on";
    EXPECT_LT(mean[0], 220.0);

    // Light falling off towards the corners: the glass shows it undisturbed.
    const cv::Mat glass = Slide(640, 480, 0, VirtualSlide::kWidth, VirtualSlide::kHeight);
    const double centre = glass.at<double>(240, 320);
    EXPECT_NEAR(centre, VirtualSlide::kGlass, 2.0);
    EXPECT_NEAR(glass.at<double>(0, 0) / centre, VirtualSlide::kCornerLight, 0.02);
    EXPECT_NEAR(glass.at<double>(479, 639) / centre, VirtualSlide::kCornerLight, 0.02);
}

TEST(VirtualSlide, DriftTextNeedsTwoNumbers) {
    const struct {
        const char* text;
        std::optional<std::array<double, 2>> drift;
    } cases[] = {
        {"1.5,-2", std::array<double, 2>{1.5, -2}},
        {"0,0.25", std::array<double, 2>{0, 0.25}},
        {"", std::nullopt},
        {"3", std::nullopt},
        {"1,x", std::nullopt},
        {"1, 2", std::nullopt},
        {"1,2,3", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseVirtualDrift(c.text), c.drift) << c.text;
    }
}

TEST(VirtualSlide, ControlsOfferTheStageOverTheWholeSpecimen) {
    CVirtualMicroscopeDevice device;
    int found = 0;
    for (const CaptureControl& c : device.Controls()) {
        if (c.id == VirtualMicroscope::kPan || c.id == VirtualMicroscope::kTilt) {
            const int half =
                (c.id == VirtualMicroscope::kPan ? VirtualSlide::kWidth : VirtualSlide::kHeight) /
                2;
            EXPECT_EQ(c.minimum, -half) << c.name;
            EXPECT_EQ(c.maximum, half) << c.name;
            EXPECT_EQ(c.value, 0) << c.name;
            ++found;
        }
    }
    EXPECT_EQ(found, 2);
    EXPECT_TRUE(device.SetControl(VirtualMicroscope::kPan, VirtualSlide::kWidth / 2));
    EXPECT_FALSE(device.SetControl(VirtualMicroscope::kTilt, VirtualSlide::kHeight / 2 + 1));
}

TEST(VirtualSlide, DriftFromTheEnvironmentMovesStreamedFrames) {
    ::setenv("MARNELO_VIRTUAL_DRIFT", "2,-1", 1);
    std::string error;
    auto device = MakeVirtualMicroscopeBackend()->Open(VirtualMicroscope::kId, error);
    ::unsetenv("MARNELO_VIRTUAL_DRIFT");
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(device->SetFormat({Fourcc::kYUYV, 640, 480, {1, 30}}));
    ASSERT_TRUE(device->SetControl(VirtualMicroscope::kScene, VirtualScene::kSlide));
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<cv::Mat> frames;
    CaptureCallbacks callbacks;
    callbacks.onFrame = [&](const CaptureFrame& frame) {
        std::lock_guard lock(mutex);
        if (frames.size() < 5) {
            // Delivered bottom-up; flipped so that y grows downwards.
            cv::Mat rows(frame.height, frame.width, CV_8UC3, const_cast<std::uint8_t*>(frame.bgr),
                         static_cast<std::size_t>(frame.stride));
            cv::Mat upright;
            cv::flip(rows, upright, 0);
            cv::cvtColor(upright, upright, cv::COLOR_BGR2GRAY);
            upright.convertTo(upright, CV_64F);
            frames.push_back(upright);
        }
        arrived.notify_all();
    };
    ASSERT_TRUE(device->StartStreaming(callbacks));
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(
            arrived.wait_for(lock, std::chrono::seconds(10), [&] { return frames.size() >= 5; }));
    }
    device->StopStreaming();
    const cv::Point2d shift = FieldShift(frames[0], frames[4]);
    EXPECT_NEAR(shift.x, 8, 0.3);
    EXPECT_NEAR(shift.y, -4, 0.3);
}

} // namespace
