#pragma once

#include "app/PowerInhibitor.h"
#include "framework/ui/DocTemplate.h"

#include <memory>

#include <QApplication>
#include <QTranslator>

class CMainFrame;

// The application object: brings the process up in a fixed order and takes it
// down again. GUI thread only.
class CLOBRINApp : public QApplication {
    Q_OBJECT
public:
    CLOBRINApp(int& argc, char** argv);
    ~CLOBRINApp() override;

    // The pictures InitInstance opens once the main window shows.
    void SetStartupPictures(const QStringList& paths) { m_startupPictures = paths; }

    // Start-up: keep the machine awake, fix the program folders, load the
    // settings, set the language, create the save folders, register the
    // document templates, create the main frame, allocate the magnifier
    // buffer, show the main window maximised and open the startup pictures
    // (one that cannot be read shows the reason and is skipped). A program
    // folder that cannot be written is reported on the status bar and on
    // standard error. Returns false when start-up failed.
    bool InitInstance();

    // Exit: release the inhibitors and the magnifier buffer, and forget the
    // saved window layout when the language was switched during the run.
    void ExitInstance();

    CMainFrame* mainFrame() const { return m_mainFrame.get(); }
    const CPowerInhibitor& inhibitor() const { return m_inhibitor; }

private:
    void ApplyUiLanguage();
    void ReportUnwritableProgramFolder();

    CPowerInhibitor m_inhibitor;
    QTranslator m_qtTranslator;
    CDocManager m_docManager;
    std::unique_ptr<CMainFrame> m_mainFrame;
    QStringList m_startupPictures;
};
