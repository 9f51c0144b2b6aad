#pragma once

#include "capture/FrameConverter.h"
#include "capture/v4l2/V4l2Calls.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

struct v4lconvert_data;

// Turns one buffer of a kernel video device into the delivered frame format:
// 24-bit blue, green, red, rows bottom-up, each row BgrStride(width) bytes.
// The capture layer's frame converter decodes what it knows (MJPEG, packed
// 4:2:2, RGB); anything else goes through libv4lconvert. Camera data is
// hostile: a short, truncated or corrupt buffer fails with a reason and never
// reads or writes out of bounds. One decoder per streaming thread.
class CV4l2FrameDecoder {
public:
    // `calls` and `fd` are only used for formats that libv4lconvert handles
    // (it asks the device what it offers); MJPEG and 4:2:2 need neither.
    CV4l2FrameDecoder(std::shared_ptr<const CV4l2Calls> calls = nullptr, int fd = -1);
    ~CV4l2FrameDecoder();
    CV4l2FrameDecoder(const CV4l2FrameDecoder&) = delete;
    CV4l2FrameDecoder& operator=(const CV4l2FrameDecoder&) = delete;

    // Whether frames of `fourcc` can be decoded (the library's formats need a
    // device to be given).
    static bool CanDecode(std::uint32_t fourcc);

    // `bytesPerLine` is the device's row length of raw formats (0: packed).
    // `bgr` holds BgrStride(width) × height bytes.
    bool Decode(std::uint32_t fourcc, std::span<const std::uint8_t> data, int width, int height,
                int bytesPerLine, std::uint8_t* bgr, std::string& error);

private:
    bool DecodeOther(std::uint32_t fourcc, std::span<const std::uint8_t> data, int width,
                     int height, int bytesPerLine, std::uint8_t* bgr, std::string& error);
    v4lconvert_data* Converter();

    CFrameConverter m_converter;
    std::shared_ptr<const CV4l2Calls> m_calls;
    int m_fd = -1;
    v4lconvert_data* m_convert = nullptr;
    std::vector<std::uint8_t> m_scratch; // the source copy and the converted frame
};
