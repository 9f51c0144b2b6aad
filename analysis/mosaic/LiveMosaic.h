#pragma once

#include "analysis/mosaic/MosaicCanvas.h"
#include "analysis/mosaic/RadialVignetting.h"

#include <cstddef>
#include <deque>
#include <opencv2/core.hpp>

struct CLiveMosaicOptions {
    int searchRadius = 40;      // pixels around the predicted place
    int wideSearchRadius = 160; // around the last good place, when not found as expected
    double minScore = 0.5;      // the correlation a match needs
    double minTexture = 1.0;    // grey levels of detail a frame needs to be placed
};

// Why a frame was not added.
enum class LiveMosaicFailure { None, MovedTooFast, NothingToLockOn };

struct CLiveMosaicStep {
    bool added = false;
    LiveMosaicFailure failure = LiveMosaicFailure::None;
    cv::Point2d at;   // the frame's top-left in the mosaic: where it was placed, or was expected
    double score = 0; // the correlation of the match
};

// The failure's reason as the user reads it (English; the interface looks it
// up in its language under the same words).
const char* LiveMosaicReason(LiveMosaicFailure failure);

// A mosaic built from a stream of frames while the slide moves. Each frame is
// registered against the mosaic itself around where it is expected (the last
// frames' constant velocity), not against the frame before, so errors do not
// add up along the way and a path that returns to its start meets its own
// beginning. A frame not found where it is expected is looked for widely
// around the last good place; one that cannot be placed there either is
// reported at once and left out.
// The first frame's top-left is the mosaic's origin. One thread at a time.
class CLiveMosaic {
public:
    explicit CLiveMosaic(CLiveMosaicOptions options = {});

    // Registers and blends in one frame (top-down CV_8UC3, every frame the
    // same size).
    CLiveMosaicStep Add(const cv::Mat& bgr);

    int FramesAdded() const { return m_added; }
    cv::Size FrameSize() const { return m_frameSize; }
    // The smallest rectangle of the mosaic holding every frame added.
    cv::Rect Bounds() const { return m_canvas.Bounds(); }
    // The mosaic at full size over its bounds (uncovered parts black).
    cv::Mat Picture() const { return m_canvas.Picture(m_canvas.Bounds()); }
    // The mosaic at a quarter of the size and the mosaic pixel of its top-left.
    cv::Mat Overview(cv::Point& origin) const { return m_canvas.Overview(origin); }
    const CRadialVignetting& Vignetting() const { return m_vignetting; }
    std::size_t Bytes() const { return m_canvas.Bytes(); }
    std::size_t CoveredPixels() const { return m_canvas.CoveredPixels(); }

private:
    void Place(const cv::Mat& bgr, cv::Point2d at);

    CLiveMosaicOptions m_options;
    CMosaicCanvas m_canvas;
    CRadialVignetting m_vignetting;
    cv::Size m_frameSize;
    cv::Mat m_feather; // each frame pixel's weight, falling to 0 at the border
    int m_added = 0;
    bool m_lost = false;             // the last frame could not be placed
    std::deque<cv::Point2d> m_track; // the last good places, newest last
    cv::Point2d m_learnedAt;         // where the vignetting last learned from a frame
};
