#pragma once

#include "camera/FramePipeline.h"
#include "camera/LiveAutoMeasure.h"
#include "camera/LiveFocusSweep.h"
#include "camera/LiveParticleCount.h"
#include "framework/ShapedTextCache.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include <QImage>

// Paints each frame with its overlay into an off-screen surface on the
// streaming thread and hands the finished surface to the GUI thread.
//
// Three pictures change hands by pointer swaps only: the streaming thread
// paints into its own `back` surface, then swaps it with `latest` under a
// short lock; the GUI thread swaps `latest` with the picture it shows. So the
// GUI never waits for painting, the streaming thread never waits for the GUI,
// and a slow GUI skips frames instead of queuing them: one update is
// announced until the GUI has taken it.
class CLivePresenter final : public IFrameSink {
public:
    // `announce` runs on the streaming thread when a new surface is waiting
    // and none was announced since the GUI last took one; it should post (not
    // send) to the receiving widget.
    explicit CLivePresenter(std::function<void()> announce);

    void TakeFrame(const CaptureFrame& frame) override { PresentFrame(frame); }

    // Paints `frame` (zoomed, scrolled, with the live adjustment or the
    // automatic tools' findings, the shapes, the crosshair and the recording
    // notice) and hands it over. Returns 1 when painted, 0 for a frame
    // without pixels.
    int PresentFrame(const CaptureFrame& frame);

    // GUI thread: swaps the newest finished surface into `shown` and returns
    // true; false (and `shown` untouched) when nothing new was painted.
    bool TakeLatest(QImage& shown);

    std::uint64_t FramesPresented() const { return m_presented.load(); }

    // The automatic tools' held results; read on the thread that presents.
    const CLiveAutoMeasure& AutoMeasure() const { return m_autoMeasure; }
    // The live particle count; its latest result may be read on any thread.
    const CLiveParticleCount& ParticleCount() const { return m_particleCount; }
    // The live focus sweep; its status may be read on any thread.
    CLiveFocusSweep& FocusSweep() { return m_focusSweep; }

private:
    void PaintFrame(const CaptureFrame& frame, const struct CLiveOverlaySnapshot& overlay);

    std::function<void()> m_announce;
    QImage m_back;                  // streaming thread only
    CLiveAutoMeasure m_autoMeasure; // streaming thread only
    CLiveParticleCount m_particleCount;
    CLiveFocusSweep m_focusSweep;
    CShapedTextCache m_textCache; // streaming thread only: the labels of every frame
    std::mutex m_mutex;
    QImage m_latest;
    bool m_fresh = false; // m_latest holds a surface the GUI has not taken
    std::atomic<bool> m_announced{false};
    std::atomic<std::uint64_t> m_presented{0};
};
