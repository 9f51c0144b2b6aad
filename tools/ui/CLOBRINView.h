#pragma once

#include "framework/PostedEvents.h"
#include "framework/RectTracker.h"
#include "image/Dib.h"
#include "tools/CDibEdgeFinder.h"
#include "tools/Placement.h"
#include "tools/ui/CMeasuringView.h"

#include <functional>
#include <optional>

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

class CLOBRINDoc;
class CShape;
struct CDrawParams;
struct CParticleResult;
struct CParticleScale;

// The view of a still picture: the picture at the document's zoom with every
// measurement on it, the crosshair, the overlay notice, and the selection
// rectangle of the area tools. It turns mouse clicks into shapes through
// CPlacement, runs the area selection, feeds the magnifier and keeps the
// results pane current.
//
// Painting copies from an off-screen image of the zoomed picture with its
// shapes, rebuilt only when the picture, the shapes, the zoom or what the
// labels depend on (line width, text size, decimals, calibration) change.
// The shape being placed is drawn over a copy of the region it touches in
// not-XOR mode, so a mouse move repaints that region only.
//
// Mouse: client points become image pixels with the scroll offset and the
// zoom. The mouse is grabbed from the first click of a placement to its
// stored shape and the cursor kept inside the view meanwhile. Keyboard: Enter
// clicks where the cursor is; the arrow keys move the cursor one pixel.
//
// It takes the image view role when it is shown first and when activated,
// and handles UM_REMOVE_SHAPES and UM_REPAINT. GUI thread only.
class CLOBRINView : public CMeasuringView {
    Q_OBJECT
public:
    explicit CLOBRINView(CLOBRINDoc& document, QWidget* parent = nullptr);
    ~CLOBRINView() override;

    CLOBRINDoc& GetDocument() const { return m_doc; }

    void OnInitialUpdate() override;
    void OnUpdate(CView* sender) override;
    // Activation lists this picture's measurements in the results pane and
    // forgets a placement under way.
    void OnActivateView(bool active) override;

    // The two buttons of a selective spreadsheet export (ID_EXPORT_ADD_LAST,
    // ID_EXPORT_SELECTED).
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CCmdUI& cmdUI) override;

    // Puts the two selective-export buttons on the view: the first marks the
    // measurement drawn last for the export, the second runs `exportMarked`
    // and removes both.
    void ShowSelectiveExportButtons(std::function<void()> exportMarked);
    void RemoveSelectiveExportButtons();
    bool HasSelectiveExportButtons() const;

    const CPlacement& Placement() const { return m_placement; }
    bool CrosshairShown() const { return m_crosshairShown; }
    // The area selection in content pixels (empty when none).
    QRect SelectionRect() const { return m_tracker.rect(); }
    // The image pixel under a client point at the current scroll and zoom.
    QPoint ImagePointOf(QPoint client) const;
    // Drops the off-screen picture, so the next paint rebuilds it whole.
    void InvalidatePicture();

    // Analyze Particles: the options dialog, whose preview tints the picture
    // here, then the analysis with progress; every object found becomes a
    // particle shape of the picture.
    void AnalyzeParticles();
    // The preview's tint shown over the picture (null: none).
    const QImage& ParticleTint() const { return m_particleTint; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // A fitted picture is fitted again to the new size.
    void resizeEvent(QResizeEvent* event) override;

private:
    struct LabelStyle {
        int lineWidth = 0;
        int textSize = 0;
        int decimals = 0;
        QString unit;
        double unitFactor = 0.0;
        double scale = 0.0;
        // The scale bar and, while it is shown, the colours it is drawn in.
        bool scaleBar = false;
        int lineColor = 0;
        int textColor = 0;
        bool operator==(const LabelStyle&) const = default;
    };
    static LabelStyle CurrentLabelStyle();

    double Zoom() const;
    QSize ZoomedSize() const;
    CDrawParams DrawParams() const;
    CPlacementInput InputAt(QPoint client) const override;
    void OnPreviewChanged() override { UpdatePreview(); }

    void LeftButtonDown(QPoint client) override;
    void LeftButtonUp(QPoint client) override;
    void RightButtonDown(QPoint client) override;
    void MouseMovedTo(QPoint client) override;
    void OnEscape() override;
    void StoreShape(std::unique_ptr<CShape> shape) override;
    // Empties the placement and lists the document's shapes in the results
    // pane (after a stored shape and on activation).
    void ResetPlacement();
    void ListShapesInResults();

    void BeginAreaSelection(QPoint content);
    void EndAreaSelection();
    void CancelAreaMode();

    void FeedMagnifier(QPoint client) const;
    // The rectangle measured last, as the region a particle analysis may be
    // confined to; none when the last measurement is no rectangle.
    std::optional<SelectionBox> ParticleRegion() const;
    void AddParticles(const CParticleResult& result, const CParticleScale& scale);
    // Picks the particle under an image point (the last drawn on top), or none.
    void PickParticleAt(QPoint client);
    void PaintParticleOverlays(QPainter& painter);
    void UpdatePreview();

    void OnZoomChanged();
    void OnPictureChanged();
    void OnShapesChanged();
    void OnAdjustmentProgress(int percent);
    void OnAdjustmentFinished();
    void OnPosted(const CPostedEvent& posted);

    // The off-screen picture, rebuilt when stale; false when it cannot be
    // made (then paint renders what it shows directly).
    bool EnsureCache();
    // The picture with its shapes over `content` (content pixels).
    QImage PictureArea(const QRect& content);
    void PaintPicture(QPainter& painter, const QRect& exposed);
    void PaintOverlays(QPainter& painter);

    CLOBRINDoc& m_doc;
    CDibEdgeFinder m_edgeFinder;
    CPlacement m_placement;
    CRectTracker m_tracker;
    bool m_crosshairShown = false;

    QImage m_cache; // the zoomed picture with the shapes
    bool m_cacheValid = false;
    double m_cacheZoom = 0.0;
    LabelStyle m_cacheStyle;
    QRect m_previewBounds; // content pixels the preview covers

    std::function<void()> m_exportMarked;

    QImage m_particleTint;       // picture size
    QImage m_particleTintZoomed; // at the zoom it was last painted at

    CReceiverRegistration m_registration;
};
