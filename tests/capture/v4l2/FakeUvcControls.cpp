#include "tests/capture/v4l2/FakeUvcCamera.h"
#include "tests/capture/v4l2/FakeUvcSupport.h"

using FakeUvc::CopyName;
using FakeUvc::Fail;

const CFakeUvcCamera::Control* CFakeUvcCamera::FindControl(std::uint32_t id, bool next) const {
    const Control* best = nullptr;
    for (const Control& control : controls) {
        if (!next && control.id == id) {
            return &control;
        }
        if (next && control.id > id && (best == nullptr || control.id < best->id)) {
            best = &control;
        }
    }
    return best;
}

// The driver works out INACTIVE from the auto mode each time it is asked.
std::uint32_t CFakeUvcCamera::FlagsOf(const Control& control) const {
    std::uint32_t flags = control.flags;
    if (control.activeWith != 0) {
        const Control* master = FindControl(control.activeWith, false);
        const bool active = master != nullptr && master->value == control.activeWhen;
        flags = active ? (flags & ~V4L2_CTRL_FLAG_INACTIVE) : (flags | V4L2_CTRL_FLAG_INACTIVE);
    }
    return flags;
}

int CFakeUvcCamera::ControlIoctl(unsigned long request, void* arg) {
    switch (request) {
    case VIDIOC_QUERY_EXT_CTRL:
    case VIDIOC_QUERYCTRL: {
        if (request == VIDIOC_QUERY_EXT_CTRL && !extendedQueries) {
            return Fail(ENOTTY);
        }
        std::uint32_t& idField = request == VIDIOC_QUERYCTRL
                                     ? static_cast<v4l2_queryctrl*>(arg)->id
                                     : static_cast<v4l2_query_ext_ctrl*>(arg)->id;
        const bool next = (idField & V4L2_CTRL_FLAG_NEXT_CTRL) != 0;
        const Control* control = FindControl(idField & ~V4L2_CTRL_FLAG_NEXT_CTRL, next);
        if (control == nullptr) {
            return Fail(EINVAL);
        }
        if (request == VIDIOC_QUERYCTRL) {
            auto* query = static_cast<v4l2_queryctrl*>(arg);
            *query = {};
            query->id = control->id;
            query->type = control->type;
            CopyName(query->name, control->name);
            query->minimum = static_cast<std::int32_t>(control->minimum);
            query->maximum = static_cast<std::int32_t>(control->maximum);
            query->step = static_cast<std::int32_t>(control->step);
            query->default_value = static_cast<std::int32_t>(control->defaultValue);
            query->flags = FlagsOf(*control);
        } else {
            auto* query = static_cast<v4l2_query_ext_ctrl*>(arg);
            *query = {};
            query->id = control->id;
            query->type = control->type;
            CopyName(query->name, control->name);
            query->minimum = control->minimum;
            query->maximum = control->maximum;
            query->step = static_cast<std::uint64_t>(control->step);
            query->default_value = control->defaultValue;
            query->flags = FlagsOf(*control);
        }
        return 0;
    }
    case VIDIOC_QUERYMENU: {
        auto* item = static_cast<v4l2_querymenu*>(arg);
        const Control* control = FindControl(item->id, false);
        if (control == nullptr || item->index >= control->menu.size() ||
            control->menu[item->index].empty()) {
            return Fail(EINVAL);
        }
        if (control->type == V4L2_CTRL_TYPE_INTEGER_MENU) {
            item->value = std::stoll(control->menu[item->index]);
        } else {
            // The name sits in a packed union: no reference may bind to it.
            const std::string& name = control->menu[item->index];
            std::memset(item->name, 0, sizeof item->name);
            std::memcpy(item->name, name.data(), std::min(name.size(), sizeof item->name - 1));
        }
        return 0;
    }
    case VIDIOC_G_CTRL:
    case VIDIOC_S_CTRL: {
        auto* value = static_cast<v4l2_control*>(arg);
        auto* control = const_cast<Control*>(FindControl(value->id, false));
        if (control == nullptr) {
            return Fail(EINVAL);
        }
        if (request == VIDIOC_G_CTRL) {
            value->value = control->value;
            return 0;
        }
        ++m_setControlCalls;
        if (control->refuseWith != 0) {
            return Fail(control->refuseWith);
        }
        const bool menu =
            control->type == V4L2_CTRL_TYPE_MENU || control->type == V4L2_CTRL_TYPE_INTEGER_MENU;
        if (menu &&
            (value->value < 0 || static_cast<std::size_t>(value->value) >= control->menu.size() ||
             control->menu[static_cast<std::size_t>(value->value)].empty())) {
            return Fail(EINVAL);
        }
        // The control core clamps to the range and rounds to the step, and
        // tells the caller what it took.
        const std::int64_t step = std::max<std::int64_t>(control->step, 1);
        std::int64_t taken =
            std::clamp<std::int64_t>(value->value, control->minimum, control->maximum);
        taken = control->minimum + (taken - control->minimum + step / 2) / step * step;
        if (taken > control->maximum) {
            taken -= step;
        }
        control->value = static_cast<std::int32_t>(taken);
        value->value = control->value;
        return 0;
    }
    default:
        return -2;
    }
}
