#include "app/ApplicationLook.h"

#include <QApplication>
#include <QPalette>
#include <QSettings>
#include <QStyle>
#include <QStyleFactory>

namespace {

QSettings OpenStore() {
    return QSettings(QStringLiteral("LOBRIN"), QStringLiteral("Marnelo"));
}

// The style and palette Qt chose before any look was applied.
struct PlatformLook {
    QString styleName;
    QPalette palette;
};

const PlatformLook& Platform() {
    static const PlatformLook look{QApplication::style()->name(), QApplication::palette()};
    return look;
}

QPalette MakePalette(const ApplicationLookStyle& style) {
    const QColor window(style.window);
    QPalette palette(window, window);
    if (style.dark) {
        const QColor text(0xf0, 0xf0, 0xf0);
        palette = QPalette(text, window, window.lighter(140), window.darker(140),
                           window.darker(120), text, Qt::white, QColor(0x2b, 0x2b, 0x2b), window);
        palette.setColor(QPalette::AlternateBase, QColor(0x34, 0x34, 0x34));
        palette.setColor(QPalette::ToolTipBase, window.lighter(120));
        palette.setColor(QPalette::ToolTipText, text);
        palette.setColor(QPalette::PlaceholderText, text.darker(150));
        palette.setColor(QPalette::Disabled, QPalette::WindowText, text.darker(200));
        palette.setColor(QPalette::Disabled, QPalette::ButtonText, text.darker(200));
        palette.setColor(QPalette::Disabled, QPalette::Text, text.darker(200));
    }
    palette.setColor(QPalette::Highlight, QColor(style.highlight));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    return palette;
}

} // namespace

ApplicationLookStyle LookStyleFor(int lookId) {
    const QString fusion = QStringLiteral("Fusion");
    switch (lookId) {
    case 205: // the plain classic look
        return {QStringLiteral("Windows"), qRgb(0xd4, 0xd0, 0xc8), qRgb(0x0a, 0x24, 0x6a)};
    case 206:
        return {fusion, qRgb(0xf0, 0xf0, 0xf2), qRgb(0x31, 0x6a, 0xc5)};
    case 207: // the platform's own look
        return {};
    case 208:
        return {fusion, qRgb(0xdb, 0xe8, 0xf7), qRgb(0x31, 0x6a, 0xc5)};
    case 209:
        return {fusion, qRgb(0xee, 0xed, 0xe5), qRgb(0x31, 0x6a, 0xc5)};
    case 210:
        return {fusion, qRgb(0xe9, 0xec, 0xf2), qRgb(0x33, 0x99, 0xff)};
    case 216: // black
        return {fusion, qRgb(0x3a, 0x3a, 0x3a), qRgb(0xd0, 0x8a, 0x2c), true};
    case 217: // silver
        return {fusion, qRgb(0xe5, 0xe9, 0xee), qRgb(0x6f, 0x8f, 0xb8)};
    case 218: // aqua
        return {fusion, qRgb(0xdb, 0xe7, 0xea), qRgb(0x3b, 0x8e, 0xa5)};
    case 219:
        return {fusion, qRgb(0xf0, 0xf0, 0xf0), qRgb(0x33, 0x99, 0xff)};
    default: // 215 and every unknown id: blue
        return {fusion, qRgb(0xd5, 0xe4, 0xf2), qRgb(0x3d, 0x7e, 0xcb)};
    }
}

void ApplyApplicationLook(int lookId) {
    const PlatformLook& platform = Platform();
    const ApplicationLookStyle look = LookStyleFor(lookId);
    const QString styleName = look.styleName.isEmpty() ? platform.styleName : look.styleName;
    if (QApplication::style()->name().compare(styleName, Qt::CaseInsensitive) != 0) {
        if (QStyle* style = QStyleFactory::create(styleName)) {
            QApplication::setStyle(style);
        }
    }
    QApplication::setPalette(look.window == 0 ? platform.palette : MakePalette(look));
}

int StoredApplicationLook() {
    bool ok = false;
    const int look =
        OpenStore()
            .value(QStringLiteral("Workspace/ApplicationLook"), kDefaultApplicationLook)
            .toInt(&ok);
    return ok ? look : kDefaultApplicationLook;
}

void StoreApplicationLook(int lookId) {
    OpenStore().setValue(QStringLiteral("Workspace/ApplicationLook"), lookId);
}
