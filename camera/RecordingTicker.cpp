#include "camera/RecordingTicker.h"

void CRecordingTicker::Start(int timeLimit) {
    m_active = true;
    m_stopPending = false;
    m_stopRequested = false;
    m_elapsed = 0;
    m_timeLimit = timeLimit;
}

void CRecordingTicker::RequestStop() {
    if (Writing()) {
        m_elapsed = m_timeLimit;
        m_stopRequested = true;
    }
}

CRecordingTicker::Action CRecordingTicker::Tick(bool frameWritten, bool writerFailed) {
    if (!m_active) {
        return Action::None;
    }
    if (writerFailed) {
        Cancel();
        return Action::Abandon;
    }
    if (frameWritten) {
        ++m_elapsed;
    }
    if (m_elapsed <= m_timeLimit && !m_stopRequested) {
        return Action::ShowElapsed;
    }
    if (m_stopPending) {
        Cancel();
        return Action::ReleaseWriter;
    }
    m_stopPending = true;
    return Action::StopWriting;
}

void CRecordingTicker::Cancel() {
    m_active = false;
    m_stopPending = false;
    m_stopRequested = false;
}

QString RecordingStatusText(int elapsed, const QString& secondsWord) {
    return QString::asprintf("%2d ", elapsed) + secondsWord;
}
