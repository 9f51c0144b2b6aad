#pragma once

#include "analysis/focus/LiveFocusStack.h"
#include "camera/LiveOverlay.h"
#include "capture/CaptureBackend.h"
#include "framework/DrawContext.h"
#include "image/Dib.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include <QString>

// What a live focus sweep runs with, published by the GUI thread.
struct CLiveFocusSweepSettings {
    std::uint64_t sweep = 1; // a new number (from 1) starts a new sweep
    double zStep = 1;        // the unit per picture, or per focus-control step
    std::string unit;
    // The caption over the fused picture, %1 the frames fused so far, in the
    // language of the interface (looked up on the GUI thread).
    QString caption = QStringLiteral("Focus stack: %1 frames");
};

// GUI thread: starts a sweep with `settings`, or none with null.
void SetLiveFocusSweep(std::shared_ptr<const CLiveFocusSweepSettings> settings);
// Any thread: the sweep in force; null while none runs.
std::shared_ptr<const CLiveFocusSweepSettings> LiveFocusSweepSettings();
// GUI thread: the camera's focus control as it stands now, in control steps
// (nullopt: the camera has none, so frames count instead); the next frames
// are fused at that height.
void PublishLiveFocusPosition(std::optional<std::int32_t> steps);
std::optional<std::int32_t> LiveFocusPosition();

// How a sweep is going, for the status bar.
struct CLiveFocusSweepStatus {
    int frames = 0;     // fused so far
    int failures = 0;   // frames that could not be aligned
    std::string reason; // why the last of them could not
};

// The live focus sweep of the thread that paints the frames: every frame is
// aligned and fused into the growing all-in-focus picture, which is shown
// instead of the frame. The engine keeps no frames, so memory stays the same
// however long the sweep runs.
class CLiveFocusSweep {
public:
    // Painting thread: adds `frame` (bottom-up rows) to the sweep `settings`
    // describe at the focus position `focus` (control steps); a new sweep
    // number starts afresh, null settings forget the sweep.
    void Update(const CaptureFrame& frame, const CLiveFocusSweepSettings* settings,
                std::optional<std::int32_t> focus);
    // Painting thread: the fused picture stretched over the box and the
    // caption in the top-left corner; false (nothing drawn) while no sweep
    // has a picture.
    bool Draw(CDrawContext& dc, int x, int y, int width, int height,
              const CLiveDrawingStyle& style) const;

    // Any thread.
    CLiveFocusSweepStatus Status() const;
    // GUI thread: ends the running sweep and hands over its result (null when
    // none ran); later frames of that sweep are ignored.
    std::unique_ptr<CLiveFocusStack> Finish();

private:
    mutable std::mutex m_mutex; // guards the sweep against Finish
    std::unique_ptr<CLiveFocusStack> m_stack;
    std::uint64_t m_sweep = 0;
    std::uint64_t m_finished = 0;
    CDib m_frame; // the frame's copy, reused from frame to frame
    QString m_caption;
    mutable std::mutex m_statusMutex;
    CLiveFocusSweepStatus m_status;
};
