#include "timelapse/TimeLapse.h"

#include <algorithm>

int CTimeLapsePlan::Pictures() const {
    if (interval < kMinInterval || interval > kMaxInterval) {
        return 0;
    }
    if (count > 0) {
        return count <= kMaxPictures ? count : 0;
    }
    if (duration.count() <= 0) {
        return 0;
    }
    const auto pictures = duration / interval + 1;
    return pictures <= kMaxPictures ? static_cast<int>(pictures) : 0;
}

CTimeLapseSchedule::CTimeLapseSchedule(const CTimeLapsePlan& plan, TimeLapseTime start)
    : m_start(start)
    , m_interval(plan.interval)
    , m_total(plan.Pictures()) {}

std::optional<int> CTimeLapseSchedule::Due(TimeLapseTime now) {
    if (m_asked >= 0 || Finished() || now < m_start) {
        return std::nullopt;
    }
    const auto elapsed = (now - m_start) / m_interval;
    const int latest = static_cast<int>(std::min<decltype(elapsed)>(elapsed, m_total - 1));
    if (latest < m_next) {
        return std::nullopt;
    }
    m_missed += latest - m_next;
    m_asked = latest;
    m_next = latest + 1;
    return latest + 1;
}

void CTimeLapseSchedule::Record(TimeLapseShot shot) {
    if (m_asked < 0) {
        return;
    }
    m_asked = -1;
    m_lastShot = shot;
    switch (shot) {
    case TimeLapseShot::Written:
        ++m_taken;
        break;
    case TimeLapseShot::CameraGone:
        ++m_missed;
        break;
    case TimeLapseShot::WriteFailed:
        ++m_failed;
        break;
    }
}

std::optional<TimeLapseTime> CTimeLapseSchedule::NextAt() const {
    if (Finished()) {
        return std::nullopt;
    }
    return m_start + m_interval * m_next;
}
