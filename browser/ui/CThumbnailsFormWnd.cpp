#include "browser/ui/CThumbnailsFormWnd.h"

#include "browser/ui/CThumbnailsFormView.h"

CThumbnailsFormWnd::CThumbnailsFormWnd(const QString& title, QWidget* parent)
    : QDockWidget(title, parent)
    , m_view(new CThumbnailsFormView(this)) {
    setObjectName(QStringLiteral("CThumbnailsFormWnd"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                QDockWidget::DockWidgetFloatable);
    setWidget(m_view);
}
