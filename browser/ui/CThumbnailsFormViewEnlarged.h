#pragma once

#include "framework/PostedEvents.h"

#include <QWidget>

// The magnifier strip: the square around the cursor that the still and live
// views copy into the magnifier buffer, stretched over the whole strip, with
// a red cross through its middle once a view has filled it. A click cycles
// the zoom state 1 → 2 → 3 → 1 (100, 50, 30 picture pixels). At states 2
// and 3 a faint grid shows the picture's pixels where they are at least 6
// screen pixels apart, so a point can be put on an exact pixel.
//
// It takes the magnifier role: UM_MAGNIFIER_FILLED, posted from any thread or
// sent, repaints it from the buffer. GUI thread only.
class CThumbnailsFormViewEnlarged : public QWidget {
    Q_OBJECT
public:
    explicit CThumbnailsFormViewEnlarged(QWidget* parent = nullptr);

    // How often a filled buffer was drawn (tests).
    int drawnFills() const { return m_drawnFills; }
    // The buffer holds a square for the current zoom state.
    bool showsSquare() const { return m_filled; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    CReceiverRegistration m_registration;
    // After a zoom change the buffer still holds the old square, which read
    // at the new size would show scrambled pixels: nothing shows until the
    // next fill.
    bool m_filled = false;
    int m_drawnFills = 0;
};
