#pragma once

#include "image/Dib.h"
#include "timelapse/TimeLapse.h"

#include <functional>
#include <optional>

#include <QObject>
#include <QString>

class QTimer;

// What a time-lapse takes and where its pictures go: into `folder`, named
// "<prefix>-0001.jpg", "<prefix>-0002.jpg"... (the format's extension) by their moment in the plan,
// never replacing a file that is there.
struct CTimeLapseSettings {
    CTimeLapsePlan plan;
    QString folder;
    QString prefix;
    int format = 2; // the snapshot format setting: 1 BMP, 2 JPG, 3 TIFF, 4 PNG

    // The file name picture `number` is meant to get.
    QString PicturePath(int number) const;
};

// Runs a time-lapse on the GUI thread: a timer wakes it at every picture's
// moment (and once a second between them, for the countdown), it asks the
// camera for a picture through `grab` and writes it. While the camera is
// gone `grab` returns nothing and the pictures of those moments are counted
// as missed; when it is back the series goes on. The live window shows the
// progress line and offers Stop; the browser lists each picture as it is
// saved.
class CTimeLapseController : public QObject {
    Q_OBJECT
public:
    // The picture to save, copied from the newest frame; nullopt while no
    // camera delivers frames.
    using Grab = std::function<std::optional<CDib>()>;
    // The monotonic time; the default is the steady clock.
    using Clock = std::function<TimeLapseTime()>;

    CTimeLapseController(CTimeLapseSettings settings, Grab grab, QObject* parent = nullptr,
                         Clock clock = {});

    // Starts the series: the first picture is due at once. False, doing
    // nothing, for a plan that cannot run or when already started.
    bool Start();
    // Ends the series early; `finished` follows.
    void Stop();
    bool IsRunning() const { return m_running; }

    // Takes what is due at the clock's time and sets the timer for what
    // comes next. The timer calls it; tests with a fake clock call it.
    void Tick();

    const CTimeLapseSchedule& Schedule() const { return m_schedule; }
    // "Time-lapse 3/10, next picture in 00:05"; with the camera gone, says
    // so instead of the countdown.
    QString ProgressText() const;
    // What the series came to: pictures written, missed and failed.
    QString SummaryText() const;

signals:
    void progressChanged(const QString& text);
    void pictureSaved(const QString& path);
    void finished(const QString& summary);

private:
    void TakePicture(int number);
    void Finish();

    CTimeLapseSettings m_settings;
    Grab m_grab;
    Clock m_clock;
    CTimeLapseSchedule m_schedule;
    QTimer* m_timer;
    bool m_running = false;
    bool m_started = false;
};
