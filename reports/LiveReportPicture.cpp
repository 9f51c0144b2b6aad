#include "reports/LiveReportPicture.h"

#include "camera/FramePipeline.h"
#include "camera/LiveDrawing.h"
#include "camera/VideoShape.h"
#include "image/Dib.h"

#include <algorithm>
#include <cstring>
#include <memory>

QString MakeLiveReportPicture(const CStillFrame& frame, std::span<const CVideoShap> shapes,
                              bool imprint, const CDrawSurfaceFactory& surfaces, CDib& out) {
    const std::size_t rowBytes = static_cast<std::size_t>(std::max(frame.width, 0)) * 3;
    const bool complete = frame.width > 0 && frame.height > 0 &&
                          static_cast<std::size_t>(std::max(frame.stride, 0)) >= rowBytes &&
                          frame.bgr.size() / static_cast<std::size_t>(std::max(frame.stride, 1)) >=
                              static_cast<std::size_t>(frame.height);
    if (!complete) {
        return QStringLiteral("The camera picture for the report is incomplete.");
    }
    CDib picture;
    if (!picture.Create(frame.width, frame.height, 24)) {
        return QStringLiteral("The camera picture for the report is too large.");
    }
    // Both keep their rows bottom-up; only the padding may differ.
    for (int row = 0; row < frame.height; ++row) {
        std::memcpy(picture.Row(row),
                    frame.bgr.data() + static_cast<std::size_t>(frame.stride) * row, rowBytes);
    }
    if (!imprint || shapes.empty()) {
        out = std::move(picture);
        return {};
    }
    const std::unique_ptr<CDrawSurface> surface =
        surfaces ? surfaces(frame.width, frame.height) : nullptr;
    if (!surface) {
        return QStringLiteral("The picture for the report could not be made.");
    }
    picture.Draw(surface->Context(), 0, 0, frame.width, frame.height);
    DrawLiveShapes(surface->Context(), shapes, 1.0, 0, 0, CurrentLiveDrawingStyle());
    CDib drawn;
    if (!drawn.CreateFromSurface(surface->Pixels())) {
        return QStringLiteral("The picture for the report could not be made.");
    }
    out = std::move(drawn);
    return {};
}
