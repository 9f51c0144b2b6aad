#pragma once

#include <QDockWidget>

class CThumbnailsFormView;

// The dockable picture browser pane: the snapshots as thumbnails and the magnifier; it hosts its
// form view. GUI thread only.
class CThumbnailsFormWnd : public QDockWidget {
    Q_OBJECT
public:
    CThumbnailsFormWnd(const QString& title, QWidget* parent = nullptr);

    CThumbnailsFormView* view() const { return m_view; }

private:
    CThumbnailsFormView* m_view;
};
