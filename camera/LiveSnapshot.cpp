#include "camera/LiveSnapshot.h"

#include "core/FileWriting.h"
#include "camera/LiveDrawing.h"
#include "image/BmpCodec.h"
#include "image/JpegCodec.h"
#include "shapes/ScaleBar.h"

#include <cmath>
#include <memory>
#include <vector>

#include <QFileInfo>

namespace {

// Draws `source` stretched over a new surface of `size` and, when given,
// the shapes over it and the scale bar of a frame `frameWidth` wide; the
// result replaces `out`.
bool StretchOnto(const CBitmapView& source, QSize size, std::span<const CVideoShap> shapes,
                 const double* shapeScale, const QSize* barFrame,
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
        DrawLiveShapes(dc, shapes, *shapeScale, 0, 0);
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

double StillScale(int sizeOption, double zoom) {
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
    if (!StretchOnto(view, size, shapes, request.imprint ? &request.scale : nullptr,
                     resample ? nullptr : barFrame, surfaces, out, error)) {
        return false;
    }
    if (resample) {
        const CDib composed = out;
        return StretchOnto(composed.View(), *request.resampleTo, {}, nullptr, barFrame, surfaces,
                           out, error);
    }
    return true;
}

bool EncodeStillPicture(const CDib& picture, bool bmp, QByteArray& out) {
    std::vector<std::uint8_t> encoded;
    if (!(bmp ? EncodeBmp(picture, encoded)
              : EncodeJpeg(picture, CDib::kDefaultJpegQuality, encoded))) {
        return false;
    }
    out = QByteArray(reinterpret_cast<const char*>(encoded.data()),
                     static_cast<qsizetype>(encoded.size()));
    return true;
}

QString SnapshotFileName(const QString& folder, const QDateTime& when, bool bmp) {
    const QDate d = when.date();
    const QTime t = when.time();
    return folder + QString::asprintf("/%4d%02d%02d%02d%02d%02d%s", d.year(), d.month(), d.day(),
                                      t.hour(), t.minute(), t.second(), bmp ? ".bmp" : ".jpg");
}

QString WriteSnapshotFile(const QString& folder, const QDateTime& when, bool bmp,
                          const QByteArray& bytes) {
    const QString first = SnapshotFileName(folder, when, bmp);
    const QString stem = first.left(first.size() - 4);
    const QString suffix = first.right(4);
    // A name taken while writing is skipped like one taken before.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const QString candidate =
            attempt == 0 ? first : stem + QString::asprintf("-%d", attempt) + suffix;
        if (QFileInfo::exists(candidate)) {
            continue;
        }
        if (WriteNewFileWhole(candidate, bytes)) {
            return candidate;
        }
        if (!QFileInfo::exists(candidate)) {
            return {};
        }
    }
    return {};
}

QString SaveStillPicture(const CStillFrame& frame, const CStillRequest& request,
                         std::span<const CVideoShap> shapes, const CDrawSurfaceFactory& surfaces,
                         const QString& snapshotFolder, const QDateTime& when, QString& error) {
    CDib picture;
    if (!ComposeStillPicture(frame, request, shapes, surfaces, picture, error)) {
        return {};
    }
    QByteArray bytes;
    if (!EncodeStillPicture(picture, request.bmp, bytes)) {
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
    const QString written = WriteSnapshotFile(snapshotFolder, when, request.bmp, bytes);
    if (written.isEmpty()) {
        error = QStringLiteral("Cannot write a picture into %1").arg(snapshotFolder);
    }
    return written;
}
