#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What a recorded AVI holds, read back with the demuxer: the stream's
// description, the stored picture header and every frame's bytes.
struct CReadBackVideo {
    std::string error; // empty when the file could be read
    int width = 0;
    int height = 0;
    std::uint32_t codecTag = 0;
    int codecId = 0;
    double fps = 0.0;
    std::vector<std::vector<std::uint8_t>> packets;
    std::uint64_t packetCount = 0; // counted even when not kept
};

// keepFrom: packets from this index on are kept (to read a long file's end).
CReadBackVideo ReadBackVideo(const std::string& path, std::uint64_t keepFrom = 0);

// Every frame of the file's video stream decoded with libavcodec, as tight
// BGR rows top-down.
struct CDecodedVideo {
    std::string error; // empty when every packet decoded
    int codecId = 0;
    int width = 0;
    int height = 0;
    std::vector<std::vector<std::uint8_t>> frames;
};
CDecodedVideo DecodeVideo(const std::string& path);

// The BITMAPINFOHEADER fields of the file's video stream format ("strf").
struct CStoredBitmapHeader {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0xFFFFFFFF;
};
CStoredBitmapHeader ReadStreamFormat(const std::string& path);

// A JPEG of a frame of one colour (blue, green, red), for passthrough.
std::vector<std::uint8_t> SolidJpeg(int width, int height, std::uint8_t b, std::uint8_t g,
                                    std::uint8_t r);
// The top-left pixel of a JPEG as 0xRRGGBB, or -1 when it does not decode.
std::int64_t JpegTopLeft(const std::vector<std::uint8_t>& jpeg);
