#pragma once

#include <QString>

// The one-second tick of a running recording, without timers or widgets: it
// counts the seconds in which frames were written and says when to stop.
// Stopping takes two ticks: the first clears the recording flag so that the
// streaming thread stops writing, the next releases the writer.
class CRecordingTicker {
public:
    enum class Action {
        None,          // not recording
        ShowElapsed,   // show the status text
        StopWriting,   // clear the recording flag, the notice and the status text
        ReleaseWriter, // stop the timer and close the file
        Abandon,       // the writer failed: clear the flag and close the file now
    };

    // A recording began with this limit in seconds.
    void Start(int timeLimit);
    // The user asked to stop: the next tick stops writing, whether or not a
    // frame arrived in the meantime (a camera that was unplugged sends none).
    void RequestStop();
    // One timer tick; `frameWritten` is the flag the streaming thread sets
    // per recorded frame (the caller clears it), `writerFailed` whether the
    // writer could not write any more (a full disk).
    Action Tick(bool frameWritten, bool writerFailed);
    // The recording ends without ticks (the camera is being reopened).
    void Cancel();

    bool Active() const { return m_active; }
    bool Writing() const { return m_active && !m_stopPending; }
    int Elapsed() const { return m_elapsed; }
    int TimeLimit() const { return m_timeLimit; }

private:
    bool m_active = false;
    bool m_stopPending = false;
    bool m_stopRequested = false;
    int m_elapsed = 0;
    int m_timeLimit = 0;
};

// "%2d %s": the counted seconds and the word for them.
QString RecordingStatusText(int elapsed, const QString& secondsWord);
