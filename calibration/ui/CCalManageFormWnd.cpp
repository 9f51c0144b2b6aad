#include "calibration/ui/CCalManageFormWnd.h"

#include "calibration/ui/CCalManageFormView.h"

CCalManageFormWnd::CCalManageFormWnd(const QString& title, QWidget* parent)
    : QDockWidget(title, parent)
    , m_view(new CCalManageFormView(this)) {
    setObjectName(QStringLiteral("CCalManageFormWnd"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                QDockWidget::DockWidgetFloatable);
    setWidget(m_view);
}
