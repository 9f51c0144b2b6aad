#pragma once

#include <QWidget>

class CMainFrame;
class QLabel;
class QListWidget;
class QPushButton;

// What the main frame shows while no window is open: Open Camera (naming
// the virtual microscope when no camera is plugged in), Open Picture, and
// the newest pictures of the snapshot folder, each opened by a click. It
// fills the window area and is hidden while a window is open. GUI thread
// only.
class CStartPanel : public QWidget {
    Q_OBJECT
public:
    CStartPanel(CMainFrame& frame, QWidget* parent);

    // Relabels in the current language and lists the pictures again.
    void Refresh();

protected:
    void showEvent(QShowEvent* event) override;

private:
    CMainFrame& m_frame;
    QPushButton* m_openCamera;
    QPushButton* m_openPicture;
    QLabel* m_recentTitle;
    QListWidget* m_recent;
};
