#pragma once

#include "capture/CaptureBackend.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The chosen capture format as it is kept in CapConfig.dat: an 88-byte
// video-info header, little-endian, with no header of its own.
inline constexpr int kCaptureConfigBytes = 88;
using CCaptureConfigBlock = std::array<std::uint8_t, kCaptureConfigBytes>;

// The fields of the block that describe a format.
struct CaptureConfigFields {
    std::int32_t width = 0;           // biWidth
    std::int32_t height = 0;          // biHeight
    std::uint16_t bitCount = 0;       // biBitCount
    std::uint32_t compression = 0;    // biCompression, the FOURCC
    std::uint32_t sizeImage = 0;      // biSizeImage
    std::int64_t avgTimePerFrame = 0; // 100-ns units
};

// Bits per pixel and frame bytes a format is described with.
std::uint16_t BitCountOf(std::uint32_t fourcc);
std::uint32_t SizeImageOf(std::uint32_t fourcc, int width, int height);

// Frame interval in 100-ns units, rounded; 0 for an interval without frames.
std::int64_t TimePerFrameOf(const FrameInterval& interval);

CCaptureConfigBlock EncodeCaptureConfig(const CaptureFormat& format);
CaptureConfigFields DecodeCaptureConfig(const CCaptureConfigBlock& block);

// The block as the bytes of a file: a block only when exactly 88 bytes.
std::optional<CCaptureConfigBlock> CaptureConfigFromBytes(std::span<const std::uint8_t> bytes);

// The camera's offer closest to a stored block: the stored FOURCC and size
// with the offered interval nearest to the stored one. nullopt when the
// camera does not offer that size in that FOURCC (a file of another camera),
// or when the block holds no usable size.
std::optional<CaptureFormat> MatchCaptureConfig(const CaptureConfigFields& fields,
                                                const std::vector<CaptureFormatDesc>& offered);

// Subtype codes: the persisted `videoformat` numbers.
namespace SubtypeCode {
inline constexpr int kUnknown = 0; // set as YUY2
inline constexpr int kYUYV = 1;
inline constexpr int kYVYU = 2;
inline constexpr int kYUY2 = 3;
inline constexpr int kUYVY = 4;
inline constexpr int kMJPG = 5;
inline constexpr int kRGB24 = 6;
inline constexpr int kRGB8 = 7;
inline constexpr int kRGB565 = 8;
inline constexpr int kRGB555 = 9;
inline constexpr int kRGB32 = 10;
} // namespace SubtypeCode

// The code of a pixel format; YUYV and YUY2 being one format, it classifies
// as YUY2 (3). Anything unknown is 0.
int ClassifySubtype(std::uint32_t fourcc);
// The pixel format a code asks for; 0 and unknown codes ask for YUYV.
std::uint32_t FourccOfSubtype(int code);
