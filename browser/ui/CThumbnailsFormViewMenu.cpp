// The thumbnail list's context menu and its commands.
#include "analysis/ui/PictureMerging.h"
#include "browser/ThumbnailFiles.h"
#include "browser/ui/CThumbnailsFormViewView.h"
#include "core/Language.h"
#include "core/PendingPicture.h"
#include "document/PictureCalibration.h"
#include "framework/ui/FileDialog.h"
#include "framework/ui/MessageBox.h"

#include <QContextMenuEvent>
#include <QFileInfo>
#include <QMenu>

namespace {

constexpr int kMenuTextLimit = 64;

QString MenuText(const char* key, const char* english) {
    return GetLanguageString(QString::fromLatin1(key), QString::fromUtf8(english), kMenuTextLimit);
}

bool AskYesNo(QWidget* owner, const QString& text) {
    return ShowMessageBox(owner, text, QString(), QMessageBox::Yes | QMessageBox::No,
                          QMessageBox::Question) == QMessageBox::Yes;
}

// A picture no trash took stays where it is; the user hears why.
void TellKept(QWidget* owner, const QString& key, const QString& english, const QString& why) {
    ShowMessageBox(owner, GetLanguageString(key, english, 256).arg(why), QString(), QMessageBox::Ok,
                   QMessageBox::Warning);
}

} // namespace

QMenu* CThumbnailsFormViewView::CreateContextMenu(QPoint position) {
    if (QListWidgetItem* item = itemAt(position)) {
        g_pendingPicture.path = PathOf(item);
        // A right-click on one of several selected pictures keeps them all.
        if (item->isSelected()) {
            setCurrentItem(item, QItemSelectionModel::NoUpdate);
        } else {
            setCurrentItem(item);
        }
    }
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const bool pending = !g_pendingPicture.path.isEmpty();
    menu->addAction(MenuText("Open", "Open..."), this, &CThumbnailsFormViewView::OnOpen);
    menu->addAction(MenuText("Save", "Save as"), this, &CThumbnailsFormViewView::OnSaveAs)
        ->setEnabled(pending);
    menu->addAction(MenuText("Delete", "Delete"), this, &CThumbnailsFormViewView::OnDelete)
        ->setEnabled(pending);
    menu->addAction(MenuText("DeleteAll", "Delete all"), this,
                    &CThumbnailsFormViewView::OnDeleteAll)
        ->setEnabled(pending);
    menu->addSeparator();
    const bool several = SelectedPaths().size() >= 2;
    QAction* stack = menu->addAction(MenuText("FocusStackMenu", "Focus stack…"), this,
                                     &CThumbnailsFormViewView::OnFocusStack);
    stack->setObjectName(QStringLiteral("focusStack"));
    stack->setEnabled(several);
    QAction* stitch = menu->addAction(MenuText("StitchMenu", "Stitch…"), this,
                                      &CThumbnailsFormViewView::OnStitch);
    stitch->setObjectName(QStringLiteral("stitch"));
    stitch->setEnabled(several);
    return menu;
}

void CThumbnailsFormViewView::contextMenuEvent(QContextMenuEvent* event) {
    // The scroll area hands the viewport's event on: its position is the viewport's.
    CreateContextMenu(event->pos())->popup(event->globalPos());
}

void CThumbnailsFormViewView::OnOpen() {
    RunOpenPicture();
}

void CThumbnailsFormViewView::OnSaveAs() {
    const QString source = g_pendingPicture.path;
    if (source.isEmpty()) {
        return;
    }
    const FileDialogRequest request =
        PictureSaveRequest(MenuText("Save", "Save as"), QFileInfo(source).absolutePath());
    const std::optional<FileDialogAnswer> answer = RunFileDialog(this, request);
    if (answer) {
        std::string error;
        if (!SavePictureAs(source, answer->path, error, ScaleInForce())) {
            ShowMessageBox(this,
                           GetLanguageString(QStringLiteral("SavePictureFailTip"),
                                             QStringLiteral("The picture could not be saved"), 128),
                           QString(), QMessageBox::Ok, QMessageBox::Warning);
        }
    }
    g_pendingPicture.path.clear();
}

void CThumbnailsFormViewView::OnDelete() {
    const QString path = g_pendingPicture.path;
    if (path.isEmpty() ||
        !AskYesNo(this, GetLanguageString(QStringLiteral("DeleteTip"),
                                          QStringLiteral("Are you sure delete?"), 128))) {
        return;
    }
    QString why;
    if (!RemovePicture(path, &why)) {
        TellKept(this, QStringLiteral("DeleteKeptTip"),
                 QStringLiteral("The picture was not deleted: %1"), why);
    }
    // Open Picture must not try it any more.
    g_pendingPicture.path.clear();
    Reload();
}

void CThumbnailsFormViewView::OnDeleteAll() {
    if (g_pendingPicture.path.isEmpty() ||
        !AskYesNo(this,
                  GetLanguageString(QStringLiteral("DeleteAllTip"),
                                    QStringLiteral("Delete all pictures shown here?"), 128))) {
        return;
    }
    // Only what the list shows: other files of the folder are not ours.
    QString why;
    RemovePictures(m_folder, m_names, &why);
    if (!why.isEmpty()) {
        TellKept(this, QStringLiteral("DeleteAllKeptTip"),
                 QStringLiteral("Some pictures were not deleted: %1"), why);
    }
    g_pendingPicture.path.clear();
    Reload();
}

QStringList CThumbnailsFormViewView::SelectedPaths() const {
    QStringList paths;
    for (int i = 0; i < count(); ++i) {
        if (item(i)->isSelected() && i < m_names.size()) {
            paths << PathOf(item(i));
        }
    }
    return paths;
}

void CThumbnailsFormViewView::OnFocusStack() {
    RunFocusStackCommand(this, SelectedPaths());
}

void CThumbnailsFormViewView::OnStitch() {
    RunStitchCommand(this, SelectedPaths());
}
