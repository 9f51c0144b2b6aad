#pragma once

#include "capture/CaptureBackend.h"
#include "capture/CaptureSession.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// The per-frame work on the camera's streaming thread (BufferCB): mirror,
// rotate, the frame header, the still request or the frame copy, recording,
// presenting. Everything the GUI thread shares with it is either an atomic
// flag, the frame copy behind its own lock, or a sink swapped under a lock.

// The 40-byte picture header (BITMAPINFOHEADER) that describes a frame:
// 24 bits, uncompressed, bottom-up.
struct CFrameHeader {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t sizeImage = 0;
    // The header's bytes, little-endian, as a picture file or DIB holds them.
    std::array<std::uint8_t, 40> Bytes() const;
};
CFrameHeader MakeFrameHeader(int width, int height);

// Frame flags; the live document's commands set them on the GUI thread.
struct CFrameFlags {
    std::atomic<int> mirror{0};
    std::atomic<int> rotate{0};
    std::atomic<int> stillRequest{0};
    std::atomic<int> stillKind{0}; // 0 a snapshot, 1 an export picture
    std::atomic<int> recording{0};
    std::atomic<int> frameWritten{0}; // set per recorded frame, consumed by the recording timer
};

// The last frame not consumed by a still request, complete and upright as
// delivered (bottom-up rows, padded).
struct CStillFrame {
    std::vector<std::uint8_t> bgr;
    int width = 0;
    int height = 0;
    int stride = 0;
    double sampleTime = 0.0; // seconds since streaming started
    std::uint64_t sequence = 0;
    std::chrono::steady_clock::time_point keptAt; // when the frame arrived
    CFrameHeader Header() const { return MakeFrameHeader(width, height); }
};

// Something that takes frames on the streaming thread (the recorder, the
// presenter). The frame is valid only during the call.
class IFrameSink {
public:
    virtual ~IFrameSink() = default;
    virtual void TakeFrame(const CaptureFrame& frame) = 0;
};

struct CFramePipeline {
    CFrameFlags flags;
    // The size of the last frame, for whoever starts a recording.
    std::atomic<int> frameWidth{0};
    std::atomic<int> frameHeight{0};

    // The frame copy: the streaming thread fills its spare buffer and swaps
    // it in, so the lock is held only for the swap; readers copy under it.
    std::mutex copyMutex;
    std::optional<CStillFrame> copy;

    // Sinks, replaced on the GUI thread; the streaming thread takes a
    // reference for the frame, so a sink removed mid-frame finishes it.
    std::mutex sinkMutex;
    std::shared_ptr<IFrameSink> recorder;
    std::shared_ptr<IFrameSink> presenter;

    // A copy older than this is refused (kMaxStillAge; tests shorten it).
    std::chrono::milliseconds maxCopyAge{kMaxStillAge};
    // Frames after the start (by sequence) not kept as the copy, since
    // cameras send dark or torn frames while they settle. Set while stopped.
    std::atomic<std::uint64_t> settlingFrames{0};

    // Told on the streaming thread that a still picture is due (the frame
    // copy holds it); the argument is the still kind. Set while stopped.
    // Empty: UM_STILL_READY is posted to the live view.
    std::function<void(int stillKind)> stillReady;

    // Streaming thread only.
    std::vector<std::uint8_t> work;  // a transformed frame
    CStillFrame spare;               // the next frame copy
    CFrameHeader header;             // of the last frame
    std::uint64_t framesDropped = 0; // malformed frames
};

extern CFramePipeline g_framePipeline;

// The frame callback. Malformed frames (sizes that do not add up) are
// dropped and counted.
void BufferCB(const CaptureFrame& frame);

// GUI thread: a complete copy of the last kept frame, if there is one no
// older than maxCopyAge.
std::optional<CStillFrame> TakeFrameCopy();

void SetRecorderSink(std::shared_ptr<IFrameSink> sink);
void SetPresenterSink(std::shared_ptr<IFrameSink> sink);

// Frees the buffers and forgets the copy (the camera is closed).
void ResetFramePipeline();
