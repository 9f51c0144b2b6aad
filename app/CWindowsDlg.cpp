#include "app/CWindowsDlg.h"

#include "core/CommandIds.h"
#include "core/Language.h"
#include "framework/ui/ChildFrame.h"
#include "framework/ui/DialogButtons.h"
#include "framework/ui/Document.h"
#include "framework/ui/MDIFrameWnd.h"
#include "framework/ui/View.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

CWindowsDlg::CWindowsDlg(CMDIFrameWnd& frame, QWidget* parent)
    : QDialog(parent)
    , m_frame(frame) {
    setObjectName(QStringLiteral("WindowsDialog"));
    setWindowTitle(GetLanguageString("WindowsTitle", QStringLiteral("Windows"), 128));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("WindowList"));
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_activateButton = MakeDialogButton(
        "ActivateButton", GetLanguageString("WindowsActivate", QStringLiteral("Activate"), 128),
        this);
    m_saveButton = MakeDialogButton(
        "SaveButton", GetLanguageString("WindowsSave", QStringLiteral("Save"), 128), this);
    m_closeButton = MakeDialogButton(
        "CloseButton", GetLanguageString("WindowsClose", QStringLiteral("Close Window(s)"), 128),
        this);
    QPushButton* okButton = MakeDialogButton(
        "OkButton", GetLanguageString("WindowsOk", QStringLiteral("OK"), 128), this);
    okButton->setDefault(true);

    auto* column = new QVBoxLayout;
    column->addWidget(m_activateButton);
    column->addWidget(okButton);
    column->addWidget(m_saveButton);
    column->addWidget(m_closeButton);
    column->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(column);

    connect(m_list, &QListWidget::itemSelectionChanged, this, &CWindowsDlg::updateButtons);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &CWindowsDlg::onActivate);
    connect(m_activateButton, &QPushButton::clicked, this, &CWindowsDlg::onActivate);
    connect(m_saveButton, &QPushButton::clicked, this, &CWindowsDlg::onSave);
    connect(m_closeButton, &QPushButton::clicked, this, &CWindowsDlg::onClose);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

    // Windows come and go as children of the tab area's viewport.
    m_frame.mdiArea()->viewport()->installEventFilter(this);
    refresh();
    // The active window starts chosen.
    const int active = m_windows.indexOf(m_frame.mdiArea()->currentSubWindow());
    if (active >= 0) {
        m_list->setCurrentRow(active);
    }
    updateButtons();
}

bool CWindowsDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildRemoved) {
        requestRefresh();
    }
    return QDialog::eventFilter(watched, event);
}

void CWindowsDlg::requestRefresh() {
    // A window being added is not yet listed by the area; look once it is.
    if (m_refreshPending) {
        return;
    }
    m_refreshPending = true;
    QTimer::singleShot(0, this, [this] {
        m_refreshPending = false;
        refresh();
    });
}

void CWindowsDlg::refresh() {
    QList<QMdiSubWindow*> chosen = chosenWindows();
    m_list->blockSignals(true);
    m_list->clear();
    m_windows.clear();
    for (QMdiSubWindow* window : m_frame.mdiArea()->subWindowList()) {
        m_windows.append(window);
        auto* item = new QListWidgetItem(window->windowIcon(), window->windowTitle(), m_list);
        item->setSelected(chosen.contains(window));
        connect(window, &QWidget::windowTitleChanged, this, &CWindowsDlg::requestRefresh,
                Qt::UniqueConnection);
    }
    m_list->blockSignals(false);
    updateButtons();
}

QList<QMdiSubWindow*> CWindowsDlg::chosenWindows() const {
    QList<QMdiSubWindow*> chosen;
    for (int row = 0; row < m_list->count() && row < m_windows.size(); ++row) {
        if (m_list->item(row)->isSelected() && m_windows[row]) {
            chosen.append(m_windows[row]);
        }
    }
    return chosen;
}

void CWindowsDlg::updateButtons() {
    const int count = static_cast<int>(chosenWindows().size());
    m_activateButton->setEnabled(count == 1);
    m_saveButton->setEnabled(count > 0);
    m_closeButton->setEnabled(count > 0);
}

void CWindowsDlg::onActivate() {
    const QList<QMdiSubWindow*> chosen = chosenWindows();
    if (chosen.size() != 1) {
        return;
    }
    m_frame.mdiArea()->setActiveSubWindow(chosen.front());
    accept();
}

void CWindowsDlg::onSave() {
    for (QMdiSubWindow* window : chosenWindows()) {
        // Saved as its own Save command would, whichever window is active.
        if (auto* child = qobject_cast<CChildFrame*>(window)) {
            // A window that cannot save (the live camera) handles none of them.
            if (!child->view().OnCommand(ID_FILE_SAVE) &&
                !child->document().OnCommand(ID_FILE_SAVE)) {
                child->OnCommand(ID_FILE_SAVE);
            }
        }
    }
}

void CWindowsDlg::onClose() {
    QList<QPointer<QMdiSubWindow>> chosen;
    for (QMdiSubWindow* window : chosenWindows()) {
        chosen.append(window);
    }
    for (const QPointer<QMdiSubWindow>& window : chosen) {
        // Each asks the close question; a window kept open stays listed.
        if (window) {
            window->close();
        }
    }
    refresh();
}
