#include "tests/capture/v4l2/FakeUvcCamera.h"
#include "tests/capture/v4l2/FakeUvcSupport.h"

#include <cstdlib>

using FakeUvc::CopyName;
using FakeUvc::Fail;

namespace {

// Row lengths as the UVC driver states them: planar formats give their luma
// row, compressed ones nothing.
std::uint32_t BytesPerLine(std::uint32_t fourcc, std::uint32_t width) {
    switch (fourcc) {
    case V4L2_PIX_FMT_YUYV:
    case V4L2_PIX_FMT_UYVY:
    case V4L2_PIX_FMT_YVYU:
    case V4L2_PIX_FMT_Y16:
        return width * 2;
    case V4L2_PIX_FMT_BGR24:
        return width * 3;
    case V4L2_PIX_FMT_YUV420:
    case V4L2_PIX_FMT_NV12:
    case V4L2_PIX_FMT_GREY:
        return width;
    default:
        return 0;
    }
}

std::int64_t Hundreds(const CFakeUvcCamera::Interval& interval) {
    return std::int64_t{10'000'000} * interval.first / std::max(interval.second, 1U);
}

} // namespace

const CFakeUvcCamera::Format* CFakeUvcCamera::FindFormat(std::uint32_t code) const {
    const auto found = std::find_if(formats.begin(), formats.end(),
                                    [code](const Format& f) { return f.fourcc == code; });
    return found == formats.end() ? nullptr : &*found;
}

std::vector<CFakeUvcCamera::Interval>
CFakeUvcCamera::IntervalsOf(const Format& format, std::uint32_t w, std::uint32_t h) const {
    for (const Size& size : format.sizes) {
        if (size.width == w && size.height == h && !size.intervals.empty()) {
            return size.intervals;
        }
    }
    return format.intervals;
}

int CFakeUvcCamera::FormatIoctl(unsigned long request, void* arg) {
    switch (request) {
    case VIDIOC_ENUM_FMT: {
        auto* description = static_cast<v4l2_fmtdesc*>(arg);
        if (description->index >= formats.size()) {
            return Fail(EINVAL);
        }
        const Format& format = formats[description->index];
        description->pixelformat = format.fourcc;
        CopyName(description->description, format.description);
        return 0;
    }
    case VIDIOC_ENUM_FRAMESIZES: {
        auto* size = static_cast<v4l2_frmsizeenum*>(arg);
        const Format* format = FindFormat(size->pixel_format);
        if (format == nullptr) {
            return Fail(EINVAL);
        }
        if (format->stepwise) {
            if (size->index != 0) {
                return Fail(EINVAL);
            }
            size->type = V4L2_FRMSIZE_TYPE_STEPWISE;
            size->stepwise = {format->minSize.width,  format->maxSize.width,  format->step.width,
                              format->minSize.height, format->maxSize.height, format->step.height};
            return 0;
        }
        if (size->index >= format->sizes.size()) {
            return Fail(EINVAL);
        }
        size->type = V4L2_FRMSIZE_TYPE_DISCRETE;
        size->discrete = {format->sizes[size->index].width, format->sizes[size->index].height};
        return 0;
    }
    case VIDIOC_ENUM_FRAMEINTERVALS: {
        auto* entry = static_cast<v4l2_frmivalenum*>(arg);
        const Format* format = FindFormat(entry->pixel_format);
        if (format == nullptr) {
            return Fail(EINVAL);
        }
        const std::vector<Interval> rates = IntervalsOf(*format, entry->width, entry->height);
        if (format->continuousRates) {
            if (entry->index != 0) {
                return Fail(EINVAL);
            }
            entry->type = V4L2_FRMIVAL_TYPE_CONTINUOUS;
            entry->stepwise.min = {rates[0].first, rates[0].second};
            entry->stepwise.max = {rates[1].first, rates[1].second};
            entry->stepwise.step = {1, 1};
            return 0;
        }
        if (entry->index >= rates.size()) {
            return Fail(EINVAL);
        }
        entry->type = V4L2_FRMIVAL_TYPE_DISCRETE;
        entry->discrete = {rates[entry->index].first, rates[entry->index].second};
        return 0;
    }
    case VIDIOC_G_FMT: {
        auto* format = static_cast<v4l2_format*>(arg);
        format->fmt.pix = {};
        format->fmt.pix.pixelformat = fourcc;
        format->fmt.pix.width = width;
        format->fmt.pix.height = height;
        format->fmt.pix.bytesperline = BytesPerLine(fourcc, width);
        format->fmt.pix.sizeimage = width * height * 3;
        format->fmt.pix.field = V4L2_FIELD_NONE;
        return 0;
    }
    case VIDIOC_S_FMT:
        return SetFormat(*static_cast<v4l2_format*>(arg));
    case VIDIOC_G_PARM:
    case VIDIOC_S_PARM:
        return Parameters(request, *static_cast<v4l2_streamparm*>(arg));
    default:
        return -2;
    }
}

int CFakeUvcCamera::SetFormat(v4l2_format& format) {
    if (m_streaming || !m_buffers.empty()) {
        return Fail(EBUSY);
    }
    const Format* chosen = FindFormat(format.fmt.pix.pixelformat);
    if (chosen == nullptr) {
        chosen = &formats.front(); // drivers answer with a format of their own
    }
    fourcc = chosen->fourcc;
    const std::uint32_t wantedWidth = format.fmt.pix.width;
    const std::uint32_t wantedHeight = format.fmt.pix.height;
    if (chosen->stepwise) {
        const auto align = [](std::uint32_t v, std::uint32_t lo, std::uint32_t hi,
                              std::uint32_t step) {
            v = std::clamp(v, lo, hi);
            return lo + (v - lo) / std::max(step, 1U) * std::max(step, 1U);
        };
        width =
            align(wantedWidth, chosen->minSize.width, chosen->maxSize.width, chosen->step.width);
        height = align(wantedHeight, chosen->minSize.height, chosen->maxSize.height,
                       chosen->step.height);
    } else if (!chosen->sizes.empty()) {
        // The nearest size: the least area not shared by the two rectangles.
        std::uint64_t best = ~std::uint64_t{0};
        for (const Size& size : chosen->sizes) {
            const std::uint64_t common = std::uint64_t{std::min(size.width, wantedWidth)} *
                                         std::min(size.height, wantedHeight);
            const std::uint64_t distance = std::uint64_t{size.width} * size.height +
                                           std::uint64_t{wantedWidth} * wantedHeight - 2 * common;
            if (distance < best) {
                best = distance;
                width = size.width;
                height = size.height;
            }
        }
    }
    // A new size streams at its default rate until S_PARM says otherwise.
    interval = IntervalsOf(*chosen, width, height).front();
    format.fmt.pix.pixelformat = fourcc;
    format.fmt.pix.width = width;
    format.fmt.pix.height = height;
    format.fmt.pix.bytesperline = BytesPerLine(fourcc, width);
    return 0;
}

int CFakeUvcCamera::Parameters(unsigned long request, v4l2_streamparm& parameters) {
    const Format* current = FindFormat(fourcc);
    if (request == VIDIOC_S_PARM && current != nullptr) {
        const Interval wanted{parameters.parm.capture.timeperframe.numerator,
                              parameters.parm.capture.timeperframe.denominator};
        const std::vector<Interval> rates = IntervalsOf(*current, width, height);
        if (wanted.second == 0) {
            interval = rates.front();
        } else if (current->continuousRates) {
            interval = Hundreds(wanted) < Hundreds(rates[0])   ? rates[0]
                       : Hundreds(wanted) > Hundreds(rates[1]) ? rates[1]
                                                               : wanted;
        } else {
            interval = *std::min_element(rates.begin(), rates.end(), [&](auto& a, auto& b) {
                return std::llabs(Hundreds(a) - Hundreds(wanted)) <
                       std::llabs(Hundreds(b) - Hundreds(wanted));
            });
        }
    }
    parameters.parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
    parameters.parm.capture.timeperframe = {interval.first, interval.second};
    return 0;
}
