#pragma once

#include <optional>

#include <QDBusUnixFileDescriptor>

// Keeps the display and the system awake for the whole run, as a microscope
// station must not blank its screen or suspend during a long observation or
// recording. Uses the desktop's screen-saver inhibitor on the session bus and
// logind's sleep/idle inhibitor on the system bus, whichever is present;
// without them it silently does nothing. GUI thread only.
class CPowerInhibitor {
public:
    CPowerInhibitor() = default;
    CPowerInhibitor(const CPowerInhibitor&) = delete;
    CPowerInhibitor& operator=(const CPowerInhibitor&) = delete;
    ~CPowerInhibitor() { Release(); }

    void Acquire();
    void Release();

    bool holdsScreenSaver() const { return m_screenSaverCookie.has_value(); }
    bool holdsSleep() const { return m_sleepLock.isValid(); }

private:
    std::optional<uint> m_screenSaverCookie;
    QDBusUnixFileDescriptor m_sleepLock;
};
