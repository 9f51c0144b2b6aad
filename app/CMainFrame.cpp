#include "app/CMainFrame.h"

CMainFrame::CMainFrame(QWidget* parent)
    : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Marnelo"));
    resize(1024, 768);
}
