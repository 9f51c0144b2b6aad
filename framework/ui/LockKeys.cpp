#include "framework/ui/LockKeys.h"

#include <QDir>
#include <QFile>

namespace {

bool LedLit(const QString& folder) {
    QFile file(folder + QStringLiteral("/brightness"));
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray value = file.read(16).trimmed();
    return !value.isEmpty() && value != "0";
}

} // namespace

LockKeyStates ReadLockKeyStates(const QString& ledsFolder) {
    LockKeyStates states;
    const QDir leds(ledsFolder);
    for (const QString& name : leds.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool* state = nullptr;
        if (name.endsWith(QStringLiteral("::capslock"))) {
            state = &states.capsLock;
        } else if (name.endsWith(QStringLiteral("::numlock"))) {
            state = &states.numLock;
        } else if (name.endsWith(QStringLiteral("::scrolllock"))) {
            state = &states.scrollLock;
        }
        if (state && !*state) {
            *state = LedLit(leds.filePath(name));
        }
    }
    return states;
}
