#include "capture/v4l2/V4l2Formats.h"

#include "capture/v4l2/V4l2Device.h"

#include <algorithm>
#include <cstring>
#include <linux/videodev2.h>

namespace {

constexpr std::pair<int, int> kCommonSizes[] = {
    {160, 120},   {320, 240},   {352, 288},   {640, 360},   {640, 480},
    {800, 600},   {1024, 768},  {1280, 720},  {1280, 960},  {1280, 1024},
    {1600, 1200}, {1920, 1080}, {2048, 1536}, {2592, 1944}, {3840, 2160},
};
constexpr std::uint32_t kCommonRates[] = {60, 30, 25, 20, 15, 10, 5};
// Drivers with broken enumeration must not make the list endless.
constexpr std::uint32_t kMaxEntries = 256;

bool Shorter(const FrameInterval& a, const FrameInterval& b) {
    return std::uint64_t{a.numerator} * b.denominator < std::uint64_t{b.numerator} * a.denominator;
}

bool Within(const FrameInterval& value, const v4l2_fract& low, const v4l2_fract& high) {
    const FrameInterval lo{low.numerator, low.denominator};
    const FrameInterval hi{high.numerator, high.denominator};
    return !Shorter(value, lo) && !Shorter(hi, value);
}

std::vector<FrameInterval> Intervals(const CV4l2Calls& calls, int fd, std::uint32_t fourcc,
                                     int width, int height) {
    std::vector<FrameInterval> intervals;
    for (std::uint32_t index = 0; index < kMaxEntries; ++index) {
        v4l2_frmivalenum entry{};
        entry.index = index;
        entry.pixel_format = fourcc;
        entry.width = static_cast<std::uint32_t>(width);
        entry.height = static_cast<std::uint32_t>(height);
        if (RetryIoctl(calls, fd, VIDIOC_ENUM_FRAMEINTERVALS, &entry) != 0) {
            break;
        }
        if (entry.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
            if (entry.discrete.numerator != 0 && entry.discrete.denominator != 0) {
                intervals.push_back({entry.discrete.numerator, entry.discrete.denominator});
            }
            continue;
        }
        const v4l2_fract low = entry.stepwise.min;
        const v4l2_fract high = entry.stepwise.max;
        if (low.numerator == 0 || low.denominator == 0 || high.numerator == 0 ||
            high.denominator == 0) {
            break;
        }
        intervals.push_back({low.numerator, low.denominator});
        for (const std::uint32_t rate : kCommonRates) {
            if (Within({1, rate}, low, high)) {
                intervals.push_back({1, rate});
            }
        }
        intervals.push_back({high.numerator, high.denominator});
        break; // a range is the only entry
    }
    std::sort(intervals.begin(), intervals.end(), Shorter);
    intervals.erase(std::unique(intervals.begin(), intervals.end(),
                                [](const FrameInterval& a, const FrameInterval& b) {
                                    return !Shorter(a, b) && !Shorter(b, a);
                                }),
                    intervals.end());
    return intervals;
}

} // namespace

std::vector<std::pair<int, int>> SizesInRange(int minWidth, int maxWidth, int stepWidth,
                                              int minHeight, int maxHeight, int stepHeight) {
    std::vector<std::pair<int, int>> sizes;
    if (minWidth <= 0 || minHeight <= 0 || maxWidth < minWidth || maxHeight < minHeight) {
        return sizes;
    }
    stepWidth = std::max(stepWidth, 1);
    stepHeight = std::max(stepHeight, 1);
    sizes.emplace_back(minWidth, minHeight);
    for (const auto& [w, h] : kCommonSizes) {
        if (w > minWidth && w < maxWidth && h >= minHeight && h <= maxHeight &&
            (w - minWidth) % stepWidth == 0 && (h - minHeight) % stepHeight == 0) {
            sizes.emplace_back(w, h);
        }
    }
    if (maxWidth != minWidth || maxHeight != minHeight) {
        sizes.emplace_back(maxWidth, maxHeight);
    }
    return sizes;
}

std::vector<CaptureFormatDesc> EnumerateV4l2Formats(const CV4l2Calls& calls, int fd) {
    std::vector<CaptureFormatDesc> formats;
    for (std::uint32_t index = 0; index < kMaxEntries; ++index) {
        v4l2_fmtdesc description{};
        description.index = index;
        description.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (RetryIoctl(calls, fd, VIDIOC_ENUM_FMT, &description) != 0) {
            break;
        }
        if (!V4l2CanDeliver(description.pixelformat)) {
            continue; // a format we could not show is not worth choosing
        }
        CaptureFormatDesc format;
        format.fourcc = description.pixelformat;
        format.description.assign(reinterpret_cast<const char*>(description.description),
                                  strnlen(reinterpret_cast<const char*>(description.description),
                                          sizeof description.description));
        std::vector<std::pair<int, int>> sizes;
        for (std::uint32_t sizeIndex = 0; sizeIndex < kMaxEntries; ++sizeIndex) {
            v4l2_frmsizeenum size{};
            size.index = sizeIndex;
            size.pixel_format = description.pixelformat;
            if (RetryIoctl(calls, fd, VIDIOC_ENUM_FRAMESIZES, &size) != 0) {
                break;
            }
            if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
                sizes.emplace_back(static_cast<int>(size.discrete.width),
                                   static_cast<int>(size.discrete.height));
                continue;
            }
            const v4l2_frmsize_stepwise& range = size.stepwise;
            const bool continuous = size.type == V4L2_FRMSIZE_TYPE_CONTINUOUS;
            sizes =
                SizesInRange(static_cast<int>(range.min_width), static_cast<int>(range.max_width),
                             continuous ? 1 : static_cast<int>(range.step_width),
                             static_cast<int>(range.min_height), static_cast<int>(range.max_height),
                             continuous ? 1 : static_cast<int>(range.step_height));
            break; // a range is the only entry
        }
        for (const auto& [width, height] : sizes) {
            if (width <= 0 || height <= 0) {
                continue;
            }
            format.sizes.push_back(
                {width, height, Intervals(calls, fd, format.fourcc, width, height)});
        }
        formats.push_back(std::move(format));
    }
    return formats;
}
