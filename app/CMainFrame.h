#pragma once

#include <QMainWindow>

// The main window. GUI thread only.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);
};
