#include "camera/LiveFocusSweep.h"

#include "camera/LiveDrawing.h"

#include <cstring>

namespace {

std::mutex g_mutex;
std::shared_ptr<const CLiveFocusSweepSettings> g_settings; // guarded by g_mutex
std::optional<std::int32_t> g_focus;                       // guarded by g_mutex

} // namespace

void SetLiveFocusSweep(std::shared_ptr<const CLiveFocusSweepSettings> settings) {
    std::lock_guard lock(g_mutex);
    g_settings.swap(settings);
}

std::shared_ptr<const CLiveFocusSweepSettings> LiveFocusSweepSettings() {
    std::lock_guard lock(g_mutex);
    return g_settings;
}

void PublishLiveFocusPosition(std::optional<std::int32_t> steps) {
    std::lock_guard lock(g_mutex);
    g_focus = steps;
}

std::optional<std::int32_t> LiveFocusPosition() {
    std::lock_guard lock(g_mutex);
    return g_focus;
}

void CLiveFocusSweep::Update(const CaptureFrame& frame, const CLiveFocusSweepSettings* settings,
                             std::optional<std::int32_t> focus) {
    std::lock_guard lock(m_mutex);
    if (settings == nullptr) {
        m_stack.reset();
        m_frame = CDib();
        return;
    }
    if (settings->sweep == m_finished) {
        return;
    }
    if (!m_stack || settings->sweep != m_sweep) {
        m_stack = std::make_unique<CLiveFocusStack>(settings->zStep, settings->unit);
        m_sweep = settings->sweep;
        std::lock_guard status(m_statusMutex);
        m_status = {};
    }
    m_caption = settings->caption;
    if (frame.bgr == nullptr ||
        static_cast<std::size_t>(frame.stride) != CDib::StrideFor(frame.width, 24)) {
        return;
    }
    if (m_frame.Width() != frame.width || m_frame.Height() != frame.height) {
        m_frame.Create(frame.width, frame.height, 24);
    }
    if (!m_frame.IsValid()) {
        return;
    }
    // Frames come bottom-up with the picture's own row padding.
    std::memcpy(m_frame.Bits(), frame.bgr, m_frame.ImageSize());
    std::optional<double> z;
    if (focus) {
        z = *focus * settings->zStep;
    }
    const bool added = m_stack->Add(m_frame, z);
    std::lock_guard status(m_statusMutex);
    m_status.frames = m_stack->Frames();
    if (!added) {
        ++m_status.failures;
        m_status.reason = m_stack->Reason();
    }
}

bool CLiveFocusSweep::Draw(CDrawContext& dc, int x, int y, int width, int height,
                           const CLiveDrawingStyle& style) const {
    std::lock_guard lock(m_mutex);
    if (!m_stack || !m_stack->Picture().IsValid()) {
        return false;
    }
    const CDib& picture = m_stack->Picture();
    dc.StretchBitmap(x, y, width, height,
                     CBitmapView{picture.Width(), picture.Height(), picture.BitsPerPixel(),
                                 picture.Stride(), picture.Bits()});
    CDrawStateGuard state(dc);
    dc.SetFont(LiveOverlayFont(style.labels.textSize));
    dc.SetTextColor(style.textColor);
    // Below the recording notice's line, as the particle count.
    dc.TextOut(3, 5 + 2 * style.labels.textSize,
               m_caption.arg(QString::asprintf("%d", m_stack->Frames())));
    return true;
}

CLiveFocusSweepStatus CLiveFocusSweep::Status() const {
    std::lock_guard lock(m_statusMutex);
    return m_status;
}

std::unique_ptr<CLiveFocusStack> CLiveFocusSweep::Finish() {
    std::lock_guard lock(m_mutex);
    m_finished = m_sweep;
    return std::move(m_stack);
}
