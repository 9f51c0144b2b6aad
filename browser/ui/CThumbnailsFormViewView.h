#pragma once

#include "browser/CThumbnailLoader.h"
#include "framework/PostedEvents.h"

#include <QFileSystemWatcher>
#include <QHash>
#include <QListWidget>
#include <QPixmap>
#include <QTimer>

class QMenu;

// The thumbnail list of the snapshot folder: 60 × 60 thumbnails in an icon
// view, named in lower case, in name order; a long name is shortened in the
// middle, and the item's tooltip is the whole name. The loader makes the thumbnails
// on its thread and they show as they come; the folder is watched, so
// pictures other programs add or remove appear and disappear by themselves.
//
// Double-click opens a picture through the main frame's Open Picture; a
// right-click makes it the pending picture and shows the context menu (Open,
// Save as, Delete, Delete all, and Focus stack… and Stitch… on several
// selected pictures). The selected picture is decoded whole as the
// current picture. It takes the thumbnail list role: UM_REFRESH_THUMBNAILS
// lists an announced new picture at once, UM_RELOAD_THUMBNAILS reloads the
// folder. GUI thread only.
class CThumbnailsFormViewView : public QListWidget {
    Q_OBJECT
public:
    explicit CThumbnailsFormViewView(QWidget* parent = nullptr);
    ~CThumbnailsFormViewView() override;

    // Lists the snapshot folder again, cancelling a load under way.
    void Reload();

    // The folder listed and the real file names of the items, in item order.
    const QString& folder() const { return m_folder; }
    const QStringList& names() const { return m_names; }
    // The selected picture decoded whole, once the loader has decoded it.
    const CDib* currentPicture() const { return m_current.get(); }
    CThumbnailLoader& loader() { return *m_loader; }

    // The context menu for the item at `position` (viewport pixels): makes
    // that item pending and selected; the caller runs it.
    QMenu* CreateContextMenu(QPoint position);

    void OnOpen();
    void OnSaveAs();
    void OnDelete();
    void OnDeleteAll();
    // Merge the selected pictures (at least two), in list order.
    void OnFocusStack();
    void OnStitch();
    QStringList SelectedPaths() const;

protected:
    bool event(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void OnListed(std::uint64_t generation, const QString& folder, const QStringList& names);
    void OnThumbnail(std::uint64_t generation, const QString& name,
                     const std::optional<CThumbnail>& thumbnail);
    void OnPicture(std::uint64_t request, const std::shared_ptr<const CDib>& picture);
    void OnNewPicture();
    void OnSelectionChanged();
    void OnDoubleClicked(QListWidgetItem* item);
    QListWidgetItem* InsertItem(int row, const QString& name, const QIcon& icon);
    QString PathOf(const QListWidgetItem* item) const;
    void WatchFolder();
    void RunOpenPicture();

    CReceiverRegistration m_registration;
    QString m_folder;
    QStringList m_names;
    QHash<QString, QListWidgetItem*> m_items;
    int m_selected = -1;
    std::shared_ptr<const CDib> m_current;
    std::uint64_t m_pictureRequest = 0;
    QPixmap m_blank;
    QFileSystemWatcher m_watcher;
    QTimer m_reloadTimer;
    // Last, so that its worker ends before anything it posts to goes away.
    std::unique_ptr<CThumbnailLoader> m_loader;
};
