#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

// Asks the capture session's watchdog, a few times per stall timeout, whether
// the running camera still sends pictures, and says what it found: a restart
// of a stalled stream, a camera lost for good, or frames that keep failing to
// decode. GUI thread only; runs while started.
class CLiveWatchdog : public QObject {
    Q_OBJECT
public:
    explicit CLiveWatchdog(QObject* parent = nullptr);

    void Start();
    void Stop();
    bool Running() const { return m_timer.isActive(); }

signals:
    void restarted();
    void lost(const QString& reason);
    // The reason frames are dropped; empty once they are shown again.
    void troubleChanged(const QString& error);

private:
    void Check();

    QTimer m_timer;
    QString m_trouble;
};
