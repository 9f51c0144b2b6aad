#pragma once

#include <chrono>
#include <optional>

// The timing of a time-lapse: pictures at a fixed interval from the start,
// numbered 1, 2, 3... by the moment they belong to, so a picture that could
// not be taken leaves a gap in the numbers rather than shifting the later
// ones in time. No clock of its own: the caller passes the time, which makes
// the schedule testable with a fake clock. Any thread, one at a time.

using TimeLapseTime = std::chrono::milliseconds; // on a monotonic clock

struct CTimeLapsePlan {
    TimeLapseTime interval{10000};
    // How many pictures; 0 takes them for `duration` instead: the first at
    // the start, the last no later than `duration` after it.
    int count = 0;
    TimeLapseTime duration{0};

    // The pictures of the plan; 0 for a plan that cannot run (an interval
    // outside kMinInterval..kMaxInterval, no count and no duration, more
    // than kMaxPictures).
    int Pictures() const;

    static constexpr TimeLapseTime kMinInterval{100};
    static constexpr TimeLapseTime kMaxInterval{std::chrono::hours(24 * 7)};
    static constexpr int kMaxPictures = 100000;
};

// What became of the picture the schedule asked for.
enum class TimeLapseShot {
    Written,
    CameraGone, // no picture came: the camera is unplugged or not streaming
    WriteFailed,
};

class CTimeLapseSchedule {
public:
    CTimeLapseSchedule(const CTimeLapsePlan& plan, TimeLapseTime start);

    // The number of the picture to take at `now`, if one is due. Pictures
    // whose moment passed without being asked for (a caller that was held up)
    // count as missed; only the latest due one is asked for.
    std::optional<int> Due(TimeLapseTime now);
    // The outcome of the picture Due returned.
    void Record(TimeLapseShot shot);

    // When the next picture is due; nullopt once finished.
    std::optional<TimeLapseTime> NextAt() const;
    bool Finished() const { return m_next >= m_total; }

    int Total() const { return m_total; }
    int Taken() const { return m_taken; }
    int Missed() const { return m_missed; } // camera gone, or the moment passed
    int Failed() const { return m_failed; } // the picture could not be written
    // The outcome of the last picture asked for (Written before any).
    TimeLapseShot LastShot() const { return m_lastShot; }

private:
    TimeLapseTime m_start;
    TimeLapseTime m_interval;
    int m_total;
    int m_next = 0;   // index of the next picture not yet asked for
    int m_asked = -1; // index Due returned and Record has not answered
    int m_taken = 0;
    int m_missed = 0;
    int m_failed = 0;
    TimeLapseShot m_lastShot = TimeLapseShot::Written;
};
