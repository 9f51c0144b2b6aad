#pragma once

#include <QObject>

// Says when the machine has woken from sleep, from logind's PrepareForSleep
// signal on the system bus; cameras need opening again afterwards. Without a
// system bus (containers, other init systems) it stays silent. GUI thread.
class CPowerResumeMonitor : public QObject {
    Q_OBJECT
public:
    explicit CPowerResumeMonitor(QObject* parent = nullptr);

    bool IsActive() const { return m_active; }

signals:
    void resumed();

public slots:
    // logind's signal: true before sleeping, false after waking.
    void OnPrepareForSleep(bool sleeping);

private:
    bool m_active = false;
};
