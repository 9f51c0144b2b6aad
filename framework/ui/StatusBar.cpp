#include "framework/ui/StatusBar.h"

#include "core/Language.h"
#include "framework/ui/DesktopOpener.h"
#include "framework/ui/LockKeys.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>
#include <QUrl>

namespace {

// Asks for its width but gives way when the window is narrow.
class CPaneLabel : public QLabel {
public:
    CPaneLabel(int width, QWidget* parent)
        : QLabel(parent)
        , m_width(width) {}

    QSize sizeHint() const override { return {m_width, QLabel::sizeHint().height()}; }
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

private:
    int m_width;
};

} // namespace

CStatusBar::CStatusBar(QWidget* parent)
    : QStatusBar(parent) {
    setSizeGripEnabled(true);
}

void CStatusBar::AddPane(int id, int width, bool stretch) {
    auto* label = new CPaneLabel(width, this);
    label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    label->setTextFormat(Qt::PlainText);
    addWidget(label, stretch ? 1 : 0);
    m_panes.append(Pane{id, Indicator::None, QString(), label});
}

void CStatusBar::AddIndicator(Indicator indicator, const QString& label) {
    auto* widget = new QLabel(this);
    widget->setTextFormat(Qt::PlainText);
    widget->setAlignment(Qt::AlignCenter);
    widget->setMinimumWidth(widget->fontMetrics().horizontalAdvance(label) + 12);
    addPermanentWidget(widget);
    const bool first = std::none_of(m_panes.begin(), m_panes.end(), [](const Pane& pane) {
        return pane.indicator != Indicator::None;
    });
    m_panes.append(Pane{0, indicator, label, widget});
    if (first) {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, &CStatusBar::RefreshIndicators);
        timer->start(500);
    }
    RefreshIndicators();
}

int CStatusBar::paneId(int index) const {
    return index >= 0 && index < m_panes.size() ? m_panes[index].id : 0;
}

QLabel* CStatusBar::pane(int index) const {
    return index >= 0 && index < m_panes.size() ? m_panes[index].widget : nullptr;
}

QString CStatusBar::paneText(int index) const {
    QLabel* label = pane(index);
    return label ? label->text() : QString();
}

void CStatusBar::SetPaneText(int index, const QString& text) {
    if (QLabel* label = pane(index)) {
        label->setText(text);
        label->repaint();
    }
}

void CStatusBar::SetPaneTextColor(int index, const QColor& color) {
    if (QLabel* label = pane(index)) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, color);
        label->setPalette(palette);
    }
}

void CStatusBar::RefreshIndicators() {
    const LockKeyStates states = ReadLockKeyStates();
    for (const Pane& pane : m_panes) {
        bool on = false;
        switch (pane.indicator) {
        case Indicator::None:
            continue;
        case Indicator::CapsLock:
            on = states.capsLock;
            break;
        case Indicator::NumLock:
            on = states.numLock;
            break;
        case Indicator::ScrollLock:
            on = states.scrollLock;
            break;
        }
        const QString text = on ? pane.label : QString();
        if (pane.widget->text() != text) {
            pane.widget->setText(text);
        }
    }
}

void CStatusBar::ShowSavedFile(const QString& path) {
    if (m_saved == nullptr) {
        m_saved = new QLabel(this);
        m_saved->setObjectName(QStringLiteral("savedFile"));
        m_saved->setTextFormat(Qt::RichText);
        m_saved->setTextInteractionFlags(Qt::LinksAccessibleByMouse |
                                         Qt::LinksAccessibleByKeyboard);
        connect(m_saved, &QLabel::linkActivated, this,
                [this] { OpenWithDesktop(QUrl::fromLocalFile(m_savedFolder)); });
        addWidget(m_saved);
    }
    const QFileInfo file(path);
    m_savedFolder = file.absolutePath();
    m_saved->setToolTip(QDir::toNativeSeparators(file.absoluteFilePath()));
    m_saved->setText(
        GetLanguageString(QStringLiteral("SavedFile"), QStringLiteral("Saved %1"), 128)
            .arg(file.fileName().toHtmlEscaped()) +
        QStringLiteral(" <a href=\"folder\">%1</a>")
            .arg(GetLanguageString(QStringLiteral("OpenFolder"), QStringLiteral("Open folder"), 64)
                     .toHtmlEscaped()));
}

void CStatusBar::ShowSavedFileIn(const QWidget* within, const QString& path) {
    if (within == nullptr) {
        return;
    }
    if (auto* bar =
            within->window()->findChild<CStatusBar*>(QString(), Qt::FindDirectChildrenOnly)) {
        bar->ShowSavedFile(path);
    }
}
