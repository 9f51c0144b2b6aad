#include "camera/LiveSnapshot.h"

#include "analysis/particles/ParticleShape.h"
#include "camera/LiveDrawing.h"
#include "core/FileWriting.h"
#include "image/ImagePath.h"
#include "shapes/ScaleBar.h"

#include <cmath>
#include <filesystem>
#include <memory>
#include <vector>

#include <QFile>

namespace {

// Draws `source` stretched over a new surface of `size` and, when given,
// the shapes over it and the scale bar of a frame `frameWidth` wide; the
// result replaces `out`.
bool StretchOnto(const CBitmapView& source, QSize size, std::span<const CVideoShap> shapes,
                 const CParticleResult* particles, const double* shapeScale, const QSize* barFrame,
                 const CDrawSurfaceFactory& surfaces, CDib& out, QString& error) {
    std::unique_ptr<CDrawSurface> surface = surfaces && size.width() > 0 && size.height() > 0
                                                ? surfaces(size.width(), size.height())
                                                : nullptr;
    if (!surface) {
        error = QString::asprintf("Cannot make a picture of %d x %d pixels", size.width(),
                                  size.height());
        return false;
    }
    CDrawContext& dc = surface->Context();
    dc.StretchBitmap(0, 0, size.width(), size.height(), source);
    if (shapeScale != nullptr) {
        const CLiveDrawingStyle style = CurrentLiveDrawingStyle();
        DrawLiveShapes(dc, shapes, *shapeScale, 0, 0, style);
        if (particles != nullptr) {
            CParticleStyle outline;
            outline.lineColor = style.lineColor;
            outline.textColor = style.textColor;
            outline.penWidth = style.lineWidth;
            DrawParticleOutlines(dc, *particles, outline, *shapeScale);
        }
    }
    if (barFrame != nullptr && barFrame->width() > 0) {
        // The bar measures frame pixels, shown at this picture's width.
        const double zoom = static_cast<double>(size.width()) / barFrame->width();
        DrawPictureScaleBar(dc, barFrame->width(), barFrame->height(), zoom, 0, 0,
                            CurrentConversion(), g_calibration.unit,
                            CScaleBarStyle::FromSettings());
    }
    if (!out.CreateFromSurface(surface->Pixels())) {
        error = QString::fromStdString(out.LastError());
        return false;
    }
    return true;
}

} // namespace

std::vector<CVideoShap> CopyLiveShapes() {
    std::vector<CVideoShap> shapes;
    shapes.reserve(g_liveShapes.shapes.size());
    for (const auto& shape : g_liveShapes.shapes) {
        if (shape) {
            shapes.push_back(*shape);
        }
    }
    return shapes;
}

QSize ScaledStillSize(double scale, QSize size) {
    const auto scaled = [scale](int length) {
        return static_cast<int>(std::floor(scale * length + 0.5));
    };
    return {scaled(size.width()), scaled(size.height())};
}

bool ComposeStillPicture(const CStillFrame& frame, const CStillRequest& request,
                         std::span<const CVideoShap> shapes, const CDrawSurfaceFactory& surfaces,
                         CDib& out, QString& error) {
    const std::size_t stride = CDib::StrideFor(frame.width, 24);
    if (frame.width <= 0 || frame.height <= 0 || static_cast<std::size_t>(frame.stride) != stride ||
        frame.bgr.size() < stride * static_cast<std::size_t>(frame.height)) {
        error = QStringLiteral("The camera's picture is incomplete");
        return false;
    }
    const CBitmapView view{frame.width, frame.height, 24, stride, frame.bgr.data()};
    const QSize frameSize(frame.width, frame.height);
    const QSize size = ScaledStillSize(request.scale, frameSize);
    const bool resample = request.resampleTo && *request.resampleTo != size;
    // The bar goes on last, so a resampled picture gets a bar of its own size.
    const QSize* barFrame = request.scaleBar ? &frameSize : nullptr;
    if (!StretchOnto(view, size, shapes, request.particles.get(),
                     request.imprint ? &request.scale : nullptr, resample ? nullptr : barFrame,
                     surfaces, out, error)) {
        return false;
    }
    if (resample) {
        const CDib composed = out;
        if (!StretchOnto(composed.View(), *request.resampleTo, {}, nullptr, nullptr, barFrame,
                         surfaces, out, error)) {
            return false;
        }
    }
    if (request.frameScale) {
        CPictureScale scale = *request.frameScale;
        scale.pixelsPerCentimetre *= static_cast<double>(out.Width()) / frame.width;
        out.SetScale(scale);
    }
    return true;
}

QString SnapshotFileName(const QString& folder, const QDateTime& when, ImageType type) {
    const QDate d = when.date();
    const QTime t = when.time();
    const char* suffix = type == ImageType::Bmp    ? ".bmp"
                         : type == ImageType::Tiff ? ".tif"
                         : type == ImageType::Png  ? ".png"
                                                   : ".jpg";
    return folder + QString::asprintf("/%4d%02d%02d%02d%02d%02d%s", d.year(), d.month(), d.day(),
                                      t.hour(), t.minute(), t.second(), suffix);
}

ImageType StillTypeForPath(const QString& path) {
    const std::optional<ImageType> type =
        ImageTypeForPath(std::filesystem::path(QFile::encodeName(path).toStdString()));
    return type && *type != ImageType::Unknown ? *type : ImageType::Jpeg;
}

QString SaveStillPicture(const CStillFrame& frame, const CStillRequest& request,
                         std::span<const CVideoShap> shapes, const CDrawSurfaceFactory& surfaces,
                         const QString& snapshotFolder, const QDateTime& when, QString& error) {
    CDib picture;
    if (!ComposeStillPicture(frame, request, shapes, surfaces, picture, error)) {
        return {};
    }
    QByteArray bytes;
    if (!EncodeNewPicture(picture, request.type, bytes)) {
        error = QString::fromStdString(picture.LastError());
        return {};
    }
    if (!request.exportPath.isEmpty()) {
        if (!WriteFileWhole(request.exportPath, bytes)) {
            error = QStringLiteral("Cannot write %1").arg(request.exportPath);
            return {};
        }
        return request.exportPath;
    }
    // A second picture in the same second is "…-1", then "…-2"…
    const QString written =
        WriteNewFile(SnapshotFileName(snapshotFolder, when, request.type), bytes, 1);
    if (written.isEmpty()) {
        error = QStringLiteral("Cannot write a picture into %1").arg(snapshotFolder);
    }
    return written;
}
