#include "image/Zoom.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<double, 16> kSteps = {0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0,
                                           1.1, 1.2, 1.3, 1.4, 1.5, 1.6, 1.7, 1.8};

// Zooms this close count as equal, so repeated steps never drift.
constexpr double kSameZoom = 1e-6;

void AllowFrom(CZoomState& state) {
    state.zoomInAllowed = state.zoom < kSteps.back() - kSameZoom;
    state.zoomOutAllowed = state.zoom > kSteps.front() + kSameZoom;
}

} // namespace

void CZoomState::ZoomIn() {
    const auto next = std::find_if(kSteps.begin(), kSteps.end(),
                                   [this](double step) { return step > zoom + kSameZoom; });
    if (next == kSteps.end()) {
        return;
    }
    zoom = *next;
    fitted = false;
    AllowFrom(*this);
}

void CZoomState::ZoomOut() {
    const auto next = std::find_if(kSteps.rbegin(), kSteps.rend(),
                                   [this](double step) { return step < zoom - kSameZoom; });
    if (next == kSteps.rend()) {
        return;
    }
    zoom = *next;
    fitted = false;
    AllowFrom(*this);
}

void CZoomState::Normal() {
    zoom = 1.0;
    fitted = false;
    zoomInAllowed = true;
    zoomOutAllowed = true;
}

void CZoomState::Fit(QSize picture, QSize area) {
    fitted = true;
    if (picture.isEmpty() || area.isEmpty()) {
        zoom = 1.0;
    } else {
        zoom = std::min({static_cast<double>(area.width()) / picture.width(),
                         static_cast<double>(area.height()) / picture.height(), kSteps.back()});
    }
    AllowFrom(*this);
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
