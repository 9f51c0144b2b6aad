#include "app/Icons.h"

#include <QPainter>
#include <QSvgRenderer>

// The resource file lives in a static library: register it before first use.
// (Its registration function must be named from the global namespace.)
static int RegisterResources() {
    Q_INIT_RESOURCE(marnelo);
    return 0;
}

static void EnsureResources() {
    static const int registered = RegisterResources();
    (void)registered;
}

QIcon LoadSvgIcon(const QString& resourcePath) {
    EnsureResources();
    QSvgRenderer renderer(resourcePath);
    if (!renderer.isValid()) {
        return {};
    }
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPixmap RenderSvg(const QString& resourcePath) {
    EnsureResources();
    QSvgRenderer renderer(resourcePath);
    if (!renderer.isValid()) {
        return {};
    }
    QPixmap pixmap(renderer.defaultSize());
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}
