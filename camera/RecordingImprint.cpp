#include "camera/RecordingImprint.h"

#include "camera/LiveDrawing.h"
#include "camera/LiveOverlay.h"
#include "camera/LiveScaleBar.h"
#include "framework/QImageDrawContext.h"

CImprintingSink::CImprintingSink(std::shared_ptr<IFrameSink> next)
    : m_next(std::move(next)) {}

void CImprintingSink::TakeFrame(const CaptureFrame& frame) {
    if (!m_next || frame.bgr == nullptr || frame.width <= 0 || frame.height <= 0) {
        return;
    }
    if (m_canvas.width() != frame.width || m_canvas.height() != frame.height) {
        m_canvas = QImage(frame.width, frame.height, QImage::Format_RGB32);
    }
    const CLiveOverlaySnapshot overlay = TakeOverlaySnapshot();
    const CLiveDrawingStyle style = overlay.style ? *overlay.style : CLiveDrawingStyle{};
    {
        CQImageDrawContext dc(m_canvas);
        dc.StretchBitmap(0, 0, frame.width, frame.height,
                         CBitmapView{frame.width, frame.height, 24,
                                     static_cast<std::size_t>(frame.stride), frame.bgr});
        if (overlay.shapes) {
            DrawLiveShapes(dc, *overlay.shapes, 1.0, 0, 0, style);
        }
        CLiveViewParams atFrameSize;
        DrawLiveScaleBar(dc, atFrameSize, frame.width, frame.height, style);
    }

    // Back into the delivered layout: BGR rows, bottom-up.
    const auto stride = static_cast<std::size_t>(frame.stride);
    m_bgr.resize(stride * static_cast<std::size_t>(frame.height));
    for (int y = 0; y < frame.height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(m_canvas.constScanLine(y));
        std::uint8_t* row = m_bgr.data() + stride * static_cast<std::size_t>(frame.height - 1 - y);
        for (int x = 0; x < frame.width; ++x) {
            row[3 * x] = static_cast<std::uint8_t>(qBlue(line[x]));
            row[3 * x + 1] = static_cast<std::uint8_t>(qGreen(line[x]));
            row[3 * x + 2] = static_cast<std::uint8_t>(qRed(line[x]));
        }
    }
    CaptureFrame drawn = frame;
    drawn.bgr = m_bgr.data();
    drawn.bytes = m_bgr.size();
    drawn.compressed = {};
    m_next->TakeFrame(drawn);
}
