#include "timelapse/CTimeLapseController.h"

#include "core/FileWriting.h"
#include "core/ImageFormats.h"
#include "core/Language.h"
#include "timelapse/SnapshotFiles.h"

#include <algorithm>

#include <QDir>
#include <QTimer>

namespace {

// The countdown is shown in whole seconds.
constexpr TimeLapseTime kCountdownStep{1000};

TimeLapseTime SteadyNow() {
    return std::chrono::duration_cast<TimeLapseTime>(
        std::chrono::steady_clock::now().time_since_epoch());
}

QString Countdown(TimeLapseTime left) {
    // Rounded up, so "00:00" never shows while a picture is still to come.
    const long long seconds = (std::max<long long>(left.count(), 0) + 999) / 1000;
    if (seconds >= 3600) {
        return QString::asprintf("%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                                 seconds % 60);
    }
    return QString::asprintf("%02lld:%02lld", seconds / 60, seconds % 60);
}

} // namespace

QString CTimeLapseSettings::PicturePath(int number) const {
    return NumberedPath(
        QDir(folder).filePath(prefix + u'.' + QLatin1String(SnapshotFormatOf(format).suffix)),
        number);
}

CTimeLapseController::CTimeLapseController(CTimeLapseSettings settings, Grab grab, QObject* parent,
                                           Clock clock)
    : QObject(parent)
    , m_settings(std::move(settings))
    , m_grab(std::move(grab))
    , m_clock(clock ? std::move(clock) : Clock(SteadyNow))
    , m_schedule(m_settings.plan, TimeLapseTime{0})
    , m_timer(new QTimer(this)) {
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &CTimeLapseController::Tick);
}

bool CTimeLapseController::Start() {
    if (m_started || m_settings.plan.Pictures() == 0 || !m_grab) {
        return false;
    }
    m_started = true;
    m_running = true;
    m_schedule = CTimeLapseSchedule(m_settings.plan, m_clock());
    Tick();
    return true;
}

void CTimeLapseController::Stop() {
    if (m_running) {
        Finish();
    }
}

void CTimeLapseController::Tick() {
    if (!m_running) {
        return;
    }
    const TimeLapseTime now = m_clock();
    if (const std::optional<int> number = m_schedule.Due(now)) {
        TakePicture(*number);
    }
    if (m_schedule.Finished()) {
        Finish();
        return;
    }
    const TimeLapseTime next = *m_schedule.NextAt();
    const TimeLapseTime wait = std::clamp(next - m_clock(), TimeLapseTime{0}, kCountdownStep);
    m_timer->start(static_cast<int>(wait.count()));
    emit progressChanged(ProgressText());
}

void CTimeLapseController::TakePicture(int number) {
    const std::optional<CDib> picture = m_grab();
    if (!picture || !picture->IsValid()) {
        m_schedule.Record(TimeLapseShot::CameraGone);
        return;
    }
    const QString path = m_settings.PicturePath(number);
    QByteArray bytes;
    const QString written =
        EncodeSnapshot(*picture, path, bytes) ? WriteNewFile(path, bytes) : QString();
    if (written.isEmpty()) {
        m_schedule.Record(TimeLapseShot::WriteFailed);
        return;
    }
    m_schedule.Record(TimeLapseShot::Written);
    emit pictureSaved(written);
}

void CTimeLapseController::Finish() {
    m_running = false;
    m_timer->stop();
    emit finished(SummaryText());
}

QString CTimeLapseController::ProgressText() const {
    const int done = m_schedule.Taken() + m_schedule.Missed() + m_schedule.Failed();
    const QString count = QString::asprintf("%d/%d", done, m_schedule.Total());
    if (m_schedule.LastShot() == TimeLapseShot::CameraGone) {
        return GetLanguageString(
                   "TimeLapseWaiting",
                   QStringLiteral("Time-lapse %1: the camera is gone, waiting for it (%2 missed)"),
                   128)
            .arg(count)
            .arg(m_schedule.Missed());
    }
    const std::optional<TimeLapseTime> next = m_schedule.NextAt();
    return GetLanguageString("TimeLapseProgress",
                             QStringLiteral("Time-lapse %1, next picture in %2"), 128)
        .arg(count, Countdown(next ? *next - m_clock() : TimeLapseTime{0}));
}

QString CTimeLapseController::SummaryText() const {
    QString text = GetLanguageString("TimeLapseSummary",
                                     QStringLiteral("Time-lapse: %1 of %2 pictures taken"), 128)
                       .arg(m_schedule.Taken())
                       .arg(m_schedule.Total());
    if (m_schedule.Missed() > 0) {
        text += GetLanguageString("TimeLapseMissed", QStringLiteral(", %1 missed"), 128)
                    .arg(m_schedule.Missed());
    }
    if (m_schedule.Failed() > 0) {
        text +=
            GetLanguageString("TimeLapseFailed", QStringLiteral(", %1 could not be written"), 128)
                .arg(m_schedule.Failed());
    }
    return text;
}
