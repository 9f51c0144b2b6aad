#pragma once

#include <QColor>
#include <QList>
#include <QStatusBar>
#include <QString>

class QLabel;

// Pane 0 shows the status help of menu items and toolbar buttons; pane 1 the
// measuring prompts and zoom values (in red, see CMDIFrameWnd::ShowPrompt).
inline constexpr int kMessagePane = 0;
inline constexpr int kPromptPane = 1;

// A status bar of fixed panes, addressed by index in the order they were
// added. A pane asks for its width but shrinks when the window is narrower.
// GUI thread only.
class CStatusBar : public QStatusBar {
    Q_OBJECT
public:
    enum class Indicator { None, CapsLock, NumLock, ScrollLock };

    explicit CStatusBar(QWidget* parent = nullptr);

    // Adds a text pane; `stretch` panes take the space that is left.
    void AddPane(int id, int width, bool stretch = false);
    // Adds a lock-key indicator that shows its label while the lock is on.
    void AddIndicator(Indicator indicator, const QString& label);

    int paneCount() const { return static_cast<int>(m_panes.size()); }
    int paneId(int index) const;
    QLabel* pane(int index) const;
    QString paneText(int index) const;
    void SetPaneText(int index, const QString& text);
    void SetPaneTextColor(int index, const QColor& color);

    // Reads the lock keys' LEDs again (see LockKeys.h).
    void RefreshIndicators();

    // Names a file just written, with a link that opens its folder on the
    // desktop (DesktopOpener); it stays until the next file is named.
    void ShowSavedFile(const QString& path);
    QLabel* savedFileLabel() const { return m_saved; }
    // Of the main frame `within` belongs to; nothing when it has none.
    static void ShowSavedFileIn(const QWidget* within, const QString& path);

private:
    struct Pane {
        int id;
        Indicator indicator;
        QString label;
        QLabel* widget;
    };
    QList<Pane> m_panes;
    QLabel* m_saved = nullptr;
    QString m_savedFolder;
};
