#include "analysis/focus/LiveFocusStack.h"

struct CLiveFocusStack::State {
    double zStep = 1;
    std::string unit;
    std::string reason;
    CDib picture;
    int frames = 0;
};

CLiveFocusStack::CLiveFocusStack(double zStep, std::string unit)
    : m_state(std::make_unique<State>()) {
    m_state->zStep = zStep;
    m_state->unit = std::move(unit);
}

CLiveFocusStack::~CLiveFocusStack() = default;

bool CLiveFocusStack::Add(const CDib& frame, std::optional<double>) {
    if (m_state->frames == 0) {
        m_state->picture.CopyFrom(frame);
    }
    ++m_state->frames;
    return true;
}

const std::string& CLiveFocusStack::Reason() const {
    return m_state->reason;
}

const CDib& CLiveFocusStack::Picture() const {
    return m_state->picture;
}

CHeightMap CLiveFocusStack::Heights() const {
    CHeightMap map;
    map.unit = m_state->unit;
    return map;
}

int CLiveFocusStack::Frames() const {
    return m_state->frames;
}
