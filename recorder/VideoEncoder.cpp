#include "recorder/VideoEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace {

const AVCodec* FindEncoder(VideoCodec codec) {
    switch (codec) {
    case VideoCodec::H264:
        // Only software encoders: a hardware one may be listed yet have no
        // device behind it.
        if (const AVCodec* found = avcodec_find_encoder_by_name("libx264")) {
            return found;
        }
        return avcodec_find_encoder_by_name("libopenh264");
    case VideoCodec::Ffv1:
        return avcodec_find_encoder_by_name("ffv1");
    case VideoCodec::Uncompressed:
    case VideoCodec::Mjpeg:
        break;
    }
    return nullptr;
}

bool Supports(const AVCodec* encoder, AVPixelFormat format) {
    if (encoder->pix_fmts == nullptr) {
        return false;
    }
    for (const AVPixelFormat* f = encoder->pix_fmts; *f != AV_PIX_FMT_NONE; ++f) {
        if (*f == format) {
            return true;
        }
    }
    return false;
}

// FFV1 keeps the camera's colours exactly in RGB; H.264 goes out as 4:2:0,
// the one kind every player decodes.
AVPixelFormat PixelFormatFor(VideoCodec codec, const AVCodec* encoder) {
    if (codec == VideoCodec::Ffv1 && Supports(encoder, AV_PIX_FMT_0RGB32)) {
        return AV_PIX_FMT_0RGB32;
    }
    return AV_PIX_FMT_YUV420P;
}

std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

} // namespace

bool VideoCodecPresent(VideoCodec codec) {
    return codec == VideoCodec::Uncompressed || codec == VideoCodec::Mjpeg ||
           FindEncoder(codec) != nullptr;
}

std::unique_ptr<CVideoEncoder> CVideoEncoder::Create(VideoCodec codec, int width, int height,
                                                     int frameTimeNum, int frameTimeDen,
                                                     std::string& error) {
    const AVCodec* found = FindEncoder(codec);
    if (found == nullptr) {
        error = "The compressor is not available.";
        return nullptr;
    }
    const AVPixelFormat format = PixelFormatFor(codec, found);
    if (format == AV_PIX_FMT_YUV420P && (width % 2 != 0 || height % 2 != 0)) {
        error = "This compressor needs an even frame width and height.";
        return nullptr;
    }
    std::unique_ptr<CVideoEncoder> encoder(new CVideoEncoder);
    encoder->m_context = avcodec_alloc_context3(found);
    encoder->m_frame = av_frame_alloc();
    encoder->m_packet = av_packet_alloc();
    if (encoder->m_context == nullptr || encoder->m_frame == nullptr ||
        encoder->m_packet == nullptr) {
        error = "Out of memory while preparing the compressor.";
        return nullptr;
    }
    AVCodecContext* context = encoder->m_context;
    context->width = width;
    context->height = height;
    context->pix_fmt = format;
    context->time_base = AVRational{frameTimeNum, frameTimeDen};
    context->framerate = AVRational{frameTimeDen, frameTimeNum};
    // AVI stores no reordering: each packet must be the frame it follows.
    context->max_b_frames = 0;
    if (codec == VideoCodec::H264) {
        context->gop_size = 30;
        av_opt_set(context->priv_data, "preset", "veryfast", 0);
    }
    const int status = avcodec_open2(context, found, nullptr);
    if (status < 0) {
        error = "The compressor refused the recording: " + AvError(status);
        return nullptr;
    }
    encoder->m_frame->format = format;
    encoder->m_frame->width = width;
    encoder->m_frame->height = height;
    if (av_frame_get_buffer(encoder->m_frame, 0) < 0) {
        error = "Out of memory while preparing the compressor.";
        return nullptr;
    }
    encoder->m_scaler = sws_getContext(width, height, AV_PIX_FMT_BGR24, width, height, format,
                                       SWS_POINT, nullptr, nullptr, nullptr);
    if (encoder->m_scaler == nullptr) {
        error = "The frames cannot be converted for the compressor.";
        return nullptr;
    }
    return encoder;
}

CVideoEncoder::~CVideoEncoder() {
    sws_freeContext(m_scaler);
    av_packet_free(&m_packet);
    av_frame_free(&m_frame);
    avcodec_free_context(&m_context);
}

bool CVideoEncoder::FillParameters(AVCodecParameters* parameters) const {
    return avcodec_parameters_from_context(parameters, m_context) >= 0;
}

void CVideoEncoder::TimeBase(int& num, int& den) const {
    num = m_context->time_base.num;
    den = m_context->time_base.den;
}

bool CVideoEncoder::Encode(const std::uint8_t* bgr, int stride, std::int64_t pts, int repeat,
                           const PacketSink& sink, std::string& error) {
    if (av_frame_make_writable(m_frame) < 0) {
        error = "Out of memory while recording.";
        return false;
    }
    // The last row first with a negative stride turns the bottom-up rows
    // upright.
    const std::uint8_t* source[1] = {bgr +
                                     static_cast<std::ptrdiff_t>(stride) * (m_context->height - 1)};
    const int sourceStride[1] = {-stride};
    sws_scale(m_scaler, source, sourceStride, 0, m_context->height, m_frame->data,
              m_frame->linesize);
    for (int i = 0; i < repeat; ++i) {
        m_frame->pts = pts + i;
        const int status = avcodec_send_frame(m_context, m_frame);
        if (status < 0) {
            error = "A frame could not be compressed: " + AvError(status);
            return false;
        }
        if (!Drain(sink, error)) {
            return false;
        }
    }
    return true;
}

bool CVideoEncoder::Flush(const PacketSink& sink, std::string& error) {
    if (m_flushed) {
        return true;
    }
    m_flushed = true;
    const int status = avcodec_send_frame(m_context, nullptr);
    if (status < 0) {
        error = "The compressor could not be finished: " + AvError(status);
        return false;
    }
    return Drain(sink, error);
}

bool CVideoEncoder::Drain(const PacketSink& sink, std::string& error) {
    for (;;) {
        const int status = avcodec_receive_packet(m_context, m_packet);
        if (status == AVERROR(EAGAIN) || status == AVERROR_EOF) {
            return true;
        }
        if (status < 0) {
            error = "A frame could not be compressed: " + AvError(status);
            return false;
        }
        if (m_packet->duration == 0) {
            m_packet->duration = 1;
        }
        const bool ok = sink(m_packet);
        av_packet_unref(m_packet);
        if (!ok) {
            return false;
        }
    }
}
