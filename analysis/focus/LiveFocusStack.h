#pragma once

#include "analysis/focus/FocusStack.h"

#include <memory>
#include <optional>
#include <string>

// The focus sweep of a live camera: every frame is aligned and fused into the
// growing all-in-focus picture as it arrives. Memory does not grow with the
// number of frames. Not thread-safe: one thread calls it.
class CLiveFocusStack {
public:
    explicit CLiveFocusStack(double zStep = 1, std::string unit = {});
    ~CLiveFocusStack();
    CLiveFocusStack(CLiveFocusStack&&) noexcept;
    CLiveFocusStack& operator=(CLiveFocusStack&&) noexcept;

    // Adds one frame (as the camera delivers it) at focus position `z` in the
    // unit (nullopt: the frame's number times the z step); false when it
    // could not be aligned (or has another size), with Reason().
    bool Add(const CDib& frame, std::optional<double> z);
    const std::string& Reason() const;
    // The all-in-focus picture so far (empty before the first frame).
    const CDib& Picture() const;
    CHeightMap Heights() const;
    int Frames() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};
