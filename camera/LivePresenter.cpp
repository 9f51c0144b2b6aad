#include "camera/LivePresenter.h"

#include "camera/LiveDrawing.h"
#include "camera/LiveMosaicRun.h"
#include "camera/LiveOverlay.h"
#include "camera/LiveScaleBar.h"
#include "framework/QImageDrawContext.h"
#include "image/Adjustments.h"

#include <cmath>
#include <cstring>
#include <optional>

namespace {

std::optional<AreaOperation> LiveAdjustment(int code) {
    switch (code) {
    case 100:
        return AreaOperation::EdgeDetection;
    case 102:
        return AreaOperation::Relief;
    case 103:
        return AreaOperation::Sharpen;
    case 104:
        return AreaOperation::Smooth;
    case 105:
        return AreaOperation::InverseColor;
    case 106:
        return AreaOperation::Darker;
    case 107:
        return AreaOperation::Brighter;
    default:
        return std::nullopt;
    }
}

// For a snapshot made by hand without a style.
const CLiveDrawingStyle kDefaultStyle;

int ZoomedSize(int pixels, double zoom) {
    return static_cast<int>(std::floor(pixels * zoom + 0.5));
}

// The frame with the live adjustment applied to its rectangle; an empty
// picture when no adjustment is active.
CDib AdjustedFrame(const CaptureFrame& frame, const CLiveViewParams& view) {
    const auto operation = LiveAdjustment(view.adjustCode);
    if (!operation || !view.adjustRect.isValid()) {
        return {};
    }
    CDib image;
    if (!image.Create(frame.width, frame.height, 24)) {
        return {};
    }
    for (int row = 0; row < frame.height; ++row) {
        std::memcpy(image.Row(row), frame.bgr + static_cast<std::ptrdiff_t>(row) * frame.stride,
                    static_cast<std::size_t>(frame.width) * 3);
    }
    const QRect r = view.adjustRect;
    SelectPictureRect(image, PictureRect{r.left(), r.top(), r.right(), r.bottom()});
    ApplyAreaOperation(image, *operation);
    return image;
}

} // namespace

CLivePresenter::CLivePresenter(std::function<void()> announce)
    : m_announce(std::move(announce)) {}

int CLivePresenter::PresentFrame(const CaptureFrame& frame) {
    if (frame.bgr == nullptr || frame.width <= 0 || frame.height <= 0) {
        return 0;
    }
    const CLiveOverlaySnapshot overlay = TakeOverlaySnapshot();
    PaintFrame(frame, overlay);
    {
        std::lock_guard lock(m_mutex);
        m_latest.swap(m_back);
        m_fresh = true;
    }
    m_presented.fetch_add(1);
    if (!m_announced.exchange(true) && m_announce) {
        m_announce();
    }
    return 1;
}

void CLivePresenter::PaintFrame(const CaptureFrame& frame, const CLiveOverlaySnapshot& overlay) {
    const CLiveViewParams& view = overlay.view;
    const double zoom = view.zoom > 0 ? view.zoom : 1.0;
    const int width = std::max(1, ZoomedSize(frame.width, zoom));
    const int height = std::max(1, ZoomedSize(frame.height, zoom));
    // The surface follows the zoom here, on the thread that paints it, so the
    // GUI never replaces a surface that is being painted.
    if (m_back.width() != width || m_back.height() != height) {
        m_back = QImage(width, height, QImage::Format_RGB32);
    }

    m_autoMeasure.Update(frame, view, overlay.inProgress);
    m_particleCount.Update(frame, LiveParticleCountSettings().get());
    m_focusSweep.Update(frame, LiveFocusSweepSettings().get(), LiveFocusPosition());
    CQImageDrawContext dc(m_back);
    dc.UseShapedTextCache(&m_textCache);
    const CLiveDrawingStyle& style = overlay.style ? *overlay.style : kDefaultStyle;
    // While a mosaic is built the window shows it (over the whole surface)
    // instead of the frame and its overlay.
    if (const std::shared_ptr<CLiveMosaicRun> mosaic = LiveMosaicRun()) {
        mosaic->Offer(frame);
        DrawLiveMosaic(dc, mosaic->Shown().get(), width, height);
        DrawRecordingNotice(dc, view, style);
        return;
    }
    // A focus sweep shows its fused picture instead of the frame; the frame
    // is adjusted only when it is shown.
    if (!m_focusSweep.Draw(dc, -view.scrollX, -view.scrollY, width, height, style)) {
        const CDib adjusted = AdjustedFrame(frame, view);
        CBitmapView picture{frame.width, frame.height, 24, static_cast<std::size_t>(frame.stride),
                            frame.bgr};
        if (adjusted.IsValid()) {
            picture.stride = adjusted.Stride();
            picture.bits = adjusted.Bits();
        }
        dc.StretchBitmap(-view.scrollX, -view.scrollY, width, height, picture);
    }
    m_autoMeasure.Draw(dc, view);

    m_particleCount.Draw(dc, view, style);
    DrawInProgressShape(dc, overlay.inProgress, view, style);
    if (overlay.shapes) {
        DrawLiveShapes(dc, *overlay.shapes, zoom, view.scrollX, view.scrollY, style);
    }
    CLiveViewParams zoomed = view;
    zoomed.zoom = zoom;
    DrawCrosshair(dc, zoomed, frame.width, frame.height, style);
    DrawLiveScaleBar(dc, zoomed, frame.width, frame.height, style);
    DrawRecordingNotice(dc, view, style);
}

bool CLivePresenter::TakeLatest(QImage& shown) {
    std::lock_guard lock(m_mutex);
    m_announced.store(false);
    if (!m_fresh) {
        return false;
    }
    shown.swap(m_latest);
    m_fresh = false;
    return true;
}
