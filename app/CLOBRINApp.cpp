#include "app/CLOBRINApp.h"

#include "app/CMainFrame.h"
#include "app/DocTemplates.h"
#include "capture/CaptureSession.h"
#include "capture/v4l2/V4l2Backend.h"
#include "core/FolderLayout.h"
#include "core/Folders.h"
#include "core/Language.h"
#include "core/MagnifierBuffer.h"
#include "core/Parameters.h"
#include "framework/ui/StatusBar.h"

#include <cstdio>

#include <QLibraryInfo>
#include <QSettings>

CLOBRINApp::CLOBRINApp(int& argc, char** argv)
    : QApplication(argc, argv) {
    setOrganizationName(QStringLiteral("LOBRIN"));
    setApplicationName(QStringLiteral("Marnelo"));
    setApplicationDisplayName(QStringLiteral("Marnelo"));
}

CLOBRINApp::~CLOBRINApp() = default;

bool CLOBRINApp::InitInstance() {
    m_inhibitor.Acquire();
    const bool programFolderWritable = SetUpProgramFolders();
    LoadParameters();
    AddCaptureBackend(std::make_unique<CV4l2Backend>());
    ApplyUiLanguage();
    SelectLanguageFile(g_parameters.languagemainid, g_parameters.languagesubid);
    InitSaveFolders();
    RegisterDocTemplates(m_docManager);
    m_mainFrame = std::make_unique<CMainFrame>(m_docManager);
    AllocateMagnifierBuffer();
    m_mainFrame->showMaximized();
    if (!programFolderWritable) {
        ReportUnwritableProgramFolder();
    }
    m_mainFrame->OpenPictures(m_startupPictures);
    return true;
}

void CLOBRINApp::ExitInstance() {
    m_inhibitor.Release();
    FreeMagnifierBuffer();
    m_mainFrame.reset();
    if (g_language.changedInRun) {
        QSettings(organizationName(), applicationName()).remove(QStringLiteral("Workspace"));
    }
}

// Calibrations, settings files and the save folder record would be lost
// without a word otherwise.
void CLOBRINApp::ReportUnwritableProgramFolder() {
    const QString text =
        GetLanguageString("ProgramFolderTip",
                          QStringLiteral("%1 cannot be written: calibrations and settings will "
                                         "not be kept"),
                          256)
            .replace(QStringLiteral("%1"), g_folders.programFolder);
    std::fprintf(stderr, "marnelo: %s\n", text.toLocal8Bit().constData());
    m_mainFrame->paneBar().SetPaneText(kMessagePane, text);
}

// Qt's own texts (standard buttons, file dialogs) follow the chosen language
// where a translation is installed.
void CLOBRINApp::ApplyUiLanguage() {
    if (g_parameters.languagemainid != 4) {
        return;
    }
    const QString name = g_parameters.languagesubid == 1 ? QStringLiteral("qtbase_zh_TW")
                                                         : QStringLiteral("qtbase_zh_CN");
    if (m_qtTranslator.load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        installTranslator(&m_qtTranslator);
    }
}
