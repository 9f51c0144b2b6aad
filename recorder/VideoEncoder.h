#pragma once

#include "recorder/VideoRecorder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

extern "C" {
struct AVCodecContext;
struct AVCodecParameters;
struct AVFrame;
struct AVPacket;
struct SwsContext;
}

// A libavcodec encoder for the compressors that need one (H.264, FFV1): it
// takes the delivered frames (BGR rows bottom-up) and hands out packets whose
// times count frames at `frameTime`.
class CVideoEncoder {
public:
    using PacketSink = std::function<bool(AVPacket* packet)>;

    // nullptr with `error` set when the library has no such encoder or it
    // refuses the size or rate.
    static std::unique_ptr<CVideoEncoder> Create(VideoCodec codec, int width, int height,
                                                 int frameTimeNum, int frameTimeDen,
                                                 std::string& error);
    ~CVideoEncoder();
    CVideoEncoder(const CVideoEncoder&) = delete;
    CVideoEncoder& operator=(const CVideoEncoder&) = delete;

    // The stream description a muxer needs, extradata included.
    bool FillParameters(AVCodecParameters* parameters) const;
    // Time base of the packets handed out.
    void TimeBase(int& num, int& den) const;

    // Converts one frame (upright in the output) and encodes it `repeat`
    // times with consecutive frame numbers from `pts`. The sink returns false
    // to stop; so does a failing encoder (with `error`).
    bool Encode(const std::uint8_t* bgr, int stride, std::int64_t pts, int repeat,
                const PacketSink& sink, std::string& error);
    // Hands out what the encoder still holds.
    bool Flush(const PacketSink& sink, std::string& error);

private:
    CVideoEncoder() = default;
    bool Drain(const PacketSink& sink, std::string& error);

    AVCodecContext* m_context = nullptr;
    SwsContext* m_scaler = nullptr;
    AVFrame* m_frame = nullptr;
    AVPacket* m_packet = nullptr;
    bool m_flushed = false;
};
