#pragma once

#include "capture/CaptureBackend.h"
#include "capture/v4l2/V4l2Calls.h"
#include "capture/v4l2/V4l2FrameDecoder.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Memory-mapped streaming of one capture node on a thread of its own. Each
// dequeued buffer is converted into the stream's own frame buffer and handed
// back to the driver at once, before any callback runs, so a frame never
// points into a mapped buffer. Buffers the driver flags as broken and frames
// that do not decode are dropped and the stream goes on; the device vanishing
// ends it with `onLost`. A press of the snapshot button (the input device
// `buttonNode`) makes the next good frame a still as well. Frames are timed
// by the driver's monotonic stamps, or by our own clock at dequeue when the
// driver's are of another clock, zero or going backwards.
class CV4l2Stream {
public:
    CV4l2Stream(std::shared_ptr<const CV4l2Calls> calls, int fd, std::string buttonNode);
    ~CV4l2Stream();
    CV4l2Stream(const CV4l2Stream&) = delete;
    CV4l2Stream& operator=(const CV4l2Stream&) = delete;

    CaptureStatus Start(CaptureCallbacks callbacks);
    // The errno of the driver call that made Start fail; 0 when it did not.
    int StartError() const { return m_startError; }
    // Returns after the last callback; frees the buffers. Safe to repeat.
    void Stop();
    // False once stopped or once the device was lost.
    bool IsRunning() const { return m_running.load(); }

    // Frames dropped since Start because the driver flagged them or they
    // did not decode.
    std::uint64_t DroppedFrames() const { return m_dropped.load(); }

private:
    struct Mapping {
        void* address = nullptr;
        std::size_t length = 0;
    };

    CaptureStatus Fail(int error);
    CaptureStatus MapBuffers();
    void ReleaseBuffers();
    void Run();
    // Converts, re-queues and delivers one dequeued buffer. False when the
    // stream must end.
    bool TakeFrame(std::uint32_t index, std::uint32_t bytesUsed, std::uint32_t flags,
                   std::int64_t timestampUs);
    // The frame's time in microseconds on the monotonic clock.
    std::int64_t FrameTime(std::uint32_t flags, std::int64_t driverUs);
    void ReadButton();
    void Lose(const std::string& reason);

    std::shared_ptr<const CV4l2Calls> m_calls;
    int m_fd = -1;
    std::string m_buttonNode;
    int m_buttonFd = -1;
    int m_wakeFd = -1; // an eventfd that Stop signals
    CaptureCallbacks m_callbacks;
    std::vector<Mapping> m_buffers;
    bool m_streamOn = false;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
    std::atomic<std::uint64_t> m_dropped{0};
    int m_startError = 0;

    // Streaming thread only.
    std::uint32_t m_fourcc = 0;
    int m_width = 0;
    int m_height = 0;
    int m_bytesPerLine = 0;
    std::unique_ptr<CV4l2FrameDecoder> m_decoder;
    std::vector<std::uint8_t> m_bgr;
    std::vector<std::uint8_t> m_compressed;
    bool m_stillPending = false;
    std::uint64_t m_sequence = 0;
    std::int64_t m_firstTimestampUs = -1;
    std::int64_t m_lastTimestampUs = -1;
};
