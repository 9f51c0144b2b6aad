#include "reports/ui/CMeasureResultFormWnd.h"

#include "reports/ui/CMeasureResultFormView.h"

CMeasureResultFormWnd::CMeasureResultFormWnd(const QString& title, QWidget* parent)
    : QDockWidget(title, parent)
    , m_view(new CMeasureResultFormView(this)) {
    setObjectName(QStringLiteral("CMeasureResultFormWnd"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                QDockWidget::DockWidgetFloatable);
    setWidget(m_view);
}
