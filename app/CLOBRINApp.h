#pragma once

#include "app/PowerInhibitor.h"
#include "framework/DocTemplate.h"

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

    // Start-up: keep the machine awake, fix the program folder, load the
    // settings, set the language, create the save folders, register the
    // document templates, create the main frame, allocate the magnifier
    // buffer and show the main window maximised. No document opens,
    // whatever the command line holds. Returns false when start-up failed.
    bool InitInstance();

    // Exit: release the inhibitors and the magnifier buffer, and forget the
    // saved window layout when the language was switched during the run.
    void ExitInstance();

    CMainFrame* mainFrame() const { return m_mainFrame.get(); }
    const CPowerInhibitor& inhibitor() const { return m_inhibitor; }

private:
    void ApplyUiLanguage();

    CPowerInhibitor m_inhibitor;
    QTranslator m_qtTranslator;
    CDocManager m_docManager;
    std::unique_ptr<CMainFrame> m_mainFrame;
};
