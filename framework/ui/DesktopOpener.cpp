#include "framework/ui/DesktopOpener.h"

#include <QDesktopServices>

namespace {
DesktopOpener g_opener;
}

bool OpenWithDesktop(const QUrl& url) {
    return g_opener ? g_opener(url) : QDesktopServices::openUrl(url);
}

void SetDesktopOpener(DesktopOpener opener) {
    g_opener = std::move(opener);
}
