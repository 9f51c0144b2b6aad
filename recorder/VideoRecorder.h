#pragma once

#include "camera/FramePipeline.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Writes the camera's frames to an AVI file on a writer thread of its own.
//
// The streaming thread only picks frames and queues copies of them; a full
// queue drops the frame (counted), never stalls the stream. Frames are taken
// by their timestamps at the file's rate, repeated or skipped as needed, so a
// recording of S seconds plays for S seconds. Files past 1 GB continue as
// OpenDML AVI. The file is written beside its name and renamed when closed,
// so a name never holds a file that was not closed properly, and never
// replaces one.
enum class VideoCodec {
    Uncompressed, // 24-bit BGR rows as in a BMP file (BI_RGB)
    Mjpeg,
    H264, // no B-frames, so every packet's time is its frame's in AVI
    Ffv1, // lossless
};

// True when the libraries at hand can write `codec` (uncompressed and MJPEG
// always can).
bool VideoCodecPresent(VideoCodec codec);

class CVideoEncoder;

struct CRecorderOptions {
    std::string path;
    int width = 0;
    int height = 0;
    double fps = 15.0;
    VideoCodec codec = VideoCodec::Uncompressed;
    int jpegQuality = 90;
    std::size_t queueFrames = 16;
    // The file ends after this many frames (0: when stopped), so a recording
    // of S seconds holds S × fps frames however late the stop comes.
    std::uint64_t frameLimit = 0;
};

// The frames of `seconds` at `fps`, rounded; 0 for no time given.
std::uint64_t FramesFor(double seconds, double fps);

struct CRecorderStats {
    std::uint64_t framesWritten = 0;       // file frames, repeats included
    std::uint64_t framesDropped = 0;       // picked frames the queue had no room for
    std::uint64_t framesPassedThrough = 0; // the camera's JPEG written as it came
    std::uint64_t bytesWritten = 0;
    std::string error; // why writing ended early; empty when it did not
    // Where the closed file is: the options' path, or the next free name of
    // its series when a file took that name while recording.
    std::string file;
};

// The frame rates a file may have.
inline constexpr double kMinRecordingFps = 0.1;
inline constexpr double kMaxRecordingFps = 240.0;

class CVideoRecorder final : public IFrameSink {
public:
    // Opens the file and starts the writer; nullptr with `error` set when
    // the options are invalid or the file cannot be created.
    static std::shared_ptr<CVideoRecorder> Create(const CRecorderOptions& options,
                                                  std::string& error);
    ~CVideoRecorder() override;
    CVideoRecorder(const CVideoRecorder&) = delete;
    CVideoRecorder& operator=(const CVideoRecorder&) = delete;

    // Streaming thread. Frames of another size than the file's are skipped.
    // An MJPEG recording writes the camera's JPEG as it is when the frame
    // carries one of the file's size.
    void TakeFrame(const CaptureFrame& frame) override;

    // Writes what is queued, closes the file and renames it into place.
    // Safe to call more than once; the streaming thread must no longer call
    // TakeFrame (remove the sink first).
    CRecorderStats Stop();

    CRecorderStats Stats() const;
    // True once the frame limit is reached: later frames are not taken.
    bool Complete() const;
    // True once writing failed (a full disk, a vanished folder); the file up
    // to that point is still closed properly by Stop.
    bool Failed() const;

    const CRecorderOptions& Options() const { return m_options; }

    struct CQueuedFrame {
        std::vector<std::uint8_t> bytes; // BGR rows bottom-up, or a JPEG
        bool jpeg = false;
        int repeat = 1;
        int stride = 0;
    };

private:
    explicit CVideoRecorder(const CRecorderOptions& options);
    bool Open(std::string& error);
    void WriterLoop();
    bool WriteQueued(const CQueuedFrame& frame);
    bool EncodeQueued(const CQueuedFrame& frame);
    bool WriteEncoded(struct AVPacket* packet);
    void Close();

    CRecorderOptions m_options;
    struct CMuxer;
    std::unique_ptr<CMuxer> m_muxer;          // writer thread only once started
    std::unique_ptr<CVideoEncoder> m_encoder; // H.264 and FFV1; writer thread only
    void* m_jpegEncoder = nullptr;            // writer thread only
    std::vector<std::uint8_t> m_jpeg;         // writer thread only

    // Streaming thread only: rate picking.
    bool m_started = false;
    std::int64_t m_firstTimestampUs = 0;
    std::uint64_t m_nextSlot = 0;
    std::atomic<bool> m_complete{false};

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<CQueuedFrame> m_queue;
    std::vector<CQueuedFrame> m_free; // buffers for reuse
    bool m_stopping = false;
    bool m_failed = false;
    bool m_closed = false;
    CRecorderStats m_stats;
    std::thread m_writer;
};

// Encodes a delivered frame (BGR rows bottom-up, `stride` bytes each) as an
// upright JPEG with a TurboJPEG compressor; `out` is reused between frames.
bool EncodeUprightJpeg(void* encoder, const std::uint8_t* bgr, int width, int stride, int height,
                       int quality, std::vector<std::uint8_t>& out, std::string& error);

// The name a recording has while it is written.
std::string RecordingPartPath(const std::string& path);
