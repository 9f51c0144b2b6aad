#pragma once

#include <QDockWidget>

class CCalManageFormView;

// The dockable calibration management pane: the stored calibrations and the manual calibration
// steps; it hosts its form view. GUI thread only.
class CCalManageFormWnd : public QDockWidget {
    Q_OBJECT
public:
    CCalManageFormWnd(const QString& title, QWidget* parent = nullptr);

    CCalManageFormView* view() const { return m_view; }

private:
    CCalManageFormView* m_view;
};
