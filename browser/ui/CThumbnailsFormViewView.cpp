#include "browser/ui/CThumbnailsFormViewView.h"

#include "browser/ThumbnailAnnouncement.h"
#include "browser/ThumbnailNames.h"
#include "core/CommandIds.h"
#include "core/Folders.h"
#include "core/Language.h"
#include "core/PendingPicture.h"
#include "framework/ui/MDIFrameWnd.h"
#include "framework/ui/MessageBox.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QScrollBar>

namespace {

// A burst of changes in the folder (a copy of many pictures) reloads once.
constexpr int kReloadDelayMs = 300;

// What the loader's thread hands over to the list.
class CLoaderEvent : public QEvent {
public:
    CLoaderEvent()
        : QEvent(Type()) {}
    static QEvent::Type Type() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    enum class Kind { Listed, Thumbnail, Picture };
    Kind kind = Kind::Listed;
    std::uint64_t generation = 0;
    QString folder;
    QStringList names;
    QString name;
    std::optional<CThumbnail> thumbnail;
    std::shared_ptr<const CDib> picture;
};

QPixmap PixmapOf(const CThumbnail& thumbnail) {
    const QImage image(thumbnail.bgr.data(), kThumbnailSide, kThumbnailSide, 3 * kThumbnailSide,
                       QImage::Format_BGR888);
    return QPixmap::fromImage(image.copy());
}

} // namespace

CThumbnailsFormViewView::CThumbnailsFormViewView(QWidget* parent)
    : QListWidget(parent)
    , m_registration(ReceiverRole::ThumbnailList, this)
    , m_blank(PixmapOf(BlankThumbnail())) {
    setObjectName(QStringLiteral("CThumbnailsFormViewView"));
    setViewMode(QListView::IconMode);
    setIconSize(QSize(kThumbnailSide, kThumbnailSide));
    // Several pictures are chosen for a focus stack or a mosaic.
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setUniformItemSizes(true);
    setWordWrap(true);
    // The end of a name tells the pictures of a series apart
    // ("NAME-0001.jpg"): a name too long for its item loses its middle.
    setTextElideMode(Qt::ElideMiddle);
    // Thousands of items lay out in steps, so the window stays responsive.
    setLayoutMode(QListView::Batched);

    m_reloadTimer.setSingleShot(true);
    m_reloadTimer.setInterval(kReloadDelayMs);
    connect(&m_reloadTimer, &QTimer::timeout, this, &CThumbnailsFormViewView::Reload);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
            [this] { m_reloadTimer.start(); });
    connect(this, &QListWidget::itemSelectionChanged, this,
            &CThumbnailsFormViewView::OnSelectionChanged);
    connect(this, &QListWidget::itemDoubleClicked, this, &CThumbnailsFormViewView::OnDoubleClicked);

    const auto post = [this](CLoaderEvent* event) {
        QCoreApplication::postEvent(this, event);
    };
    m_loader = std::make_unique<CThumbnailLoader>(ThumbnailLoaderCallbacks{
        [post](std::uint64_t generation, const QString& folder, const QStringList& names) {
            auto* event = new CLoaderEvent;
            event->generation = generation;
            event->folder = folder;
            event->names = names;
            post(event);
        },
        [post](std::uint64_t generation, const QString& name,
               const std::optional<CThumbnail>& thumbnail) {
            auto* event = new CLoaderEvent;
            event->kind = CLoaderEvent::Kind::Thumbnail;
            event->generation = generation;
            event->name = name;
            event->thumbnail = thumbnail;
            post(event);
        },
        [post](std::uint64_t request, const QString&, const std::shared_ptr<const CDib>& picture) {
            auto* event = new CLoaderEvent;
            event->kind = CLoaderEvent::Kind::Picture;
            event->generation = request;
            event->picture = picture;
            post(event);
        }});
    Reload();
}

CThumbnailsFormViewView::~CThumbnailsFormViewView() {
    // The worker may be posting to this list; it ends before the list does.
    m_loader.reset();
}

void CThumbnailsFormViewView::Reload() {
    m_reloadTimer.stop();
    m_folder = g_folders.snapshotFolder;
    WatchFolder();
    if (m_loader->Load(m_folder) == 0) {
        ShowMessageBox(nullptr,
                       GetLanguageString(QStringLiteral("ImageLoadFailTip"),
                                         QStringLiteral("Image data load fail!"), 128),
                       QString());
    }
}

void CThumbnailsFormViewView::WatchFolder() {
    const QStringList watched = m_watcher.directories();
    if (watched.size() == 1 && watched.front() == m_folder) {
        return;
    }
    if (!watched.isEmpty()) {
        m_watcher.removePaths(watched);
    }
    if (!m_folder.isEmpty() && QFileInfo(m_folder).isDir()) {
        m_watcher.addPath(m_folder);
    }
}

bool CThumbnailsFormViewView::event(QEvent* event) {
    if (event->type() == CLoaderEvent::Type()) {
        const auto* loaded = static_cast<const CLoaderEvent*>(event);
        switch (loaded->kind) {
        case CLoaderEvent::Kind::Listed:
            OnListed(loaded->generation, loaded->folder, loaded->names);
            break;
        case CLoaderEvent::Kind::Thumbnail:
            OnThumbnail(loaded->generation, loaded->name, loaded->thumbnail);
            break;
        case CLoaderEvent::Kind::Picture:
            OnPicture(loaded->generation, loaded->picture);
            break;
        }
        return true;
    }
    if (event->type() == CPostedEvent::Type()) {
        const auto* posted = static_cast<const CPostedEvent*>(event);
        if (posted->message() == UM_REFRESH_THUMBNAILS) {
            OnNewPicture();
        } else if (posted->message() == UM_RELOAD_THUMBNAILS) {
            Reload();
        }
        return true;
    }
    return QListWidget::event(event);
}

QListWidgetItem* CThumbnailsFormViewView::InsertItem(int row, const QString& name,
                                                     const QIcon& icon) {
    auto* item = new QListWidgetItem(icon, ThumbnailLabel(name));
    item->setData(Qt::UserRole, name);
    item->setToolTip(name);
    insertItem(row, item);
    m_items.insert(name, item);
    return item;
}

void CThumbnailsFormViewView::OnListed(std::uint64_t generation, const QString& folder,
                                       const QStringList& names) {
    if (generation != m_loader->generation()) {
        return;
    }
    // Pictures already shown keep their thumbnail until the new one comes, so
    // a reload after a change in the folder does not flicker.
    QHash<QString, QIcon> shown;
    if (folder == m_folder) {
        for (auto it = m_items.cbegin(); it != m_items.cend(); ++it) {
            shown.insert(it.key(), it.value()->icon());
        }
    }
    const QString selectedName =
        m_selected >= 0 && m_selected < m_names.size() ? m_names[m_selected] : QString();
    const int scrolled = verticalScrollBar()->value();
    {
        const QSignalBlocker blocker(this);
        setUpdatesEnabled(false);
        clear();
        m_items.clear();
        m_names = names;
        for (int i = 0; i < names.size(); ++i) {
            InsertItem(i, names[i], shown.value(names[i], QIcon(m_blank)));
        }
        setUpdatesEnabled(true);
    }
    m_folder = folder;
    m_selected = -1;
    if (QListWidgetItem* item = m_items.value(selectedName)) {
        // The same picture stays selected; its decoded picture stays too.
        const QSignalBlocker blocker(this);
        setCurrentItem(item);
        m_selected = row(item);
    } else {
        m_current.reset();
        m_pictureRequest = 0;
    }
    verticalScrollBar()->setValue(scrolled);
}

void CThumbnailsFormViewView::OnThumbnail(std::uint64_t generation, const QString& name,
                                          const std::optional<CThumbnail>& thumbnail) {
    if (generation != m_loader->generation()) {
        return;
    }
    if (QListWidgetItem* item = m_items.value(name)) {
        item->setIcon(thumbnail ? QIcon(PixmapOf(*thumbnail)) : QIcon(m_blank));
    }
}

void CThumbnailsFormViewView::OnPicture(std::uint64_t request,
                                        const std::shared_ptr<const CDib>& picture) {
    if (request == m_pictureRequest) {
        m_current = picture;
    }
}

void CThumbnailsFormViewView::OnNewPicture() {
    const QString announced = TakeAnnouncedPicture();
    if (announced.isEmpty()) {
        // A poster that did not say what it wrote: look at the whole folder.
        m_reloadTimer.start();
        return;
    }
    const QFileInfo info(announced);
    const QString name = info.fileName();
    // A picture exported elsewhere is not part of this list.
    if (QDir::cleanPath(info.absolutePath()) != QDir::cleanPath(m_folder) ||
        !IsListedPictureName(name)) {
        return;
    }
    if (!m_items.contains(name)) {
        const auto at = std::lower_bound(m_names.begin(), m_names.end(), name, ThumbnailNameLess);
        const int row = static_cast<int>(at - m_names.begin());
        m_names.insert(row, name);
        const QSignalBlocker blocker(this);
        InsertItem(row, name, QIcon(m_blank));
        if (m_selected >= row) {
            ++m_selected;
        }
    }
    m_loader->Refresh(name);
}

void CThumbnailsFormViewView::OnSelectionChanged() {
    QList<QListWidgetItem*> selected = selectedItems();
    // Of several, the one the user clicked last is shown.
    if (currentItem() != nullptr && currentItem()->isSelected()) {
        selected.prepend(currentItem());
    }
    const int index = selected.isEmpty() ? -1 : row(selected.front());
    if (index == m_selected) {
        return;
    }
    m_selected = index;
    m_current.reset();
    m_pictureRequest = 0;
    if (index >= 0) {
        m_pictureRequest = m_loader->DecodePicture(PathOf(selected.front()));
    }
}

QString CThumbnailsFormViewView::PathOf(const QListWidgetItem* item) const {
    return QDir(m_folder).filePath(item->data(Qt::UserRole).toString());
}

void CThumbnailsFormViewView::OnDoubleClicked(QListWidgetItem* item) {
    if (item == nullptr || row(item) >= m_names.size()) {
        return;
    }
    g_pendingPicture.path = PathOf(item);
    RunOpenPicture();
}

void CThumbnailsFormViewView::RunOpenPicture() {
    // A floating pane is a window of its own; the main frame is its parent.
    for (QWidget* widget = this; widget != nullptr; widget = widget->parentWidget()) {
        if (auto* frame = qobject_cast<CMDIFrameWnd*>(widget)) {
            frame->RouteCommand(ID_FILE_OPEN);
            return;
        }
    }
}
