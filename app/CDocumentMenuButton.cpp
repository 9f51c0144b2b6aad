#include "app/CDocumentMenuButton.h"

#include "core/CommandIds.h"
#include "framework/ui/MDIFrameWnd.h"

#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QTabBar>
#include <QTimer>

CDocumentMenuButton::CDocumentMenuButton(CMDIFrameWnd& frame)
    : QToolButton(frame.mdiArea())
    , m_frame(frame)
    , m_menu(new QMenu(this)) {
    setObjectName(QStringLiteral("DocumentMenuButton"));
    setArrowType(Qt::DownArrow);
    setAutoRaise(true);
    setPopupMode(QToolButton::InstantPopup);
    setMenu(m_menu);
    connect(m_menu, &QMenu::aboutToShow, this, &CDocumentMenuButton::FillMenu);
    // Windows come and go as children of the viewport; the tab bar appears
    // with the first one.
    frame.mdiArea()->installEventFilter(this);
    frame.mdiArea()->viewport()->installEventFilter(this);
    QTimer::singleShot(0, this, &CDocumentMenuButton::place);
}

void CDocumentMenuButton::FillMenu() {
    m_menu->clear();
    QMdiArea* area = m_frame.mdiArea();
    for (QMdiSubWindow* window : area->subWindowList()) {
        QAction* item = m_menu->addAction(window->windowIcon(), window->windowTitle());
        item->setCheckable(true);
        item->setChecked(window == area->currentSubWindow());
        const QPointer<QMdiSubWindow> target(window);
        connect(item, &QAction::triggered, area, [area, target] {
            if (target) {
                area->setActiveSubWindow(target);
            }
        });
    }
    m_menu->addSeparator();
    m_menu->addAction(m_frame.CommandAction(ID_WINDOW_MANAGER));
}

bool CDocumentMenuButton::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::ChildAdded:
    case QEvent::ChildRemoved:
        // After the area has laid out its tab bar for the change.
        QTimer::singleShot(0, this, &CDocumentMenuButton::place);
        break;
    default:
        break;
    }
    return QToolButton::eventFilter(watched, event);
}

void CDocumentMenuButton::place() {
    QMdiArea* area = m_frame.mdiArea();
    auto* tabs = area->findChild<QTabBar*>(QString(), Qt::FindDirectChildrenOnly);
    const bool shown = tabs && !area->subWindowList().isEmpty();
    setVisible(shown);
    if (!shown) {
        return;
    }
    const int height = std::max(tabs->sizeHint().height(), 16);
    const int width = height;
    // The tab bar keeps clear of the button.
    tabs->setMaximumWidth(std::max(0, area->width() - width));
    setGeometry(area->width() - width, 0, width, height);
    raise();
}
