#pragma once

#include <QWidget>

// The form inside the picture browser pane: the snapshots as thumbnails and the magnifier. GUI
// thread only.
class CThumbnailsFormView : public QWidget {
    Q_OBJECT
public:
    explicit CThumbnailsFormView(QWidget* parent = nullptr);
};
