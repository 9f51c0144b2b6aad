#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>

class CMDIFrameWnd;
class QListWidget;
class QMdiSubWindow;
class QPushButton;

// Windows...: every window of the frame's tab area (pictures and the live
// camera) by title. Activate brings the chosen one forward and ends the
// dialog; Save and Close act on every chosen window, Close asking as closing
// a window always does. The list follows windows as they open, close and
// change title. GUI thread only.
class CWindowsDlg : public QDialog {
    Q_OBJECT
public:
    explicit CWindowsDlg(CMDIFrameWnd& frame, QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    void requestRefresh();
    QList<QMdiSubWindow*> chosenWindows() const;
    void updateButtons();
    void onActivate();
    void onSave();
    void onClose();

    CMDIFrameWnd& m_frame;
    QListWidget* m_list;
    QPushButton* m_activateButton;
    QPushButton* m_saveButton;
    QPushButton* m_closeButton;
    QList<QPointer<QMdiSubWindow>> m_windows; // in list order
    bool m_refreshPending = false;
};
