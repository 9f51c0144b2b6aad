#include "document/StillImageDocument.h"

#include "core/Parameters.h"
#include "document/PictureCalibration.h"
#include "framework/PostedEvents.h"
#include "image/ImagePath.h"
#include "shapes/ScaleBar.h"
#include "shapes/ShapeMirror.h"

#include <algorithm>
#include <optional>

#include <QRect>

namespace {

// The type a picture is written as, by the extension; nullopt for
// any other extension and for none.
std::optional<ImageType> WriteTypeForPath(const std::filesystem::path& path) {
    const std::optional<ImageType> type = ImageTypeForPath(path);
    if (!type || *type == ImageType::Unknown) {
        return std::nullopt;
    }
    return type;
}

} // namespace

CPictureExportOptions CPictureExportOptions::FromSettings() {
    return CPictureExportOptions{g_parameters.saveoption1, g_parameters.saveoption2 == 1};
}

CStillImageDocument::CStillImageDocument(CDrawSurfaceFactory surfaces,
                                         AdjustmentCallbacks callbacks)
    : m_surfaces(std::move(surfaces))
    , m_picture(std::move(callbacks)) {}

CStillImageDocument::~CStillImageDocument() = default;

bool CStillImageDocument::Open(const std::filesystem::path& path) {
    m_modes.Clear();
    const std::optional<ImageType> type = ImageTypeForPath(path);
    if (!type) {
        m_error = "The file name has no extension";
        return false;
    }
    if (!m_picture.Open(path, *type)) {
        m_error = m_picture.LastError();
        return false;
    }
    const auto access = m_picture.Read();
    TakeOpenedPicture(access->Width(), access->Height(), access->Type(), access->PageCount(),
                      access->Scale(), path);
    return true;
}

void CStillImageDocument::TakeOpenedPicture(int width, int height, ImageType type, int pageCount,
                                            std::optional<CPictureScale> scale,
                                            std::filesystem::path path) {
    m_width = width;
    m_height = height;
    m_loadedType = type;
    m_pageCount = std::max(1, pageCount);
    m_fileScale = scale;
    m_modified = path.empty();
    m_pictureModified = path.empty();
    m_path = std::move(path);
    m_mirroredSinceOpen = false;
    m_flippedSinceOpen = false;
    m_mirroredSinceFile = false;
    m_flippedSinceFile = false;
    m_error.clear();
}

bool CStillImageDocument::OpenUnsaved(CDib picture) {
    m_modes.Clear();
    if (!picture.IsValid()) {
        m_error = "The picture is empty";
        return false;
    }
    const std::optional<CPictureScale> scale = picture.Scale();
    const int width = picture.Width();
    const int height = picture.Height();
    if (!m_picture.Adopt(std::move(picture))) {
        m_error = m_picture.LastError();
        return false;
    }
    // Saved losslessly with its scale unless the user picks another kind.
    TakeOpenedPicture(width, height, ImageType::Png, 1, scale, {});
    return true;
}

bool CStillImageDocument::TakePixelsFrom(const std::filesystem::path& pixels) {
    CDib check;
    if (!HasPicture() || !check.Load(pixels, ImageType::Bmp) || check.Width() != m_width ||
        check.Height() != m_height || !m_picture.Open(pixels, ImageType::Bmp)) {
        return false;
    }
    return true;
}

CToolCommandOutcome CStillImageDocument::OnToolCommand(int commandId) {
    CToolCommandOutcome outcome = m_modes.OnCommand(commandId);
    if (outcome.startOperation != 0 && HasPicture()) {
        const auto operation = static_cast<AreaOperation>(outcome.startOperation);
        m_picture.Start(operation, std::nullopt);
        FlipShapes(operation);
        m_modified = true;
        m_pictureModified = true;
    }
    return outcome;
}

void CStillImageDocument::FlipShapes(AreaOperation flip) {
    const bool leftRight = flip == AreaOperation::Mirror;
    const FlipAxis axis = leftRight ? FlipAxis::LeftRight : FlipAxis::UpDown;
    const int extent = leftRight ? m_width : m_height;
    (leftRight ? m_mirroredSinceOpen : m_flippedSinceOpen) ^= true;
    (leftRight ? m_mirroredSinceFile : m_flippedSinceFile) ^= true;
    if (m_shapes.IsEmpty()) {
        return;
    }
    ++m_shapesRevision;
    m_shapes.RemakeAll(
        [axis, extent](const CShape& shape) { return MirroredShape(shape, axis, extent); });
    // The results pane identifies measurements by their shapes, which are new.
    if (g_resultsList.source == &m_shapes) {
        PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_RESULTS, 0, 0);
    }
}

void CStillImageDocument::ZoomIn() {
    m_modes.Clear();
    m_zoom.ZoomIn();
}

void CStillImageDocument::ZoomOut() {
    m_modes.Clear();
    m_zoom.ZoomOut();
}

void CStillImageDocument::ZoomNormal() {
    m_modes.Clear();
    m_zoom.Normal();
}

void CStillImageDocument::AddShape(std::unique_ptr<CShape> shape) {
    if (shape) {
        m_shapes.Add(std::move(shape));
        m_modified = true;
        ++m_shapesRevision;
    }
}

void CStillImageDocument::AddSavedShapes(std::vector<std::unique_ptr<CShape>> shapes) {
    for (auto& shape : shapes) {
        m_shapes.Add(std::move(shape));
    }
    ++m_shapesRevision;
}

bool CStillImageDocument::RemoveShapeAt(std::size_t position) {
    const bool removed = m_shapes.RemoveAt(position);
    m_modified = m_modified || removed;
    m_shapesRevision += removed ? 1 : 0;
    return removed;
}

void CStillImageDocument::RemoveAllShapes() {
    m_modified = m_modified || !m_shapes.IsEmpty();
    m_shapesRevision += m_shapes.IsEmpty() ? 0 : 1;
    m_shapes.RemoveAll();
}

bool CStillImageDocument::Undo() {
    m_modes.Clear();
    if (!m_shapes.Undo()) {
        return false;
    }
    m_modified = true;
    ++m_shapesRevision;
    PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_RESULTS, 0, 0);
    return true;
}

void CStillImageDocument::MarkAllShapesForExport() {
    for (const auto& shape : m_shapes.Shapes()) {
        shape->exportMark = 1;
    }
}

bool CStillImageDocument::StartAreaAdjustment(const PictureRect& rect) {
    const std::optional<AreaOperation> operation = OperationForAreaMode(m_modes.areaMode);
    if (!operation || !HasPicture()) {
        return false;
    }
    m_picture.Start(*operation, rect);
    m_modified = true;
    m_pictureModified = true;
    return true;
}

bool CStillImageDocument::CancelAreaMode() {
    if (!OperationForAreaMode(m_modes.areaMode)) {
        return false;
    }
    m_modes.Clear();
    m_picture.RestoreBackup();
    // The picture is back as it was opened; the shapes go back with it.
    if (m_mirroredSinceOpen) {
        FlipShapes(AreaOperation::Mirror);
    }
    if (m_flippedSinceOpen) {
        FlipShapes(AreaOperation::Flip);
    }
    return true;
}

void CStillImageDocument::Render(CDrawContext& dc, const CDrawParams& params, int surfaceWidth,
                                 int surfaceHeight, ShapeSelection which) {
    {
        const auto access = m_picture.Read();
        if (!access->IsValid()) {
            return;
        }
        access->Draw(dc, -params.offsetX, -params.offsetY,
                     ScaledLength(params.zoom, access->Width()),
                     ScaledLength(params.zoom, access->Height()));
    }
    if (which == ShapeSelection::None) {
        return;
    }
    const QRect surface(0, 0, surfaceWidth, surfaceHeight);
    const int grow = std::max(1, params.penWidth);
    for (const auto& shape : m_shapes.Shapes()) {
        if (which == ShapeSelection::VisibleMarked && shape->exportMark == 0) {
            continue;
        }
        if (which != ShapeSelection::All) {
            const QRect drawn = shape->DrawnBounds(params);
            if (drawn.isEmpty() || !drawn.adjusted(-grow, -grow, grow, grow).intersects(surface)) {
                continue;
            }
        }
        shape->Draw(dc, params);
    }
}

PictureWriteResult CStillImageDocument::Compose(double factor, ShapeSelection which, CDib& out) {
    if (!HasPicture()) {
        return PictureWriteResult::NoPicture;
    }
    // The shapes already lie where a queued flip puts the picture: the
    // picture written must be the one they were placed for.
    m_picture.WaitUntilIdle();
    const int width = ScaledLength(factor, m_width);
    const int height = ScaledLength(factor, m_height);
    std::unique_ptr<CDrawSurface> surface = m_surfaces ? m_surfaces(width, height) : nullptr;
    if (!surface) {
        m_error = "Cannot make a picture of that size";
        return PictureWriteResult::NoSurface;
    }
    const CDrawParams params{.penWidth = g_parameters.linewidth, .zoom = factor};
    Render(surface->Context(), params, width, height, which);
    DrawCurrentScaleBar(surface->Context(), m_width, m_height, factor);
    if (!out.CreateFromSurface(surface->Pixels())) {
        m_error = out.LastError();
        return PictureWriteResult::NoSurface;
    }
    // Without a calibration of the user's the picture keeps the scale its
    // file came with.
    std::optional<CPictureScale> scale = ScaleInForce(factor);
    if (!scale && m_fileScale) {
        scale = m_fileScale;
        scale->pixelsPerCentimetre *= factor;
    }
    out.SetScale(scale);
    return PictureWriteResult::Written;
}

PictureWriteResult CStillImageDocument::Encode(const CDib& picture,
                                               const std::filesystem::path& path, ImageType type) {
    if (!picture.Save(path, type)) {
        m_error = picture.LastError();
        return PictureWriteResult::WriteFailed;
    }
    return PictureWriteResult::Written;
}

PictureWriteResult CStillImageDocument::WriteTo(const std::filesystem::path& path) {
    m_modes.Clear();
    const std::optional<ImageType> type = WriteTypeForPath(path);
    if (!type) {
        m_error = "Pictures are written as .bmp, .jpg, .jpeg, .tif, .tiff or .png";
        return PictureWriteResult::BadExtension;
    }
    CDib picture;
    PictureWriteResult result = Compose(1.0, ShapeSelection::Visible, picture);
    if (result == PictureWriteResult::Written) {
        result = Encode(picture, path, *type);
    }
    if (result == PictureWriteResult::Written) {
        m_modified = false;
        m_pictureModified = false;
        m_mirroredSinceFile = false;
        m_flippedSinceFile = false;
    }
    return result;
}

PictureWriteResult CStillImageDocument::MakeExportPicture(const CPictureExportOptions& options,
                                                          CDib& out) {
    return Compose(ExportScale(options.sizeOption, m_zoom.zoom),
                   options.imprint ? ShapeSelection::VisibleMarked : ShapeSelection::None, out);
}

PictureWriteResult CStillImageDocument::WriteExportPicture(const std::filesystem::path& path,
                                                           const CPictureExportOptions& options) {
    const std::optional<ImageType> type = WriteTypeForPath(path);
    if (!type) {
        m_error = "Pictures are written as .bmp, .jpg, .jpeg, .tif, .tiff or .png";
        return PictureWriteResult::BadExtension;
    }
    CDib picture;
    const PictureWriteResult result = MakeExportPicture(options, picture);
    if (result != PictureWriteResult::Written) {
        return result;
    }
    return Encode(picture, path, *type);
}

QString ProposedSaveName(const QString& path, const QString& title, ImageType type) {
    if (!path.isEmpty()) {
        return path;
    }
    static const QString kUnsafe = QStringLiteral("#%;/\\");
    const bool unsafe =
        std::any_of(title.begin(), title.end(), [](QChar c) { return kUnsafe.contains(c); });
    const QString name = unsafe ? QStringLiteral("UntitledImage") : title;
    const QString extension = type == ImageType::Jpeg   ? QStringLiteral(".jpg")
                              : type == ImageType::Tiff ? QStringLiteral(".tif")
                              : type == ImageType::Png  ? QStringLiteral(".png")
                                                        : QStringLiteral(".bmp");
    return name + extension;
}
