#include "camera/LiveOverlay.h"

#include "core/Parameters.h"

CLiveOverlayState g_liveOverlay;

void PublishLiveShapes() {
    // The copy is made outside the lock: only the swap is shared.
    auto copy = std::make_shared<CLiveShapeSnapshot>();
    copy->reserve(g_liveShapes.shapes.size());
    for (const auto& shape : g_liveShapes.shapes) {
        if (shape) {
            copy->push_back(*shape);
        }
    }
    std::shared_ptr<const CLiveShapeSnapshot> published = std::move(copy);
    std::lock_guard lock(g_liveOverlay.mutex);
    g_liveOverlay.shapes.swap(published);
    ++g_liveOverlay.shapesVersion;
    // `published` now holds the old list; it is freed after the lock, or by
    // the painter when it lets go of its copy.
}

CLiveDrawingStyle CurrentLiveDrawingStyle() {
    return CLiveDrawingStyle{CurrentLabelStyle(), static_cast<COLORREF>(g_parameters.linecolor),
                             static_cast<COLORREF>(g_parameters.textcolor), g_parameters.linewidth,
                             g_parameters.scalebar != 0};
}

void PublishLiveDrawingStyle() {
    CLiveDrawingStyle current = CurrentLiveDrawingStyle();
    std::shared_ptr<const CLiveDrawingStyle> published;
    {
        std::lock_guard lock(g_liveOverlay.mutex);
        if (*g_liveOverlay.style == current) {
            return;
        }
    }
    published = std::make_shared<const CLiveDrawingStyle>(std::move(current));
    std::lock_guard lock(g_liveOverlay.mutex);
    g_liveOverlay.style.swap(published);
}

void SetInProgressShape(CInProgressShape shape) {
    std::lock_guard lock(g_liveOverlay.mutex);
    std::swap(g_liveOverlay.inProgress, shape);
}

void SetLiveViewParams(const CLiveViewParams& view) {
    std::lock_guard lock(g_liveOverlay.mutex);
    g_liveOverlay.view = view;
}

CLiveViewParams LiveViewParams() {
    std::lock_guard lock(g_liveOverlay.mutex);
    return g_liveOverlay.view;
}

CLiveOverlaySnapshot TakeOverlaySnapshot() {
    std::lock_guard lock(g_liveOverlay.mutex);
    return CLiveOverlaySnapshot{g_liveOverlay.shapes, g_liveOverlay.shapesVersion,
                                g_liveOverlay.inProgress, g_liveOverlay.view, g_liveOverlay.style};
}
