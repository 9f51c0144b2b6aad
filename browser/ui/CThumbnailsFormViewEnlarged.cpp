#include "browser/ui/CThumbnailsFormViewEnlarged.h"

#include "core/Language.h"
#include "core/MagnifierBuffer.h"
#include "image/Dib.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

namespace {

// Picture pixels narrower than this on screen get no grid line.
constexpr int kMinGridCell = 6;

} // namespace

CThumbnailsFormViewEnlarged::CThumbnailsFormViewEnlarged(QWidget* parent)
    : QWidget(parent)
    , m_registration(ReceiverRole::Magnifier, this) {
    setObjectName(QStringLiteral("CThumbnailsFormViewEnlarged"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumHeight(1);
}

bool CThumbnailsFormViewEnlarged::event(QEvent* event) {
    if (event->type() == CPostedEvent::Type()) {
        if (static_cast<const CPostedEvent*>(event)->message() == UM_MAGNIFIER_FILLED) {
            m_filled = true;
            ++m_drawnFills;
            // Sent fills draw at once, as the cursor moves.
            repaint();
        }
        return true;
    }
    return QWidget::event(event);
}

void CThumbnailsFormViewEnlarged::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int side = MagnifierSide(g_magnifier.zoomState);
    const std::uint8_t* buffer = MagnifierBuffer();
    if (!m_filled || side == 0 || buffer == nullptr) {
        // Nothing to magnify yet: a quiet panel that says what fills it,
        // not a black box that looks broken.
        painter.fillRect(rect(), palette().window());
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap,
                         GetLanguageString("MagnifierEmpty",
                                           QStringLiteral("Move the mouse over a picture"), 128));
        return;
    }
    // The buffer is bottom-up; mirrored it reads top-down.
    const QImage square(buffer, side, side, static_cast<qsizetype>(CDib::StrideFor(side, 24)),
                        QImage::Format_BGR888);
    painter.drawImage(QRect(0, 0, width() + 1, height() + 1), square.mirrored(false, true));

    const double cellWidth = static_cast<double>(width()) / side;
    const double cellHeight = static_cast<double>(height()) / side;
    if (g_magnifier.zoomState != 1) {
        painter.setPen(QColor(255, 255, 255, 48));
        if (cellWidth >= kMinGridCell) {
            for (int i = 1; i < side; ++i) {
                const int x = static_cast<int>(i * cellWidth);
                painter.drawLine(x, 0, x, height());
            }
        }
        if (cellHeight >= kMinGridCell) {
            for (int i = 1; i < side; ++i) {
                const int y = static_cast<int>(i * cellHeight);
                painter.drawLine(0, y, width(), y);
            }
        }
    }
    painter.setPen(QColor(255, 0, 0));
    painter.drawLine(0, height() / 2, width(), height() / 2);
    painter.drawLine(width() / 2, 0, width() / 2, height());
}

void CThumbnailsFormViewEnlarged::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const int state = g_magnifier.zoomState;
        g_magnifier.zoomState = state == 1 ? 2 : state == 2 ? 3 : 1;
        m_filled = false;
        update();
    }
    QWidget::mousePressEvent(event);
}
