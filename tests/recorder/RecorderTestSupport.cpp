#include "tests/recorder/RecorderTestSupport.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <turbojpeg.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

CReadBackVideo ReadBackVideo(const std::string& path, std::uint64_t keepFrom) {
    CReadBackVideo video;
    AVFormatContext* context = nullptr;
    if (avformat_open_input(&context, path.c_str(), nullptr, nullptr) < 0) {
        video.error = "cannot open " + path;
        return video;
    }
    if (avformat_find_stream_info(context, nullptr) < 0 || context->nb_streams != 1) {
        video.error = "no single stream";
        avformat_close_input(&context);
        return video;
    }
    const AVStream* stream = context->streams[0];
    video.width = stream->codecpar->width;
    video.height = stream->codecpar->height;
    video.codecTag = stream->codecpar->codec_tag;
    video.codecId = stream->codecpar->codec_id;
    video.fps = av_q2d(stream->avg_frame_rate);
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(context, packet) >= 0) {
        if (video.packetCount++ >= keepFrom) {
            video.packets.emplace_back(packet->data, packet->data + packet->size);
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&context);
    return video;
}

namespace {

// Converts a decoded picture to tight top-down BGR rows.
std::vector<std::uint8_t> ToBgr(const AVFrame* frame) {
    std::vector<std::uint8_t> bgr(static_cast<std::size_t>(frame->width) * frame->height * 3);
    SwsContext* scaler = sws_getContext(
        frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), frame->width,
        frame->height, AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr, nullptr);
    std::uint8_t* target[1] = {bgr.data()};
    const int targetStride[1] = {frame->width * 3};
    sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, target, targetStride);
    sws_freeContext(scaler);
    return bgr;
}

} // namespace

CDecodedVideo DecodeVideo(const std::string& path) {
    CDecodedVideo video;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) {
        video.error = "cannot open " + path;
        return video;
    }
    AVCodecContext* decoder = nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    const auto receive = [&] {
        while (avcodec_receive_frame(decoder, frame) >= 0) {
            video.frames.push_back(ToBgr(frame));
            av_frame_unref(frame);
        }
    };
    if (avformat_find_stream_info(format, nullptr) < 0 || format->nb_streams != 1) {
        video.error = "no single stream";
    } else {
        const AVCodecParameters* parameters = format->streams[0]->codecpar;
        video.codecId = parameters->codec_id;
        video.width = parameters->width;
        video.height = parameters->height;
        const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
        decoder = avcodec_alloc_context3(codec);
        if (codec == nullptr || avcodec_parameters_to_context(decoder, parameters) < 0 ||
            avcodec_open2(decoder, codec, nullptr) < 0) {
            video.error = "no decoder";
        } else {
            while (video.error.empty() && av_read_frame(format, packet) >= 0) {
                if (avcodec_send_packet(decoder, packet) < 0) {
                    video.error = "a packet did not decode";
                }
                av_packet_unref(packet);
                receive();
            }
            avcodec_send_packet(decoder, nullptr);
            receive();
        }
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    avformat_close_input(&format);
    return video;
}

CStoredBitmapHeader ReadStreamFormat(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<char> head(64 * 1024);
    file.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(file.gcount()));
    CStoredBitmapHeader header;
    const char tag[] = {'s', 't', 'r', 'f'};
    const auto at = std::search(head.begin(), head.end(), std::begin(tag), std::end(tag));
    if (at == head.end() || head.end() - at < 8 + 40) {
        return header;
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&*at) + 8;
    const auto le32 = [&](int offset) {
        return static_cast<std::uint32_t>(bytes[offset]) | (bytes[offset + 1] << 8) |
               (bytes[offset + 2] << 16) | (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
    };
    header.width = static_cast<std::int32_t>(le32(4));
    header.height = static_cast<std::int32_t>(le32(8));
    header.bitCount = static_cast<std::uint16_t>(bytes[14] | (bytes[15] << 8));
    header.compression = le32(16);
    return header;
}

std::vector<std::uint8_t> SolidJpeg(int width, int height, std::uint8_t b, std::uint8_t g,
                                    std::uint8_t r) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0; i < pixels.size(); i += 3) {
        pixels[i] = b;
        pixels[i + 1] = g;
        pixels[i + 2] = r;
    }
    tjhandle encoder = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(encoder, pixels.data(), width, 0, height, TJPF_BGR, &jpeg, &size, TJSAMP_420, 90,
                0);
    std::vector<std::uint8_t> out(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(encoder);
    return out;
}

std::int64_t JpegTopLeft(const std::vector<std::uint8_t>& jpeg) {
    tjhandle decoder = tjInitDecompress();
    int width = 0;
    int height = 0;
    int sub = 0;
    int colours = 0;
    if (tjDecompressHeader3(decoder, jpeg.data(), jpeg.size(), &width, &height, &sub, &colours) !=
        0) {
        tjDestroy(decoder);
        return -1;
    }
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 3);
    const int status = tjDecompress2(decoder, jpeg.data(), jpeg.size(), pixels.data(), width, 0,
                                     height, TJPF_BGR, 0);
    tjDestroy(decoder);
    if (status != 0) {
        return -1;
    }
    return pixels[0] | (pixels[1] << 8) | (pixels[2] << 16);
}
