#include "calibration/Calibration.h"
#include "core/Parameters.h"
#include "document/ui/CLOBRINDoc.h"
#include "framework/QImageDrawContext.h"
#include "framework/ui/RectTrackerPaint.h"
#include "shapes/ScaleBar.h"
#include "shapes/Shape.h"
#include "tools/OverlayNotice.h"
#include "tools/ui/CLOBRINView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

namespace {

// Room around a preview's drawn bounds for the pixels a wide pen's cap may
// add.
constexpr int kPreviewMargin = 2;

} // namespace

CLOBRINView::LabelStyle CLOBRINView::CurrentLabelStyle() {
    LabelStyle style{g_parameters.linewidth, g_parameters.textsize,    g_parameters.measuredecimal,
                     g_calibration.unit,     g_calibration.unitFactor, g_calibration.scale};
    if (g_parameters.scalebar != 0) {
        style.scaleBar = true;
        style.lineColor = g_parameters.linecolor;
        style.textColor = g_parameters.textcolor;
    }
    return style;
}

void CLOBRINView::InvalidatePicture() {
    m_cacheValid = false;
}

bool CLOBRINView::EnsureCache() {
    const LabelStyle style = CurrentLabelStyle();
    if (m_cacheValid && m_cacheZoom == Zoom() && m_cacheStyle == style) {
        return !m_cache.isNull();
    }
    m_cacheValid = true;
    m_cacheZoom = Zoom();
    m_cacheStyle = style;
    const QSize size = ZoomedSize();
    if (m_cache.size() != size) {
        // The old picture goes first: a large zoom must not need both at once.
        m_cache = QImage();
        m_cache = QImage(size, QImage::Format_RGB32);
    }
    if (m_cache.isNull()) {
        return false;
    }
    CQImageDrawContext dc(m_cache);
    m_doc.Model().Render(dc, DrawParams(), size.width(), size.height(), ShapeSelection::All);
    DrawCurrentScaleBar(dc, m_doc.Model().ImageWidth(), m_doc.Model().ImageHeight(), Zoom());
    return true;
}

QImage CLOBRINView::PictureArea(const QRect& content) {
    if (EnsureCache()) {
        return m_cache.copy(content);
    }
    // No room for the whole zoomed picture: draw just this part.
    QImage area(content.size(), QImage::Format_RGB32);
    if (area.isNull()) {
        return area;
    }
    CQImageDrawContext dc(area);
    CDrawParams params = DrawParams();
    params.offsetX = content.x();
    params.offsetY = content.y();
    m_doc.Model().Render(dc, params, area.width(), area.height(), ShapeSelection::All);
    DrawCurrentScaleBar(dc, m_doc.Model().ImageWidth(), m_doc.Model().ImageHeight(), Zoom(),
                        params.offsetX, params.offsetY);
    return area;
}

void CLOBRINView::UpdatePreview() {
    QRect bounds;
    if (CShape* preview = m_placement.Preview()) {
        bounds = preview->DrawnBounds(DrawParams());
        if (!bounds.isEmpty()) {
            bounds.adjust(-kPreviewMargin, -kPreviewMargin, kPreviewMargin, kPreviewMargin);
        }
    }
    const QRegion dirty = QRegion(m_previewBounds) | QRegion(bounds);
    m_previewBounds = bounds;
    if (!dirty.isEmpty()) {
        viewport()->update(dirty.translated(-scrollPosition()));
    }
}

void CLOBRINView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.translate(-scrollPosition());
    for (const QRect& exposed : event->region()) {
        PaintPicture(painter, exposed.translated(scrollPosition()));
    }
    PaintOverlays(painter);
}

void CLOBRINView::PaintPicture(QPainter& painter, const QRect& exposed) {
    const bool hasPicture = m_doc.Model().HasPicture();
    const QRect shown = hasPicture ? exposed & QRect(QPoint(0, 0), ZoomedSize()) : QRect();
    for (const QRect& outside : QRegion(exposed) - QRegion(shown)) {
        painter.fillRect(outside, palette().color(QPalette::Dark));
    }
    if (shown.isEmpty()) {
        return;
    }
    if (EnsureCache()) {
        painter.drawImage(shown.topLeft(), m_cache, shown);
    } else {
        painter.drawImage(shown.topLeft(), PictureArea(shown));
    }
    CShape* preview = m_placement.Preview();
    const QRect previewPart = shown & m_previewBounds;
    if (preview == nullptr || previewPart.isEmpty()) {
        return;
    }
    // The preview is drawn not-XOR over a copy of the pixels it covers, so
    // the off-screen picture stays as it is.
    QImage patch = PictureArea(previewPart);
    if (patch.isNull()) {
        return;
    }
    {
        CQImageDrawContext dc(patch);
        dc.SetRasterMode(RasterMode::NotXorPen);
        CDrawParams params = DrawParams();
        params.offsetX = previewPart.x();
        params.offsetY = previewPart.y();
        preview->Draw(dc, params);
    }
    painter.drawImage(previewPart.topLeft(), patch);
}

void CLOBRINView::PaintOverlays(QPainter& painter) {
    if (!m_doc.Model().HasPicture()) {
        return;
    }
    const QSize zoomed = ZoomedSize();
    if (m_crosshairShown) {
        const QPoint cross = m_placement.Crosshair();
        const int x = static_cast<int>(Zoom() * cross.x());
        const int y = static_cast<int>(Zoom() * cross.y());
        painter.setPen(QPen(QColor(255, 0, 0), 1));
        painter.drawLine(0, y, zoomed.width() - 1, y);
        painter.drawLine(x, 0, x, zoomed.height() - 1);
    }
    if (!g_overlayNotice.text.isEmpty()) {
        painter.setPen(QColor(0, 255, 0));
        painter.drawText(QRect(3, 5, zoomed.width(), zoomed.height()), Qt::AlignLeft | Qt::AlignTop,
                         g_overlayNotice.text.left(COverlayNotice::kMaxLength));
    }
    PaintParticleOverlays(painter);
    if (OperationForAreaMode(m_doc.Model().Modes().areaMode) || m_tracker.tracking()) {
        DrawRectTracker(painter, m_tracker);
    }
}
