#include "camera/LiveParticleCount.h"

#include "analysis/particles/ParticleShape.h"
#include "camera/LiveDrawing.h"

#include <cstring>

namespace {

std::mutex g_settingsMutex;
std::shared_ptr<const CLiveParticleSettings> g_settings; // guarded by g_settingsMutex

} // namespace

void SetLiveParticleCount(std::shared_ptr<const CLiveParticleSettings> settings) {
    std::lock_guard lock(g_settingsMutex);
    g_settings.swap(settings);
}

std::shared_ptr<const CLiveParticleSettings> LiveParticleCountSettings() {
    std::lock_guard lock(g_settingsMutex);
    return g_settings;
}

void CLiveParticleCount::Update(const CaptureFrame& frame, const CLiveParticleSettings* settings) {
    std::shared_ptr<const CParticleResult> result;
    const std::size_t stride = CDib::StrideFor(frame.width, 24);
    if (settings != nullptr && frame.bgr != nullptr &&
        static_cast<std::size_t>(frame.stride) == stride) {
        if (m_picture.Width() != frame.width || m_picture.Height() != frame.height) {
            m_picture.Create(frame.width, frame.height, 24);
        }
        if (m_picture.IsValid()) {
            // Frames come bottom-up with the picture's own row padding.
            std::memcpy(m_picture.Bits(), frame.bgr, m_picture.ImageSize());
            result = std::make_shared<const CParticleResult>(
                AnalyseParticles(m_picture, settings->options, settings->scale));
            m_caption = settings->caption;
        }
    }
    m_result = result;
    std::lock_guard lock(m_mutex);
    m_shared = std::move(result);
}

void CLiveParticleCount::Draw(CDrawContext& dc, const CLiveViewParams& view,
                              const CLiveDrawingStyle& style) const {
    if (!m_result) {
        return;
    }
    CParticleStyle outline;
    outline.lineColor = style.lineColor;
    outline.textColor = style.textColor;
    outline.penWidth = style.lineWidth;
    outline.numbers = false;
    const double zoom = view.zoom > 0 ? view.zoom : 1.0;
    DrawParticleOutlines(dc, *m_result, outline, zoom, view.scrollX, view.scrollY);
    CDrawStateGuard state(dc);
    dc.SetFont(LiveOverlayFont(style.labels.textSize));
    dc.SetTextColor(style.textColor);
    // Below the recording notice's line.
    dc.TextOut(3, 5 + 2 * style.labels.textSize,
               m_caption.arg(QString::asprintf("%zu", m_result->particles.size())));
}

std::shared_ptr<const CParticleResult> CLiveParticleCount::Latest() const {
    std::lock_guard lock(m_mutex);
    return m_shared;
}
