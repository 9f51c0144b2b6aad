#include "capture/v4l2/V4l2Device.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>
#include <linux/videodev2.h>

namespace {

struct RawControl {
    std::uint32_t id = 0;
    std::uint32_t type = 0;
    std::string name;
    std::int64_t minimum = 0;
    std::int64_t maximum = 0;
    std::uint64_t step = 1;
    std::int64_t defaultValue = 0;
    std::uint32_t flags = 0;
};

std::int32_t Clamp32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

template <std::size_t N>
std::string NameOf(const std::uint8_t (&text)[N]) {
    const char* chars = reinterpret_cast<const char*>(text);
    return std::string(chars, strnlen(chars, N));
}
template <std::size_t N>
std::string NameOf(const char (&text)[N]) {
    return std::string(text, strnlen(text, N));
}

// One control by id, or with V4L2_CTRL_FLAG_NEXT_CTRL the one after it.
// The extended query first; drivers older than it answer the plain one.
bool Query(const CV4l2Calls& calls, int fd, std::uint32_t id, RawControl& out) {
    v4l2_query_ext_ctrl extended{};
    extended.id = id;
    if (RetryIoctl(calls, fd, VIDIOC_QUERY_EXT_CTRL, &extended) == 0) {
        out = {extended.id,      extended.type, NameOf(extended.name),  extended.minimum,
               extended.maximum, extended.step, extended.default_value, extended.flags};
        return true;
    }
    if (errno != ENOTTY) {
        return false;
    }
    v4l2_queryctrl plain{};
    plain.id = id;
    if (RetryIoctl(calls, fd, VIDIOC_QUERYCTRL, &plain) != 0) {
        return false;
    }
    out = {plain.id,
           plain.type,
           NameOf(plain.name),
           plain.minimum,
           plain.maximum,
           static_cast<std::uint64_t>(std::max(plain.step, 1)),
           plain.default_value,
           plain.flags};
    return true;
}

std::optional<ControlKind> KindOf(std::uint32_t type) {
    switch (type) {
    case V4L2_CTRL_TYPE_INTEGER:
        return ControlKind::Integer;
    case V4L2_CTRL_TYPE_BOOLEAN:
        return ControlKind::Boolean;
    case V4L2_CTRL_TYPE_MENU:
    case V4L2_CTRL_TYPE_INTEGER_MENU:
        return ControlKind::Menu;
    case V4L2_CTRL_TYPE_BUTTON:
        return ControlKind::Button;
    default:
        return std::nullopt; // 64-bit, string and compound controls are not shown
    }
}

std::optional<CaptureControl> Describe(const CV4l2Calls& calls, int fd, const RawControl& raw) {
    const auto kind = KindOf(raw.type);
    if (!kind || (raw.flags & V4L2_CTRL_FLAG_DISABLED) != 0) {
        return std::nullopt;
    }
    CaptureControl control;
    control.id = raw.id;
    control.name = raw.name;
    control.kind = *kind;
    control.minimum = Clamp32(raw.minimum);
    control.maximum = Clamp32(raw.maximum);
    control.step = Clamp32(static_cast<std::int64_t>(std::max<std::uint64_t>(
        std::min<std::uint64_t>(raw.step, std::numeric_limits<std::int32_t>::max()), 1)));
    control.defaultValue = Clamp32(raw.defaultValue);
    control.value = control.defaultValue;
    // A grabbed control is locked while the camera streams: shown greyed.
    control.inactive = (raw.flags & (V4L2_CTRL_FLAG_INACTIVE | V4L2_CTRL_FLAG_GRABBED)) != 0;
    control.readOnly = (raw.flags & V4L2_CTRL_FLAG_READ_ONLY) != 0;
    if (control.kind == ControlKind::Menu) {
        for (std::int64_t index = std::max<std::int64_t>(raw.minimum, 0);
             index <= raw.maximum && index - raw.minimum < 256; ++index) {
            v4l2_querymenu item{};
            item.id = raw.id;
            item.index = static_cast<std::uint32_t>(index);
            if (RetryIoctl(calls, fd, VIDIOC_QUERYMENU, &item) != 0) {
                continue; // menus may have gaps
            }
            std::string name;
            if (raw.type == V4L2_CTRL_TYPE_INTEGER_MENU) {
                char digits[24];
                const auto result = std::to_chars(digits, digits + sizeof digits, item.value);
                name.assign(digits, result.ptr);
            } else {
                name = NameOf(item.name);
            }
            control.menu.push_back({static_cast<std::int32_t>(index), std::move(name)});
        }
    }
    if (control.kind != ControlKind::Button && (raw.flags & V4L2_CTRL_FLAG_WRITE_ONLY) == 0) {
        v4l2_control current{};
        current.id = raw.id;
        if (RetryIoctl(calls, fd, VIDIOC_G_CTRL, &current) == 0) {
            control.value = current.value;
        }
    }
    return control;
}

} // namespace

std::vector<CaptureControl> CV4l2Device::Controls() const {
    std::vector<CaptureControl> controls;
    RawControl raw;
    std::uint32_t id = V4L2_CTRL_FLAG_NEXT_CTRL;
    bool walked = false;
    while (controls.size() < 1024 && Query(*m_calls, m_fd, id, raw)) {
        walked = true;
        if (raw.type != V4L2_CTRL_TYPE_CTRL_CLASS) {
            if (auto control = Describe(*m_calls, m_fd, raw)) {
                controls.push_back(std::move(*control));
            }
        }
        if ((raw.id & ~V4L2_CTRL_FLAG_NEXT_CTRL) < (id & ~V4L2_CTRL_FLAG_NEXT_CTRL)) {
            break; // a driver going backwards would loop for ever
        }
        id = raw.id | V4L2_CTRL_FLAG_NEXT_CTRL;
    }
    if (walked) {
        return controls;
    }
    // Drivers that cannot walk are asked control by control.
    auto probe = [&](std::uint32_t first, std::uint32_t end) {
        for (std::uint32_t cid = first; cid < end; ++cid) {
            if (Query(*m_calls, m_fd, cid, raw)) {
                if (auto control = Describe(*m_calls, m_fd, raw)) {
                    controls.push_back(std::move(*control));
                }
            }
        }
    };
    probe(V4L2_CID_BASE, V4L2_CID_LASTP1);
    probe(V4L2_CID_CAMERA_CLASS_BASE + 1, V4L2_CID_CAMERA_CLASS_BASE + 40);
    return controls;
}

CaptureStatus CV4l2Device::SetControl(std::uint32_t id, std::int32_t value) {
    // Flags change with auto modes, so the control is asked afresh.
    RawControl raw;
    std::optional<CaptureControl> control;
    if ((id & V4L2_CTRL_FLAG_NEXT_CTRL) == 0 && Query(*m_calls, m_fd, id, raw) && raw.id == id) {
        control = Describe(*m_calls, m_fd, raw);
    }
    if (!control) {
        return CaptureStatus::Failure("The camera has no such setting.");
    }
    if (control->readOnly) {
        return CaptureStatus::Failure("This setting can only be read.");
    }
    if (control->inactive) {
        return CaptureStatus::Failure("This setting has no effect now; its automatic mode is on.");
    }
    if (control->kind != ControlKind::Button) {
        const bool inRange = value >= control->minimum && value <= control->maximum;
        const bool listed =
            control->kind != ControlKind::Menu ||
            std::any_of(control->menu.begin(), control->menu.end(),
                        [value](const ControlMenuItem& item) { return item.value == value; });
        if (!inRange || !listed) {
            return CaptureStatus::Failure("The value is outside the setting's range.");
        }
    }
    v4l2_control change{};
    change.id = id;
    change.value = control->kind == ControlKind::Button ? 0 : value;
    if (RetryIoctl(*m_calls, m_fd, VIDIOC_S_CTRL, &change) != 0) {
        return CaptureStatus::Failure(V4l2ErrorText(errno) + " The setting keeps its value.");
    }
    return CaptureStatus::Success();
}
