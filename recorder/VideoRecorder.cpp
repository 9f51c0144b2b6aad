#include "recorder/VideoRecorder.h"

#include "core/FileWriting.h"
#include "recorder/VideoEncoder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <turbojpeg.h>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
}

namespace {

std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// A repeat count larger than this means the timestamps jumped (a camera
// restarting its clock); such a frame fills one slot.
constexpr std::uint64_t kMaxRepeatSeconds = 60;

} // namespace

// The AVI file: one video stream, packets whose time stamps count the file's
// frames.
struct CVideoRecorder::CMuxer {
    AVFormatContext* context = nullptr;
    AVStream* stream = nullptr;
    AVRational frameTime{1, 15};
    std::int64_t nextPts = 0;
    bool headerWritten = false;

    ~CMuxer() {
        if (context != nullptr) {
            if (context->pb != nullptr) {
                avio_closep(&context->pb);
            }
            avformat_free_context(context);
        }
    }
};

bool EncodeUprightJpeg(void* encoder, const std::uint8_t* bgr, int width, int stride, int height,
                       int quality, std::vector<std::uint8_t>& out, std::string& error) {
    auto* handle = static_cast<tjhandle>(encoder);
    // A buffer of the worst-case size, kept between frames, spares the
    // encoder an allocation per frame.
    out.resize(tjBufSize(width, height, TJSAMP_420));
    unsigned char* target = out.data();
    unsigned long size = out.size();
    if (tjCompress2(handle, bgr, width, stride, height, TJPF_BGR, &target, &size, TJSAMP_420,
                    quality, TJFLAG_BOTTOMUP | TJFLAG_NOREALLOC) != 0) {
        error = std::string("A frame could not be compressed: ") + tjGetErrorStr2(handle);
        return false;
    }
    out.resize(size);
    return true;
}

std::string RecordingPartPath(const std::string& path) {
    return path + ".part";
}

std::shared_ptr<CVideoRecorder> CVideoRecorder::Create(const CRecorderOptions& options,
                                                       std::string& error) {
    if (options.width <= 0 || options.height <= 0 || options.width > 16384 ||
        options.height > 16384) {
        error = "The frame size is not one a video can have.";
        return nullptr;
    }
    if (!std::isfinite(options.fps) || options.fps < kMinRecordingFps ||
        options.fps > kMaxRecordingFps) {
        char text[96];
        std::snprintf(text, sizeof text, "The frame rate must be between %.1f and %.0f.",
                      kMinRecordingFps, kMaxRecordingFps);
        error = text;
        return nullptr;
    }
    if (options.queueFrames == 0) {
        error = "The recording queue needs room for a frame.";
        return nullptr;
    }
    // The libraries' own log lines (x264's statistics at every close) are
    // not for our users; a failure comes back through `error`.
    av_log_set_level(AV_LOG_QUIET);
    std::shared_ptr<CVideoRecorder> recorder(new CVideoRecorder(options));
    if (!recorder->Open(error)) {
        return nullptr;
    }
    recorder->m_writer = std::thread([raw = recorder.get()] { raw->WriterLoop(); });
    return recorder;
}

CVideoRecorder::CVideoRecorder(const CRecorderOptions& options)
    : m_options(options) {}

CVideoRecorder::~CVideoRecorder() {
    Stop();
    if (m_jpegEncoder != nullptr) {
        tjDestroy(static_cast<tjhandle>(m_jpegEncoder));
    }
}

bool CVideoRecorder::Open(std::string& error) {
    auto muxer = std::make_unique<CMuxer>();
    const std::string part = RecordingPartPath(m_options.path);
    if (avformat_alloc_output_context2(&muxer->context, nullptr, "avi", part.c_str()) < 0 ||
        muxer->context == nullptr) {
        error = "The video writer could not be made.";
        return false;
    }
    muxer->stream = avformat_new_stream(muxer->context, nullptr);
    if (muxer->stream == nullptr) {
        error = "The video writer could not be made.";
        return false;
    }
    AVCodecParameters* par = muxer->stream->codecpar;
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    par->width = m_options.width;
    par->height = m_options.height;
    if (m_options.codec == VideoCodec::Uncompressed) {
        // Tag 0 is BI_RGB; the rows go in as a BMP file holds them, bottom-up.
        par->codec_id = AV_CODEC_ID_RAWVIDEO;
        par->codec_tag = 0;
        par->format = AV_PIX_FMT_BGR24;
        par->bits_per_coded_sample = 24;
    } else if (m_options.codec == VideoCodec::Mjpeg) {
        par->codec_id = AV_CODEC_ID_MJPEG;
        par->format = AV_PIX_FMT_YUVJ420P;
        par->bits_per_coded_sample = 24;
        m_jpegEncoder = tjInitCompress();
        if (m_jpegEncoder == nullptr) {
            error = "The JPEG encoder could not be made.";
            return false;
        }
    }
    muxer->frameTime = av_inv_q(av_d2q(m_options.fps, 1001000));
    if (m_options.codec == VideoCodec::H264 || m_options.codec == VideoCodec::Ffv1) {
        m_encoder = CVideoEncoder::Create(m_options.codec, m_options.width, m_options.height,
                                          muxer->frameTime.num, muxer->frameTime.den, error);
        if (!m_encoder) {
            return false;
        }
        if (!m_encoder->FillParameters(par)) {
            error = "The video writer could not be made.";
            return false;
        }
    }
    muxer->stream->time_base = muxer->frameTime;
    muxer->stream->avg_frame_rate = av_inv_q(muxer->frameTime);

    int status = avio_open(&muxer->context->pb, part.c_str(), AVIO_FLAG_WRITE);
    if (status < 0) {
        error = "The video file could not be created: " + AvError(status);
        return false;
    }
    // Our rows are bottom-up, as BI_RGB stores them with a positive height,
    // which every player reads; the muxer would otherwise declare them
    // top-down.
    AVDictionary* muxerOptions = nullptr;
    if (m_options.codec == VideoCodec::Uncompressed) {
        av_dict_set(&muxerOptions, "flipped_raw_rgb", "1", 0);
    }
    status = avformat_write_header(muxer->context, &muxerOptions);
    av_dict_free(&muxerOptions);
    if (status < 0) {
        error = "The video file could not be started: " + AvError(status);
        avio_closep(&muxer->context->pb);
        std::remove(part.c_str());
        return false;
    }
    muxer->headerWritten = true;
    m_muxer = std::move(muxer);
    return true;
}

void CVideoRecorder::TakeFrame(const CaptureFrame& frame) {
    if (frame.width != m_options.width || frame.height != m_options.height ||
        frame.bgr == nullptr) {
        return;
    }
    if (!m_started) {
        m_started = true;
        m_firstTimestampUs = frame.timestampUs;
    }
    const std::int64_t elapsedUs = frame.timestampUs - m_firstTimestampUs;
    if (elapsedUs < 0) {
        return;
    }
    // The frame belongs to the file slot nearest its time, so a camera whose
    // clock jitters around the file's rate still fills every slot once.
    const auto due = static_cast<std::uint64_t>(
        std::floor(static_cast<double>(elapsedUs) * m_options.fps / 1e6 + 0.5));
    if (due < m_nextSlot) {
        return; // this slot already has its frame
    }
    if (m_options.frameLimit != 0 && m_nextSlot >= m_options.frameLimit) {
        return;
    }
    std::uint64_t repeat = due - m_nextSlot + 1;
    if (repeat > static_cast<std::uint64_t>(m_options.fps * kMaxRepeatSeconds) + 1) {
        repeat = 1;
    }
    if (m_options.frameLimit != 0) {
        repeat = std::min(repeat, m_options.frameLimit - m_nextSlot);
    }
    m_nextSlot = due + 1;
    if (m_options.frameLimit != 0 && m_nextSlot >= m_options.frameLimit) {
        m_complete = true;
    }

    const bool passthrough = m_options.codec == VideoCodec::Mjpeg && !frame.compressed.empty() &&
                             frame.sourceFourcc == Fourcc::kMJPG;
    CQueuedFrame item;
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping || m_failed) {
            return;
        }
        if (m_queue.size() >= m_options.queueFrames) {
            m_stats.framesDropped += 1;
            return;
        }
        if (!m_free.empty()) {
            item = std::move(m_free.back());
            m_free.pop_back();
        }
    }
    if (passthrough) {
        item.bytes.assign(frame.compressed.begin(), frame.compressed.end());
    } else {
        const std::size_t length = static_cast<std::size_t>(frame.stride) * frame.height;
        item.bytes.resize(length);
        std::memcpy(item.bytes.data(), frame.bgr, length);
    }
    item.jpeg = passthrough;
    item.repeat = static_cast<int>(repeat);
    item.stride = frame.stride;
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(item));
    }
    m_wake.notify_one();
}

void CVideoRecorder::WriterLoop() {
    for (;;) {
        CQueuedFrame item;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return !m_queue.empty() || m_stopping; });
            if (m_queue.empty()) {
                return;
            }
            item = std::move(m_queue.front());
            m_queue.pop_front();
        }
        const bool ok = !Failed() && WriteQueued(item);
        std::lock_guard lock(m_mutex);
        if (!ok && !m_failed) {
            m_failed = true;
        }
        m_free.push_back(std::move(item));
    }
}

bool CVideoRecorder::WriteQueued(const CQueuedFrame& frame) {
    const std::uint8_t* data = frame.bytes.data();
    std::size_t size = frame.bytes.size();
    if (m_options.codec == VideoCodec::Mjpeg && !frame.jpeg) {
        std::string error;
        if (!EncodeUprightJpeg(m_jpegEncoder, frame.bytes.data(), m_options.width, frame.stride,
                               m_options.height, m_options.jpegQuality, m_jpeg, error)) {
            std::lock_guard lock(m_mutex);
            m_stats.error = error;
            return false;
        }
        data = m_jpeg.data();
        size = m_jpeg.size();
    }
    if (m_encoder) {
        return EncodeQueued(frame);
    }
    bool ok = true;
    AVPacket* packet = av_packet_alloc();
    for (int i = 0; i < frame.repeat && ok; ++i) {
        if (packet == nullptr || av_new_packet(packet, static_cast<int>(size)) < 0) {
            std::lock_guard lock(m_mutex);
            m_stats.error = "Out of memory while recording.";
            ok = false;
            break;
        }
        std::memcpy(packet->data, data, size);
        packet->stream_index = 0;
        packet->flags |= AV_PKT_FLAG_KEY;
        packet->pts = m_muxer->nextPts++;
        packet->dts = packet->pts;
        packet->duration = 1;
        av_packet_rescale_ts(packet, m_muxer->frameTime, m_muxer->stream->time_base);
        const int status = av_write_frame(m_muxer->context, packet);
        av_packet_unref(packet);
        const int ioError = m_muxer->context->pb->error;
        std::lock_guard lock(m_mutex);
        if (status < 0 || ioError < 0) {
            m_stats.error = "Writing the video failed: " + AvError(status < 0 ? status : ioError);
            ok = false;
        } else {
            m_stats.framesWritten += 1;
            m_stats.bytesWritten += size;
            if (frame.jpeg) {
                m_stats.framesPassedThrough += 1;
            }
        }
    }
    av_packet_free(&packet);
    return ok;
}

bool CVideoRecorder::WriteEncoded(AVPacket* packet) {
    packet->stream_index = 0;
    av_packet_rescale_ts(packet, m_muxer->frameTime, m_muxer->stream->time_base);
    const int size = packet->size;
    const int status = av_write_frame(m_muxer->context, packet);
    const int ioError = m_muxer->context->pb->error;
    std::lock_guard lock(m_mutex);
    if (status < 0 || ioError < 0) {
        m_stats.error = "Writing the video failed: " + AvError(status < 0 ? status : ioError);
        return false;
    }
    m_stats.bytesWritten += static_cast<std::uint64_t>(size);
    return true;
}

bool CVideoRecorder::EncodeQueued(const CQueuedFrame& frame) {
    std::string error;
    const bool ok = m_encoder->Encode(
        frame.bytes.data(), frame.stride, m_muxer->nextPts, frame.repeat,
        [this](AVPacket* packet) { return WriteEncoded(packet); }, error);
    std::lock_guard lock(m_mutex);
    if (!ok) {
        if (m_stats.error.empty()) {
            m_stats.error = error;
        }
        return false;
    }
    m_muxer->nextPts += frame.repeat;
    m_stats.framesWritten += static_cast<std::uint64_t>(frame.repeat);
    return true;
}

void CVideoRecorder::Close() {
    if (!m_muxer) {
        return;
    }
    std::string error;
    if (m_encoder && m_muxer->headerWritten && !Failed()) {
        m_encoder->Flush([this](AVPacket* packet) { return WriteEncoded(packet); }, error);
    }
    if (m_muxer->headerWritten) {
        const int status = av_write_trailer(m_muxer->context);
        if (status < 0 && error.empty()) {
            error = "The video file could not be finished: " + AvError(status);
        }
    }
    if (m_muxer->context->pb != nullptr) {
        avio_closep(&m_muxer->context->pb);
    }
    m_muxer.reset();
    const QString part = QString::fromStdString(RecordingPartPath(m_options.path));
    const QString placed = PlaceNewFile(part, QString::fromStdString(m_options.path));
    if (placed.isEmpty() && error.empty()) {
        error = "The video file could not be moved into place: " + m_options.path;
    }
    std::lock_guard lock(m_mutex);
    m_stats.file = placed.toStdString();
    if (m_stats.error.empty()) {
        m_stats.error = error;
    }
}

CRecorderStats CVideoRecorder::Stop() {
    {
        std::lock_guard lock(m_mutex);
        if (m_closed) {
            return m_stats;
        }
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_writer.joinable()) {
        m_writer.join();
    }
    Close();
    std::lock_guard lock(m_mutex);
    m_closed = true;
    return m_stats;
}

CRecorderStats CVideoRecorder::Stats() const {
    std::lock_guard lock(m_mutex);
    return m_stats;
}

bool CVideoRecorder::Complete() const {
    return m_complete;
}

std::uint64_t FramesFor(double seconds, double fps) {
    return seconds > 0 && fps > 0 ? static_cast<std::uint64_t>(std::llround(seconds * fps)) : 0;
}

bool CVideoRecorder::Failed() const {
    std::lock_guard lock(m_mutex);
    return m_failed;
}
