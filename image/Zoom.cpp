#include "image/Zoom.h"

#include <array>
#include <cmath>
#include <cstddef>

namespace {

constexpr std::array<double, 16> kSteps = {0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0,
                                           1.1, 1.2, 1.3, 1.4, 1.5, 1.6, 1.7, 1.8};

// The step nearest to `zoom`, so repeated steps never drift.
std::size_t StepIndex(double zoom) {
    std::size_t best = 0;
    for (std::size_t i = 1; i < kSteps.size(); ++i) {
        if (std::fabs(kSteps[i] - zoom) < std::fabs(kSteps[best] - zoom)) {
            best = i;
        }
    }
    return best;
}

} // namespace

void CZoomState::ZoomIn() {
    const std::size_t index = StepIndex(zoom);
    if (index + 1 >= kSteps.size()) {
        return;
    }
    zoom = kSteps[index + 1];
    zoomOutAllowed = true;
    if (index + 2 == kSteps.size()) {
        zoomInAllowed = false;
    }
}

void CZoomState::ZoomOut() {
    const std::size_t index = StepIndex(zoom);
    if (index == 0) {
        return;
    }
    zoom = kSteps[index - 1];
    zoomInAllowed = true;
    if (index == 1) {
        zoomOutAllowed = false;
    }
}

void CZoomState::Normal() {
    zoom = 1.0;
    zoomInAllowed = true;
    zoomOutAllowed = true;
}

QString CZoomState::StatusText() const {
    return QString::asprintf("%.0f%s", zoom * 100.0, "%");
}

double ExportScale(int sizeOption, double zoom) {
    switch (sizeOption) {
    case 1:
        return 1.0;
    case 2:
        return 0.5;
    case 3:
        return 0.33;
    default:
        return zoom;
    }
}

int ScaledLength(double scale, int length) {
    return static_cast<int>(scale * length + 0.5);
}
