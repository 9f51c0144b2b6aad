#pragma once

#include <QString>

// The state of the lock keys as the kernel's keyboard LEDs show it. Linux
// gives no toolkit call for it; a machine without readable LEDs reports every
// lock off.
struct LockKeyStates {
    bool capsLock = false;
    bool numLock = false;
    bool scrollLock = false;
};

// Reads "<ledsFolder>/*::capslock/brightness" and its siblings; a lock is on
// when any keyboard's LED for it is lit.
LockKeyStates ReadLockKeyStates(const QString& ledsFolder = QStringLiteral("/sys/class/leds"));
