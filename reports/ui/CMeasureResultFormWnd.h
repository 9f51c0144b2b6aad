#pragma once

#include <QDockWidget>

class CMeasureResultFormView;

// The dockable measure results pane: the measurements of the active picture and its properties; it
// hosts its form view. GUI thread only.
class CMeasureResultFormWnd : public QDockWidget {
    Q_OBJECT
public:
    CMeasureResultFormWnd(const QString& title, QWidget* parent = nullptr);

    CMeasureResultFormView* view() const { return m_view; }

private:
    CMeasureResultFormView* m_view;
};
