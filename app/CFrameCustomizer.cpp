#include "app/CFrameCustomizer.h"

#include "app/CCustomizeDlg.h"
#include "app/CDocumentMenuButton.h"
#include "app/CWindowsDlg.h"
#include "app/ResourceStrings.h"
#include "app/ToolbarTable.h"
#include "app/UserImages.h"
#include "core/CommandIds.h"
#include "framework/ui/MDIFrameWnd.h"

#include <cstdio>

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QSettings>
#include <QTimer>
#include <QToolBar>

namespace {

const QString kLayoutKey = QStringLiteral("Toolbars");

std::vector<int> StandardIds() {
    std::vector<int> ids;
    for (const ToolbarButton& button : ToolbarButtons()) {
        ids.push_back(button.id);
    }
    return ids;
}

// Image `index` of the strip; light grey (192, 192, 192) is the strip's
// background and shows the toolbar through.
QPixmap UserImage(const CDib& strip, int index) {
    QImage image(kUserImageSize, kUserImageSize, QImage::Format_ARGB32);
    for (int y = 0; y < kUserImageSize; ++y) {
        for (int x = 0; x < kUserImageSize; ++x) {
            const RgbQuad color = strip.PixelColor(index * kUserImageSize + x, y);
            const bool background = color.red == 192 && color.green == 192 && color.blue == 192;
            image.setPixel(x, y, qRgba(color.red, color.green, color.blue, background ? 0 : 255));
        }
    }
    return QPixmap::fromImage(image);
}

} // namespace

CFrameCustomizer::CFrameCustomizer(CMDIFrameWnd& frame, QToolBar& standard,
                                   QList<QDockWidget*> panes)
    : QObject(&frame)
    , m_frame(frame)
    , m_standard(standard)
    , m_panes(std::move(panes))
    , m_layout(StandardIds()) {
    // These captions follow the language the program started with, as the
    // pane titles do.
    m_frame.CommandAction(ID_VIEW_CUSTOMIZE)->setText(LoadResourceString(IDS_CUSTOMIZE));
    m_frame.CommandAction(ID_WINDOW_MANAGER)->setText(LoadResourceString(IDS_WINDOW_MANAGER));
    new CDocumentMenuButton(m_frame);
    rebuild();
}

CFrameCustomizer::~CFrameCustomizer() {
    endDrag();
}

std::vector<int> CFrameCustomizer::CustomizableCommands() {
    std::vector<int> ids = {ID_FILE_OPEN,    ID_FILE_SAVE, ID_FILE_SAVE_AS,  ID_VIDEO_SETTING,
                            ID_SAVE_SETTING, ID_FAVORITES, ID_WINDOW_MANAGER};
    for (const ToolbarButton& button : ToolbarButtons()) {
        if (button.id != 0 && std::find(ids.begin(), ids.end(), button.id) == ids.end()) {
            ids.push_back(button.id);
        }
    }
    return ids;
}

void CFrameCustomizer::SetLayout(const CToolbarLayout& layout) {
    m_layout = layout;
    rebuild();
}

QToolBar* CFrameCustomizer::toolBar(int slot) const {
    if (slot == 0) {
        return &m_standard;
    }
    const auto found = m_userBars.find(slot);
    return found != m_userBars.end() ? found->second.data() : nullptr;
}

QList<QToolBar*> CFrameCustomizer::toolBars() const {
    QList<QToolBar*> bars{&m_standard};
    for (const auto& [slot, bar] : m_userBars) {
        if (bar) {
            bars.append(bar);
        }
    }
    return bars;
}

void CFrameCustomizer::LoadUserImages(const QString& path) {
    const UserImagesFile file = ReadUserImages(QFile::encodeName(path).toStdString());
    if (file.status == UserImagesFile::Status::Ignored) {
        std::fprintf(stderr, "%s\n", file.message.c_str());
    }
    m_userImages.clear();
    for (int index = 0; index < file.count; ++index) {
        m_userImages.append(UserImage(file.strip, index));
    }
    rebuild();
}

void CFrameCustomizer::RestoreLayout(QSettings& store) {
    if (!store.contains(kLayoutKey)) {
        return;
    }
    const auto isCommand = [](int id) {
        const std::vector<int> known = CustomizableCommands();
        return std::find(known.begin(), known.end(), id) != known.end();
    };
    CToolbarLayout restored(StandardIds());
    // A damaged entry leaves the toolbars as built.
    if (restored.Restore(store.value(kLayoutKey).toByteArray(), isCommand)) {
        SetLayout(restored);
    }
}

void CFrameCustomizer::SaveLayout(QSettings& store) const {
    store.setValue(kLayoutKey, m_layout.Serialize());
}

void CFrameCustomizer::FillPaneMenu(QMenu& menu) {
    menu.clear();
    for (QToolBar* bar : toolBars()) {
        menu.addAction(bar->toggleViewAction());
    }
    for (QDockWidget* pane : m_panes) {
        menu.addAction(pane->toggleViewAction());
    }
    menu.addSeparator();
    menu.addAction(m_frame.CommandAction(ID_VIEW_CUSTOMIZE));
    menu.addAction(m_frame.CommandAction(ID_WINDOW_MANAGER));
}

bool CFrameCustomizer::OnCommand(int id) {
    switch (id) {
    case ID_VIEW_CUSTOMIZE:
        runCustomizeDialog();
        return true;
    case ID_WINDOW_MANAGER:
        runWindowsDialog();
        return true;
    default:
        return false;
    }
}

bool CFrameCustomizer::OnUpdateCommand(int id, CCmdUI& cmdUI) {
    (void)cmdUI;
    return id == ID_VIEW_CUSTOMIZE || id == ID_WINDOW_MANAGER;
}

void CFrameCustomizer::runCustomizeDialog() {
    CustomizeState state{m_layout, {}, {}};
    for (const ToolbarLayoutBar& bar : m_layout.bars()) {
        state.toolbarVisible[bar.slot] = !toolBar(bar.slot)->isHidden();
    }
    QStringList paneNames;
    for (QDockWidget* pane : m_panes) {
        state.paneVisible.push_back(!pane->isHidden());
        paneNames.append(pane->windowTitle());
    }
    std::vector<CustomizeCommand> commands;
    for (int id : CustomizableCommands()) {
        QAction* action = m_frame.CommandAction(id);
        commands.push_back({id, QString(action->text()).remove(QLatin1Char('&')), action->icon()});
    }
    CCustomizeDlg dialog(state, commands, m_userImages, m_standard.windowTitle(), paneNames,
                         &m_frame);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const CustomizeState& chosen = dialog.state();
    SetLayout(chosen.layout);
    for (const auto& [slot, visible] : chosen.toolbarVisible) {
        if (QToolBar* bar = toolBar(slot)) {
            bar->setVisible(visible);
        }
    }
    for (int index = 0; index < m_panes.size(); ++index) {
        m_panes[index]->setVisible(chosen.paneVisible.at(static_cast<std::size_t>(index)));
    }
}

void CFrameCustomizer::runWindowsDialog() {
    CWindowsDlg dialog(m_frame, &m_frame);
    dialog.exec();
}

QToolBar* CFrameCustomizer::makeUserToolBar(int slot, const QString& name) {
    auto* bar = new QToolBar(name, &m_frame);
    // The frame's saved state finds the bar again by this name.
    bar->setObjectName(QStringLiteral("UserToolbar%1").arg(slot));
    bar->setIconSize(m_standard.iconSize());
    bar->setMovable(true);
    m_frame.addToolBar(Qt::TopToolBarArea, bar);
    m_userBars[slot] = bar;
    return bar;
}

QAction* CFrameCustomizer::actionFor(const ToolbarLayoutButton& button, QObject* owner) {
    QAction* command = m_frame.CommandAction(button.id);
    if (button.image < 0 || button.image >= m_userImages.size()) {
        return command;
    }
    // A button with a picture of its own stands in for the shared command
    // action and follows its texts and state.
    auto* proxy = new QAction(m_userImages[button.image], command->text(), owner);
    const auto follow = [proxy, command] {
        proxy->setText(command->text());
        proxy->setToolTip(command->toolTip());
        proxy->setStatusTip(command->statusTip());
        proxy->setEnabled(command->isEnabled());
        proxy->setCheckable(command->isCheckable());
        proxy->setChecked(command->isChecked());
    };
    follow();
    connect(command, &QAction::changed, proxy, follow);
    connect(proxy, &QAction::triggered, command, [command] { command->trigger(); });
    return proxy;
}

void CFrameCustomizer::rebuild() {
    for (auto it = m_userBars.begin(); it != m_userBars.end();) {
        if (!m_layout.FindBar(it->first) && it->second) {
            m_frame.removeToolBar(it->second);
            it->second->deleteLater();
        }
        it = (!m_layout.FindBar(it->first) || !it->second) ? m_userBars.erase(it) : std::next(it);
    }
    for (QToolBar* bar : toolBars()) {
        bar->clear();
    }
    m_places.clear();
    endDrag();
    m_built = std::make_unique<QObject>();

    for (const ToolbarLayoutBar& layoutBar : m_layout.bars()) {
        QToolBar* bar = toolBar(layoutBar.slot);
        if (!bar) {
            bar = makeUserToolBar(layoutBar.slot, layoutBar.name);
        }
        if (layoutBar.slot != 0) {
            bar->setWindowTitle(layoutBar.name);
            bar->toggleViewAction()->setText(layoutBar.name);
        }
        for (const auto& [index, button] : m_layout.ShownButtons(layoutBar.slot)) {
            if (button.id == 0) {
                auto* separator = new QAction(m_built.get());
                separator->setSeparator(true);
                bar->addAction(separator);
                continue;
            }
            QAction* action = actionFor(button, m_built.get());
            bar->addAction(action);
            if (QWidget* widget = bar->widgetForAction(action)) {
                widget->installEventFilter(this);
            }
            m_places.push_back({bar, action, layoutBar.slot, index});
        }
    }
}

const CFrameCustomizer::Place* CFrameCustomizer::placeOf(const QObject* widget) const {
    for (const Place& place : m_places) {
        if (place.bar->widgetForAction(place.action) == widget) {
            return &place;
        }
    }
    return nullptr;
}

bool CFrameCustomizer::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
        type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick) {
        return QObject::eventFilter(watched, event);
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton &&
        (mouse->modifiers() & Qt::AltModifier)) {
        if (const Place* place = placeOf(watched)) {
            m_drag = *place;
            // The cursor tells that the button is being carried.
            QApplication::setOverrideCursor(Qt::DragMoveCursor);
            return true; // the button must not run its command
        }
    }
    if (!m_drag) {
        return QObject::eventFilter(watched, event);
    }
    if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) {
        const Place source = *m_drag;
        endDrag();
        dropAt(source, mouse->globalPosition().toPoint());
    }
    return true;
}

void CFrameCustomizer::endDrag() {
    if (m_drag) {
        m_drag.reset();
        QApplication::restoreOverrideCursor();
    }
}

void CFrameCustomizer::dropAt(const Place& source, const QPoint& globalPos) {
    QToolBar* target = nullptr;
    for (QToolBar* bar : toolBars()) {
        if (bar->isVisible() && bar->rect().contains(bar->mapFromGlobal(globalPos))) {
            target = bar;
            break;
        }
    }
    if (!target) {
        // Dropped off every toolbar: the button goes.
        m_layout.RemoveButton(source.slot, source.index);
    } else {
        int targetSlot = 0;
        for (const ToolbarLayoutBar& bar : m_layout.bars()) {
            if (toolBar(bar.slot) == target) {
                targetSlot = bar.slot;
            }
        }
        // Before the first button whose middle lies past the drop point.
        const QPoint local = target->mapFromGlobal(globalPos);
        const bool horizontal = target->orientation() == Qt::Horizontal;
        const ToolbarLayoutBar* bar = m_layout.FindBar(targetSlot);
        int before = static_cast<int>(bar->buttons.size());
        for (const Place& place : m_places) {
            if (place.bar != target) {
                continue;
            }
            const QRect box = target->actionGeometry(place.action);
            if (horizontal ? local.x() < box.center().x() : local.y() < box.center().y()) {
                before = place.index;
                break;
            }
        }
        if (targetSlot == source.slot && source.index < before) {
            --before;
        }
        if (targetSlot == source.slot && before == source.index) {
            return;
        }
        m_layout.MoveButton(source.slot, source.index, targetSlot, before);
    }
    // The pressed button is still handling its event: rebuild afterwards.
    QTimer::singleShot(0, this, &CFrameCustomizer::rebuild);
}
