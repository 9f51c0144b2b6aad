#include "capture/CaptureConfig.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

constexpr int kBiSizeOffset = 48;
constexpr int kAvgTimeOffset = 40;
constexpr int kWidthOffset = 52;
constexpr int kHeightOffset = 56;
constexpr int kPlanesOffset = 60;
constexpr int kBitCountOffset = 62;
constexpr int kCompressionOffset = 64;
constexpr int kSizeImageOffset = 68;
constexpr std::uint32_t kBitmapInfoHeaderBytes = 40;

template <typename T>
void Put(CCaptureConfigBlock& block, int offset, T value) {
    const auto bits = static_cast<std::uint64_t>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        block[static_cast<std::size_t>(offset) + i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
}

template <typename T>
T Get(const CCaptureConfigBlock& block, int offset) {
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        bits |= static_cast<std::uint64_t>(block[static_cast<std::size_t>(offset) + i]) << (8 * i);
    }
    return static_cast<T>(bits);
}

} // namespace

std::uint16_t BitCountOf(std::uint32_t fourcc) {
    switch (ClassifySubtype(fourcc)) {
    case SubtypeCode::kRGB8:
        return 8;
    case SubtypeCode::kRGB24:
    case SubtypeCode::kMJPG:
        return 24;
    case SubtypeCode::kRGB32:
        return 32;
    default:
        return 16;
    }
}

std::uint32_t SizeImageOf(std::uint32_t fourcc, int width, int height) {
    const std::uint64_t rowBits =
        static_cast<std::uint64_t>(std::max(width, 0)) * BitCountOf(fourcc);
    // Bitmap rows are padded to whole 32-bit words.
    const std::uint64_t rowBytes = (rowBits + 31) / 32 * 4;
    const std::uint64_t bytes = rowBytes * static_cast<std::uint64_t>(std::abs(height));
    return bytes > std::numeric_limits<std::uint32_t>::max() ? 0
                                                             : static_cast<std::uint32_t>(bytes);
}

std::int64_t TimePerFrameOf(const FrameInterval& interval) {
    if (interval.denominator == 0) {
        return 0;
    }
    return static_cast<std::int64_t>(
        std::llround(1e7 * interval.numerator / static_cast<double>(interval.denominator)));
}

CCaptureConfigBlock EncodeCaptureConfig(const CaptureFormat& format) {
    CCaptureConfigBlock block{};
    Put<std::int64_t>(block, kAvgTimeOffset, TimePerFrameOf(format.interval));
    Put<std::uint32_t>(block, kBiSizeOffset, kBitmapInfoHeaderBytes);
    Put<std::int32_t>(block, kWidthOffset, format.width);
    Put<std::int32_t>(block, kHeightOffset, format.height);
    Put<std::uint16_t>(block, kPlanesOffset, 1);
    Put<std::uint16_t>(block, kBitCountOffset, BitCountOf(format.fourcc));
    Put<std::uint32_t>(block, kCompressionOffset, format.fourcc);
    Put<std::uint32_t>(block, kSizeImageOffset,
                       SizeImageOf(format.fourcc, format.width, format.height));
    return block;
}

CaptureConfigFields DecodeCaptureConfig(const CCaptureConfigBlock& block) {
    CaptureConfigFields fields;
    fields.width = Get<std::int32_t>(block, kWidthOffset);
    fields.height = Get<std::int32_t>(block, kHeightOffset);
    fields.bitCount = Get<std::uint16_t>(block, kBitCountOffset);
    fields.compression = Get<std::uint32_t>(block, kCompressionOffset);
    fields.sizeImage = Get<std::uint32_t>(block, kSizeImageOffset);
    fields.avgTimePerFrame = Get<std::int64_t>(block, kAvgTimeOffset);
    return fields;
}

std::optional<CCaptureConfigBlock> CaptureConfigFromBytes(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != static_cast<std::size_t>(kCaptureConfigBytes)) {
        return std::nullopt;
    }
    CCaptureConfigBlock block{};
    std::copy(bytes.begin(), bytes.end(), block.begin());
    return block;
}

std::optional<CaptureFormat> MatchCaptureConfig(const CaptureConfigFields& fields,
                                                const std::vector<CaptureFormatDesc>& offered) {
    // A top-down height (negative) names the same size.
    const std::int64_t height = std::llabs(static_cast<std::int64_t>(fields.height));
    if (fields.width <= 0 || height == 0) {
        return std::nullopt;
    }
    for (const CaptureFormatDesc& desc : offered) {
        if (desc.fourcc != fields.compression) {
            continue;
        }
        for (const CaptureFrameSize& size : desc.sizes) {
            if (size.width != fields.width || size.height != height) {
                continue;
            }
            CaptureFormat format{desc.fourcc, size.width, size.height, {}};
            if (!size.intervals.empty()) {
                format.interval = size.intervals.front();
                double best = std::numeric_limits<double>::infinity();
                for (const FrameInterval& interval : size.intervals) {
                    // In doubles: a stored time near the int64 limits must not overflow.
                    const double distance = std::abs(static_cast<double>(TimePerFrameOf(interval)) -
                                                     static_cast<double>(fields.avgTimePerFrame));
                    if (distance < best) {
                        best = distance;
                        format.interval = interval;
                    }
                }
            }
            return format;
        }
    }
    return std::nullopt;
}

int ClassifySubtype(std::uint32_t fourcc) {
    // Tested in a fixed order; the YUY2 test comes before YUYV and the two
    // are one pixel format, so a YUYV camera reads as YUY2.
    struct Rule {
        int code;
        std::uint32_t fourcc;
    };
    static constexpr Rule kOrder[] = {
        {SubtypeCode::kRGB32, Fourcc::kBGR32},   {SubtypeCode::kRGB32, Fourcc::kXBGR32},
        {SubtypeCode::kRGB32, Fourcc::kABGR32},  {SubtypeCode::kRGB555, Fourcc::kRGB555},
        {SubtypeCode::kRGB565, Fourcc::kRGB565}, {SubtypeCode::kRGB8, Fourcc::kPAL8},
        {SubtypeCode::kRGB24, Fourcc::kBGR24},   {SubtypeCode::kMJPG, Fourcc::kMJPG},
        {SubtypeCode::kUYVY, Fourcc::kUYVY},     {SubtypeCode::kYUY2, Fourcc::kYUYV},
        {SubtypeCode::kYVYU, Fourcc::kYVYU},
    };
    for (const Rule& rule : kOrder) {
        if (rule.fourcc == fourcc) {
            return rule.code;
        }
    }
    return SubtypeCode::kUnknown;
}

std::uint32_t FourccOfSubtype(int code) {
    switch (code) {
    case SubtypeCode::kYVYU:
        return Fourcc::kYVYU;
    case SubtypeCode::kUYVY:
        return Fourcc::kUYVY;
    case SubtypeCode::kMJPG:
        return Fourcc::kMJPG;
    case SubtypeCode::kRGB24:
        return Fourcc::kBGR24;
    case SubtypeCode::kRGB8:
        return Fourcc::kPAL8;
    case SubtypeCode::kRGB565:
        return Fourcc::kRGB565;
    case SubtypeCode::kRGB555:
        return Fourcc::kRGB555;
    case SubtypeCode::kRGB32:
        return Fourcc::kXBGR32;
    default:
        return Fourcc::kYUYV;
    }
}
