#include "analysis/ui/PictureMerging.h"
#include "app/ApplicationLook.h"
#include "app/CFrameCustomizer.h"
#include "app/CMainFrame.h"
#include "app/CSettingDialog.h"
#include "capture/CaptureSession.h"
#include "capture/ui/CSelectDeviceDlg.h"
#include "core/CommandIds.h"
#include "core/Folders.h"
#include "core/Language.h"
#include "core/Parameters.h"
#include "core/PendingPicture.h"
#include "framework/ui/DesktopOpener.h"
#include "framework/ui/FileDialog.h"
#include "framework/ui/MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <QUrl>

namespace {

// The caption of the live camera window; there is at most one.
const QString kLiveWindowTitle = QStringLiteral("Marnelo");

// A language item is marked when the chosen language reads its file, so
// that identifiers without a file of their own mark English.
bool IsLanguageInUse(int primaryId, int secondaryId) {
    return LanguageFileName(g_parameters.languagemainid, g_parameters.languagesubid) ==
           LanguageFileName(primaryId, secondaryId);
}

bool IsLookCommand(int id) {
    return id >= ID_VIEW_APPLOOK_FIRST && id <= ID_VIEW_APPLOOK_LAST;
}

} // namespace

bool CMainFrame::OnCommand(int id) {
    switch (id) {
    case ID_FILE_OPEN:
        OnOpenPicture();
        return true;
    case ID_OPEN_DEVICE:
        OnOpenCamera();
        return true;
    case ID_FAVORITES:
        OnFavorites();
        return true;
    case ID_SAVE_SETTING:
        OnSaveSetting();
        return true;
    case ID_APP_EXIT:
        close();
        return true;
    case ID_VIEW_STATUS_BAR:
        statusBar()->setVisible(statusBar()->isHidden());
        return true;
    case ID_LANGUAGE_CHINESE_SP:
        OnLanguage(4, 2);
        return true;
    case ID_LANGUAGE_CHINESE_TR:
        OnLanguage(4, 1);
        return true;
    case ID_LANGUAGE_ENGLISH:
        OnLanguage(9, 1);
        return true;
    case ID_APP_ABOUT:
        return true;
    case ID_FOCUS_STACK:
        RunFocusStackCommand(
            this, AskForPictures(this, GetLanguageString("FocusStackChoose",
                                                         QStringLiteral("Pictures to focus stack"),
                                                         128)));
        return true;
    case ID_STITCH:
        RunStitchCommand(
            this,
            AskForPictures(this, GetLanguageString("StitchChoose",
                                                   QStringLiteral("Pictures to stitch"), 128)));
        return true;
    default:
        if (IsLookCommand(id)) {
            OnApplicationLook(id);
            return true;
        }
        return m_customizer && m_customizer->OnCommand(id);
    }
}

bool CMainFrame::OnUpdateCommand(int id, CCmdUI& cmdUI) {
    switch (id) {
    case ID_FILE_OPEN:
    case ID_OPEN_DEVICE:
    case ID_FAVORITES:
    case ID_SAVE_SETTING:
    case ID_APP_EXIT:
    case ID_APP_ABOUT:
    case ID_FOCUS_STACK:
    case ID_STITCH:
        return true;
    case ID_LANGUAGE_CHINESE_SP:
        cmdUI.SetCheck(IsLanguageInUse(4, 2));
        return true;
    case ID_LANGUAGE_CHINESE_TR:
        cmdUI.SetCheck(IsLanguageInUse(4, 1));
        return true;
    case ID_LANGUAGE_ENGLISH:
        cmdUI.SetCheck(IsLanguageInUse(9, 1));
        return true;
    case ID_VIEW_STATUS_BAR:
        cmdUI.SetCheck(!statusBar()->isHidden());
        return true;
    default:
        if (IsLookCommand(id)) {
            cmdUI.SetCheck(id == m_look);
            return true;
        }
        return m_customizer && m_customizer->OnUpdateCommand(id, cmdUI);
    }
}

void CMainFrame::OnOpenPicture() {
    // A picture chosen in the picture browser opens without asking, once.
    QString path = TakePendingPicturePath();
    if (path.isEmpty()) {
        int formatId = 0;
        path = m_openFolder;
        if (!DoImageFileDialog(this, ImageDialogMode::Open, formatId, path)) {
            return;
        }
        m_openFolder = QFileInfo(path).absolutePath();
    }
    OpenDocument(DocKind::StillImage, path);
}

void CMainFrame::OnOpenCamera() {
    for (QMdiSubWindow* window : mdiArea()->subWindowList()) {
        if (window->windowTitle() == kLiveWindowTitle) {
            mdiArea()->setActiveSubWindow(window);
            return;
        }
    }
    CSelectDeviceDlg dialog(this);
    if (dialog.exec() == QDialog::Accepted) {
        ChooseVideoDevice(g_captureShared.chosenDeviceIndex);
        OpenDocument(DocKind::LiveCamera);
    }
}

void CMainFrame::OnSaveSetting() {
    CSettingDialog dialog(this);
    dialog.exec();
    // Colours, widths and decimals act at once, also after Cancel: every
    // open picture relabels with them.
    for (QMdiSubWindow* window : mdiArea()->subWindowList()) {
        window->widget()->update();
    }
}

void CMainFrame::OnFavorites() {
    if (g_folders.snapshotFolder.isEmpty()) {
        return;
    }
    // The folder may have been removed since start; the file manager should
    // still open where the snapshots go.
    QDir().mkpath(g_folders.snapshotFolder);
    OpenWithDesktop(QUrl::fromLocalFile(g_folders.snapshotFolder));
}

void CMainFrame::OnLanguage(int primaryId, int secondaryId) {
    SetLanguage(primaryId, secondaryId);
    RelabelMenus();
    ShowMessageBox(
        nullptr,
        GetLanguageString("Promptcontent", QStringLiteral("Please restart the program"), 48),
        GetLanguageString("Systemprompt", QStringLiteral("System prompt"), 48), QMessageBox::Ok,
        QMessageBox::Information);
}

void CMainFrame::OnApplicationLook(int lookId) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_look = lookId;
    ApplyApplicationLook(lookId);
    StoreApplicationLook(lookId);
    QApplication::restoreOverrideCursor();
}
