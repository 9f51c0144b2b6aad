#pragma once

#include "analysis/particles/ParticleAnalysis.h"
#include "camera/LiveOverlay.h"
#include "capture/CaptureBackend.h"
#include "framework/DrawContext.h"
#include "image/Dib.h"

#include <memory>
#include <mutex>

#include <QString>

// What the live particle count runs with: the options of the last analysis
// (or of the dialog) and the scale of the calibration in force.
struct CLiveParticleSettings {
    CParticleOptions options;
    CParticleScale scale;
    // The count's caption, %1 the count, in the language of the interface
    // (looked up on the GUI thread).
    QString caption = QStringLiteral("Particles: %1");
};

// GUI thread: turns the live count on with `settings`, or off with null.
void SetLiveParticleCount(std::shared_ptr<const CLiveParticleSettings> settings);
// Any thread: the settings in force; null while the count is off.
std::shared_ptr<const CLiveParticleSettings> LiveParticleCountSettings();

// The live particle count of the thread that paints the frames: every frame
// analysed with the settings in force, its objects outlined and counted over
// the live picture. The analysis runs here, never on the GUI thread; the
// latest result is shared with the GUI (a snapshot keeps it) as an immutable
// copy. Update and Draw: the painting thread only.
class CLiveParticleCount {
public:
    // Analyses `frame` (bottom-up rows) when `settings` is set; forgets the
    // last result when it is not.
    void Update(const CaptureFrame& frame, const CLiveParticleSettings* settings);
    // The outlines at the view's zoom and scroll and "N particles" in the
    // top-left corner; nothing while the count is off.
    void Draw(CDrawContext& dc, const CLiveViewParams& view, const CLiveDrawingStyle& style) const;

    // Any thread: the latest frame's result; null while the count is off.
    std::shared_ptr<const CParticleResult> Latest() const;

private:
    CDib m_picture; // the frame's copy, reused from frame to frame
    std::shared_ptr<const CParticleResult> m_result;
    QString m_caption;
    mutable std::mutex m_mutex; // guards m_shared
    std::shared_ptr<const CParticleResult> m_shared;
};
