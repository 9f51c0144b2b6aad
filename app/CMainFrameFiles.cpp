#include "app/CMainFrame.h"
#include "core/PendingPicture.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace {

QStringList LocalFiles(const QMimeData* data) {
    QStringList paths;
    if (data == nullptr || !data->hasUrls()) {
        return paths;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            paths.append(url.toLocalFile());
        }
    }
    return paths;
}

} // namespace

// Each file goes through Open Picture itself, as a picture the browser
// handed over, so that opening from outside behaves exactly like the menu.
// A picture the browser had handed over stays pending for the next Open
// Picture.
void CMainFrame::OpenPictures(const QStringList& paths) {
    const QString browserPick = TakePendingPicturePath();
    for (const QString& path : paths) {
        g_pendingPicture.path = path;
        OnOpenPicture();
    }
    TakePendingPicturePath();
    if (!browserPick.isEmpty()) {
        g_pendingPicture.path = browserPick;
    }
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalFiles(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QStringList paths = LocalFiles(event->mimeData());
    if (paths.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    // Opened once the drop is over: a message about a broken file must not
    // keep the file manager waiting for the drop to end.
    QTimer::singleShot(0, this, [this, paths] { OpenPictures(paths); });
}
