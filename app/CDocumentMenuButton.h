#pragma once

#include <QToolButton>

class CMDIFrameWnd;
class QMenu;

// The document menu at the right of the tab area: every open window by
// title (the active one checked; choosing one activates it), then
// "Windows...". Shown while any window is open. GUI thread only.
class CDocumentMenuButton : public QToolButton {
    Q_OBJECT
public:
    explicit CDocumentMenuButton(CMDIFrameWnd& frame);

    // Refills the menu from the open windows (done each time it opens).
    void FillMenu();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    CMDIFrameWnd& m_frame;
    QMenu* m_menu;
};
