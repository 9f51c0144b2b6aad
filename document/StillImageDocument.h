#pragma once

#include "framework/DrawSurface.h"
#include "image/Adjustments.h"
#include "image/Dib.h"
#include "image/StillPicture.h"
#include "image/Zoom.h"
#include "shapes/ShapeList.h"
#include "tools/ToolCommands.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QString>

// What the picture export draws: its size and whether the measurements are
// imprinted (only the shapes whose export mark is set).
struct CPictureExportOptions {
    int sizeOption = 1; // 1 full size, 2 half, 3 a third (0.33), anything else the zoom
    bool imprint = true;

    // The export options of the persisted settings (saveoption1, saveoption2).
    static CPictureExportOptions FromSettings();
};

// How writing a picture ended.
enum class PictureWriteResult {
    Written,
    NoPicture,    // nothing is open
    BadExtension, // no extension, or none of bmp, jpg, jpeg, tif, tiff, png: nothing is written
    NoSurface,    // the picture to encode could not be made (too large, no memory)
    WriteFailed,  // encoding or writing failed; a file already there is untouched
};

// The shapes Render draws on top of the picture.
enum class ShapeSelection {
    None,
    All,           // every shape, as the view paints them
    Visible,       // those that reach the surface
    VisibleMarked, // those that reach the surface and carry the export mark
};

// The document of one still picture opened from a picture file: the
// picture with its backup and adjustments, the zoom its view draws at, the
// measuring and area modes, and the measurement shapes. Saving burns the
// shapes into the picture; shapes live only as long as the document.
//
// Toolkit-free: the off-screen surfaces that saving and exporting draw on
// come from the factory the owner hands in. GUI thread only, except the
// adjustment callbacks (see CStillPicture). Destruction stops and waits for
// running adjustments before the picture and the shapes go.
class CStillImageDocument {
public:
    explicit CStillImageDocument(CDrawSurfaceFactory surfaces, AdjustmentCallbacks callbacks = {});
    ~CStillImageDocument();
    CStillImageDocument(const CStillImageDocument&) = delete;
    CStillImageDocument& operator=(const CStillImageDocument&) = delete;

    // Opens the picture at `path`, its type chosen by the extension (case
    // ignored; a file without one does not open; an unknown one opens when a
    // decoder recognises the data), and takes the backup copy. Clears both
    // modes. On failure nothing changes and LastError() says why.
    bool Open(const std::filesystem::path& path);
    // Shows the pixels of the BMP at `pixels` instead of those opened, when it
    // is a picture of the same size; the path, the type and the unmodified
    // state stay those of the file opened. False, nothing changed, otherwise.
    bool TakePixelsFrom(const std::filesystem::path& pixels);
    // Shows a picture made in memory (a merged focus series, a mosaic): no
    // file yet, so it counts as changed and saving asks for a file; its scale
    // counts as the file's. False, nothing changed, when it is empty.
    bool OpenUnsaved(CDib picture);
    const std::string& LastError() const { return m_error; }

    bool HasPicture() const { return m_width > 0; }
    // The file opened; empty before.
    const std::filesystem::path& Path() const { return m_path; }
    // The size of the opened picture in pixels.
    int ImageWidth() const { return m_width; }
    int ImageHeight() const { return m_height; }
    // The type the picture was decoded as (BMP, JPEG, TIFF or PNG once open).
    ImageType LoadedType() const { return m_loadedType; }
    // The pages of the file opened (a multi-page TIFF shows its first); 1
    // for every other file.
    int PageCount() const { return m_pageCount; }
    // The scale the file opened carries, if any.
    const std::optional<CPictureScale>& FileScale() const { return m_fileScale; }
    // The displayed picture: painting reads it through Read(); the view's
    // progress display asks IsBusy().
    CStillPicture& Picture() { return m_picture; }
    const CStillPicture& Picture() const { return m_picture; }

    // Changed since it was opened or last written to a file: shapes added or
    // removed, adjustments started.
    bool IsModified() const { return m_modified; }
    // The pixels changed since the picture was opened or last written: an
    // adjustment or flip started.
    bool IsPictureModified() const { return m_pictureModified; }
    // Counts every change of the shapes (added, removed, turned over), so that
    // a caller can tell whether they changed since it last looked.
    std::uint64_t ShapesRevision() const { return m_shapesRevision; }
    // Whole-picture mirrors (LeftRight) and flips (UpDown) since the file was
    // read or written, an odd number of each counting once: the shapes lie on
    // the picture turned over that way from the file's.
    bool MirroredSinceFile() const { return m_mirroredSinceFile; }
    bool FlippedSinceFile() const { return m_flippedSinceFile; }

    // The measuring mode and the area mode.
    const CImageToolModes& Modes() const { return m_modes; }
    // A measuring, area or flip command: arms or disarms the modes and starts
    // a flip on the whole picture at once, turning every shape over with the
    // picture. The caller shows the outcome's hint and repaints.
    CToolCommandOutcome OnToolCommand(int commandId);
    // Disarms both modes (export does before asking for options).
    void ClearModes() { m_modes.Clear(); }

    // The zoom of the view. Each command disarms both modes; the caller then
    // shows ZoomStatusText() in red, scrolls to the origin and repaints.
    const CZoomState& Zoom() const { return m_zoom; }
    void ZoomIn();
    void ZoomOut();
    void ZoomNormal();
    // The whole picture into `area`; the armed tool stays, so that measuring
    // goes on at the fitted zoom.
    void ZoomFit(QSize area) { m_zoom.Fit({ImageWidth(), ImageHeight()}, area); }
    QString ZoomStatusText() const { return m_zoom.StatusText(); }

    // The shapes in creation order; the document owns them.
    const CShapeList& Shapes() const { return m_shapes; }
    void AddShape(std::unique_ptr<CShape> shape);
    // Adds the shapes kept for the picture (its saved measurements): a change
    // of the shapes that leaves the modified flag as it was.
    void AddSavedShapes(std::vector<std::unique_ptr<CShape>> shapes);
    bool RemoveShapeAt(std::size_t position);
    void RemoveAllShapes();
    // Disarms both modes; then, if there is a shape, destroys the last one,
    // refills the results list and tells the results pane (still list).
    // False when there was none.
    bool Undo();
    // Sets every shape's export mark, for an export of all shapes.
    void MarkAllShapesForExport();

    // Starts the armed area mode's adjustment on `rect` (PictureRectFromView
    // gives it from the view's rectangle); false when no area mode is armed
    // or nothing is open.
    bool StartAreaAdjustment(const PictureRect& rect);
    // The right button while an area mode is armed: disarms both modes and
    // puts the picture back as it was opened (waiting for adjustments to
    // stop); the shapes stay, turned back over with it when it was flipped. False, changing
    // nothing, when no area mode is armed.
    bool CancelAreaMode();

    // Draws the picture stretched to params.zoom × its size (each side
    // zoom × length + 0.5, truncated) with its top-left corner at
    // (−offsetX, −offsetY), then the shapes `which` selects, each with
    // `params`. A shape reaches the surface when what it draws, grown by the
    // pen width (at least 1), meets the surface's surfaceWidth × surfaceHeight
    // pixels; shapes that do not are neither drawn nor have their results
    // computed. Nothing is drawn when nothing is open.
    void Render(CDrawContext& dc, const CDrawParams& params, int surfaceWidth, int surfaceHeight,
                ShapeSelection which);

    // Writes the picture at its own size with every shape that reaches it
    // drawn at zoom 1 with the current line width, encoded by the extension's
    // type (bmp; jpg or jpeg at quality 90; tif or tiff; png), TIFF and PNG
    // with the calibration in force (ScaleInForce), else with the scale the
    // opened file carried. Disarms both modes first. The
    // file is written aside and renamed over `path`, so a failure leaves what
    // was there. Success clears the modified flag.
    PictureWriteResult WriteTo(const std::filesystem::path& path);

    // The export picture: the picture stretched by the size factor of
    // `options` (1.0, 0.5, 0.33 or the zoom), with, when imprinting, the
    // marked shapes that reach it drawn at that factor with the current line
    // width. Make gives it in memory (for the reports); Write encodes it to
    // `path` by the extension's type, as WriteTo does.
    PictureWriteResult MakeExportPicture(const CPictureExportOptions& options, CDib& out);
    PictureWriteResult WriteExportPicture(const std::filesystem::path& path,
                                          const CPictureExportOptions& options);

private:
    // Takes what the picture just opened or adopted says about itself; a
    // picture without a file is modified until it is saved.
    void TakeOpenedPicture(int width, int height, ImageType type, int pageCount,
                           std::optional<CPictureScale> scale, std::filesystem::path path);
    // The picture at `factor` with the selected shapes, made on a surface;
    // with the scale bar setting on, the bar goes into every picture written.
    PictureWriteResult Compose(double factor, ShapeSelection which, CDib& out);
    PictureWriteResult Encode(const CDib& picture, const std::filesystem::path& path,
                              ImageType type);
    // Turns the shapes over with a whole-picture flip or mirror.
    void FlipShapes(AreaOperation flip);

    CDrawSurfaceFactory m_surfaces;
    // Declared before the picture, so the picture (and its threads) goes
    // first when the document is destroyed.
    CShapeList m_shapes;
    CStillPicture m_picture;
    CImageToolModes m_modes;
    CZoomState m_zoom;
    std::filesystem::path m_path;
    int m_width = 0;
    int m_height = 0;
    ImageType m_loadedType = ImageType::Unknown;
    int m_pageCount = 1;
    std::optional<CPictureScale> m_fileScale;
    bool m_modified = false;
    bool m_pictureModified = false;
    std::uint64_t m_shapesRevision = 0;
    bool m_mirroredSinceFile = false;
    bool m_flippedSinceFile = false;
    // Whole-picture mirrors and flips since the picture was opened, an odd
    // number of each counting once: restoring the backup undoes them.
    bool m_mirroredSinceOpen = false;
    bool m_flippedSinceOpen = false;
    std::string m_error;
};

// The name Save As proposes: the document's path; without one, the title
// followed by the extension of the picture's type (".jpg" for JPEG, ".tif"
// for TIFF, ".png" for PNG, ".bmp" otherwise), the title replaced by "UntitledImage" when it holds
// any of # % ; / \.
QString ProposedSaveName(const QString& path, const QString& title, ImageType type);
