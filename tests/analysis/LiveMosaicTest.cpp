#include "analysis/mosaic/LiveMosaic.h"

#include "capture/VirtualPicture.h"

#include <cmath>
#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace {

// Frames of the virtual slide, each `scale` specimen pixels a frame pixel.
class SlideCamera {
public:
    SlideCamera(int width, int height)
        : m_width(width)
        , m_height(height) {
        m_settings.scene = VirtualScene::kSlide;
    }
    double Scale() const { return static_cast<double>(VirtualSlide::kFieldWidth) / m_width; }
    // The field at the stage position (in specimen pixels), top-down BGR.
    // With `noise`, sensor noise of that deviation in grey levels, new every frame.
    cv::Mat Frame(int pan, int tilt, double noise = 0) {
        m_settings.pan = pan;
        m_settings.tilt = tilt;
        m_picture.Render(m_width, m_height, 0, m_settings, m_bgr);
        cv::Mat frame = cv::Mat(m_height, m_width, CV_8UC3, m_bgr.data()).clone();
        if (noise > 0) {
            cv::Mat grain(frame.size(), CV_16SC3);
            m_rng.fill(grain, cv::RNG::NORMAL, 0, noise);
            cv::Mat level;
            frame.convertTo(level, CV_16SC3);
            cv::add(level, grain, level);
            level.convertTo(frame, CV_8UC3);
        }
        return frame;
    }

private:
    int m_width, m_height;
    VirtualPictureSettings m_settings;
    CVirtualPicture m_picture;
    std::vector<std::uint8_t> m_bgr;
    cv::RNG m_rng{12345};
};

// A path around a rectangle of the stage and back to its start, `step`
// specimen pixels a frame.
std::vector<cv::Point> Loop(cv::Point start, cv::Size size, int step) {
    std::vector<cv::Point> path;
    const cv::Point corners[] = {start, start + cv::Point(size.width, 0),
                                 start + cv::Point(size.width, size.height),
                                 start + cv::Point(0, size.height), start};
    for (int leg = 0; leg < 4; ++leg) {
        const cv::Point from = corners[leg];
        const cv::Point to = corners[leg + 1];
        const int steps = static_cast<int>(std::ceil(cv::norm(to - from) / step));
        for (int i = 0; i < steps; ++i) {
            path.push_back(from + (to - from) * i / steps);
        }
    }
    path.push_back(start);
    return path;
}

TEST(LiveMosaic, ClosedLoopOverTheSlideReturnsToItsStart) {
    SlideCamera camera(288, 216); // 2.22 specimen pixels a frame pixel: sub-pixel steps
    CLiveMosaic mosaic;
    const cv::Point start(-500, -300);
    const auto path = Loop(start, {900, 600}, 7);
    ASSERT_GT(path.size(), 400u);
    double worst = 0;
    CLiveMosaicStep step;
    for (const cv::Point& stage : path) {
        step = mosaic.Add(camera.Frame(stage.x, stage.y, 3.0));
        ASSERT_TRUE(step.added) << "at " << stage << ": " << LiveMosaicReason(step.failure);
        const cv::Point2d expected = cv::Point2d(stage - start) / camera.Scale();
        worst = std::max(worst, cv::norm(step.at - expected));
    }
    EXPECT_LT(cv::norm(step.at), 1.0) << "back at the start: " << step.at;
    EXPECT_LT(worst, 0.5) << "anywhere along the path";
    EXPECT_EQ(mosaic.FramesAdded(), static_cast<int>(path.size()));
    // The mosaic spans the loop plus one field.
    const cv::Rect bounds = mosaic.Bounds();
    EXPECT_NEAR(bounds.width, 900 / camera.Scale() + 288, 3);
    EXPECT_NEAR(bounds.height, 600 / camera.Scale() + 216, 3);
    EXPECT_NEAR(mosaic.Vignetting().Strength(), 1 - VirtualSlide::kCornerLight, 0.08);

    // Seamless and evened out: the mosaic's grey levels along the path
    // against the middle of a frame there, where the optics lose nothing.
    cv::Mat grey;
    cv::cvtColor(mosaic.Picture(), grey, cv::COLOR_BGR2GRAY);
    const cv::Point middle(288 / 2 - 8, 216 / 2 - 8);
    double error = 0;
    int patches = 0;
    for (std::size_t i = 0; i < path.size(); i += 20) {
        cv::Mat truth;
        cv::cvtColor(camera.Frame(path[i].x, path[i].y), truth, cv::COLOR_BGR2GRAY);
        const cv::Point at = cv::Point(cv::Point2d(path[i] - start) / camera.Scale()) + middle -
                             mosaic.Bounds().tl();
        error += std::abs(cv::mean(grey(cv::Rect(at, cv::Size(16, 16))))[0] -
                          cv::mean(truth(cv::Rect(middle, cv::Size(16, 16))))[0]);
        ++patches;
    }
    EXPECT_LT(error / patches, 2.5) << "grey levels; without correction about 10";

    // Memory follows the area covered: going round again adds nothing, and
    // a covered pixel costs a few bytes.
    const std::size_t bytes = mosaic.Bytes();
    // (Partly covered blocks at the edges weigh on a mosaic this small.)
    EXPECT_LT(static_cast<double>(bytes) / static_cast<double>(mosaic.CoveredPixels()), 10.0);
    for (std::size_t i = 0; i < path.size(); i += 6) {
        ASSERT_TRUE(mosaic.Add(camera.Frame(path[i].x, path[i].y)).added) << path[i];
    }
    EXPECT_EQ(mosaic.Bytes(), bytes);
}

TEST(LiveMosaic, RefusesAJumpOrABlankFieldAtOnceAndRecoversWhenMovedBack) {
    SlideCamera camera(288, 216);
    const struct {
        cv::Point stage;
        LiveMosaicFailure failure;
    } script[] = {
        {{0, 0}, LiveMosaicFailure::None},
        {{8, 0}, LiveMosaicFailure::None},
        {{16, 4}, LiveMosaicFailure::None},
        {{24, 8}, LiveMosaicFailure::None},
        {{420, 8}, LiveMosaicFailure::MovedTooFast}, // 180 frame pixels in one frame
        {{40, 8}, LiveMosaicFailure::None},          // back within reach
        {{48, 8}, LiveMosaicFailure::None},
        {{VirtualSlide::kWidth, 0}, LiveMosaicFailure::NothingToLockOn}, // empty glass
        {{56, 12}, LiveMosaicFailure::None},
        {{-330, 12}, LiveMosaicFailure::MovedTooFast}, // 174 frame pixels back
        {{-150, 12}, LiveMosaicFailure::None},         // found by the wider search after a failure
    };
    CLiveMosaic mosaic;
    int added = 0;
    for (const auto& line : script) {
        const CLiveMosaicStep step = mosaic.Add(camera.Frame(line.stage.x, line.stage.y));
        EXPECT_EQ(step.failure, line.failure) << "at " << line.stage;
        EXPECT_EQ(step.added, line.failure == LiveMosaicFailure::None) << "at " << line.stage;
        if (step.added) {
            ++added;
            EXPECT_LT(cv::norm(step.at - cv::Point2d(line.stage) / camera.Scale()), 0.3)
                << "at " << line.stage;
        } else {
            EXPECT_STRNE(LiveMosaicReason(step.failure), "");
        }
    }
    EXPECT_EQ(mosaic.FramesAdded(), added);
}

} // namespace
