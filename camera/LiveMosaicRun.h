#pragma once

#include "analysis/mosaic/LiveMosaic.h"
#include "capture/CaptureBackend.h"
#include "framework/DrawContext.h"
#include "image/Dib.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// What the live window shows of the live mosaic after each registered frame:
// the mosaic at a quarter of its size and where the latest field lies.
struct CLiveMosaicShown {
    std::vector<std::uint8_t> overview; // bottom-up BGR rows, `width` × 3 bytes each
    int width = 0;
    int height = 0;
    cv::Point origin; // the mosaic pixel of the overview's top-left
    cv::Rect2d field; // the latest frame in mosaic pixels, placed or expected
    LiveMosaicFailure failure = LiveMosaicFailure::None;
    int framesAdded = 0;
    int framesSeen = 0;
};

// The live mosaic of the live window. Frames are handed over by the thread
// that paints them and registered on a worker thread of its own, which always
// takes the newest frame: registration never holds up the live picture, and a
// slow registration skips frames instead of queuing them.
class CLiveMosaicRun {
public:
    CLiveMosaicRun();
    ~CLiveMosaicRun();
    CLiveMosaicRun(const CLiveMosaicRun&) = delete;
    CLiveMosaicRun& operator=(const CLiveMosaicRun&) = delete;

    // Any thread: copies `frame` (bottom-up rows) for the worker, replacing
    // one it has not taken yet.
    void Offer(const CaptureFrame& frame);
    // Any thread: after the latest registered frame; null before the first.
    std::shared_ptr<const CLiveMosaicShown> Shown() const;
    // Stops the worker once the frame in hand is done and returns the mosaic
    // at full size; an invalid picture when no frame was added.
    CDib Finish();

private:
    void Work();
    void Stop();

    mutable std::mutex m_mutex; // guards everything below but the mosaic
    std::condition_variable m_wake;
    cv::Mat m_waiting; // top-down, not yet taken
    bool m_stop = false;
    std::shared_ptr<const CLiveMosaicShown> m_shown;
    CLiveMosaic m_mosaic; // the worker's until it has stopped
    std::thread m_worker;
};

// GUI thread: turns the live mosaic on with a run, or off with null.
void SetLiveMosaic(std::shared_ptr<CLiveMosaicRun> run);
// Any thread: the run in force; null while the mosaic is off.
std::shared_ptr<CLiveMosaicRun> LiveMosaicRun();

// The mosaic scaled to fit a surface of `width` × `height`, centred on grey,
// with the latest field outlined: green when it was placed, red when not.
void DrawLiveMosaic(CDrawContext& dc, const CLiveMosaicShown* shown, int width, int height);
