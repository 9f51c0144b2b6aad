#include "tools/ui/CLOBRINView.h"

#include "analysis/ui/ParticleSelection.h"
#include "core/CommandIds.h"
#include "core/Language.h"
#include "core/Parameters.h"
#include "document/ui/CLOBRINDoc.h"
#include "framework/ui/MDIFrameWnd.h"
#include "framework/ui/StatusBar.h"
#include "image/Zoom.h"
#include "reports/ActiveImage.h"
#include "reports/ui/SelectionButtons.h"
#include "tools/OverlayNotice.h"

namespace {

// The status pane that shows an adjustment's progress (the prompt pane keeps
// the tool's hint).
constexpr int kProgressPane = 2;
constexpr std::intptr_t kRemoveOne = 10;
constexpr std::intptr_t kWithProperties = 2;

} // namespace

CLOBRINView::CLOBRINView(CLOBRINDoc& document, QWidget* parent)
    : CMeasuringView(document, parent)
    , m_doc(document)
    , m_edgeFinder(document.Model().Picture())
    , m_placement(&m_edgeFinder) {
    setObjectName(QStringLiteral("LOBRINView"));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    m_placement.SetImageSize(document.Model().ImageWidth(), document.Model().ImageHeight());
    connect(&document, &CLOBRINDoc::pictureChanged, this, &CLOBRINView::OnPictureChanged);
    connect(&ParticleSelection(), &CParticleSelection::changed, viewport(),
            qOverload<>(&QWidget::update));
    connect(&document, &CLOBRINDoc::shapesChanged, this, &CLOBRINView::OnShapesChanged);
    connect(&document, &CLOBRINDoc::zoomChanged, this, &CLOBRINView::OnZoomChanged);
    connect(&document, &CLOBRINDoc::toolsChanged, this, [this] {
        // A tool picked from the keyboard ends the capture of a placement;
        // the next click takes the mouse again.
        EndCapture();
        viewport()->update();
    });
    connect(&document, &CLOBRINDoc::crosshairToggled, this, [this](bool shown) {
        m_crosshairShown = shown;
        viewport()->update();
    });
    connect(&document, &CLOBRINDoc::adjustmentProgress, this, &CLOBRINView::OnAdjustmentProgress);
    connect(&document, &CLOBRINDoc::adjustmentFinished, this, &CLOBRINView::OnAdjustmentFinished);
    connect(&document, &CLOBRINDoc::selectiveExportRequested, this, [this, &document] {
        ShowSelectiveExportButtons([&document] { document.ExportMarkedReport(); });
    });
}

CLOBRINView::~CLOBRINView() {
    EndCapture();
    m_registration.Release();
    // Only when no other window took the pane over on this one's closing
    // (the framework activates the next window before the view goes).
    if (g_activeImage.shownBy == this) {
        g_activeImage = CActiveImage{};
        PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_RESULTS, 0, kWithProperties);
    }
}

void CLOBRINView::OnInitialUpdate() {
    SetScrollSizes(ZoomedSize());
    // Shapes kept with the picture keep their numbers; new ones follow them.
    m_placement.Counters() = CShapeCounters::After(m_doc.Model().Shapes().Shapes());
    m_registration.Register(ReceiverRole::ImageView, this);
    CView::OnInitialUpdate();
}

void CLOBRINView::OnUpdate(CView* sender) {
    (void)sender;
    InvalidatePicture();
    viewport()->update();
}

// The framework calls this only when another window became the active one,
// so two pictures with the same file name still switch the results pane.
void CLOBRINView::OnActivateView(bool active) {
    if (!active) {
        EndCapture();
        // A picture behind a tab keeps no off-screen copy: many open pictures
        // must not hold many zoomed copies.
        m_cache = QImage();
        InvalidatePicture();
        return;
    }
    m_registration.Register(ReceiverRole::ImageView, this);
    RemoveSelectiveExportButtons();
    g_overlayNotice.text.clear();
    const CStillImageDocument& model = m_doc.Model();
    g_activeImage = CActiveImage{static_cast<unsigned>(model.ImageWidth()),
                                 static_cast<unsigned>(model.ImageHeight()), this};
    ResetPlacement();
    PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_RESULTS, 0, kWithProperties);
}

bool CLOBRINView::OnCommand(int id) {
    if (id == ID_ANALYZE_PARTICLES) {
        AnalyzeParticles();
        return true;
    }
    if (id == ID_ZOOM_FIT) {
        // The area without scroll bars: a fitted picture needs none.
        m_doc.ZoomToFit(maximumViewportSize(), true);
        return true;
    }
    if (id == ID_EXPORT_ADD_LAST) {
        if (CShape* tail = m_doc.Model().Shapes().Tail()) {
            tail->exportMark = 1;
        }
        return true;
    }
    if (id == ID_EXPORT_SELECTED) {
        const std::function<void()> exportMarked = m_exportMarked;
        if (exportMarked) {
            exportMarked();
        }
        RemoveSelectiveExportButtons();
        return true;
    }
    return false;
}

bool CLOBRINView::OnUpdateCommand(int id, CCmdUI& cmdUI) {
    if (id == ID_ANALYZE_PARTICLES) {
        cmdUI.Enable(m_doc.Model().HasPicture());
        return true;
    }
    if (id == ID_ZOOM_FIT) {
        cmdUI.SetCheck(m_doc.Model().Zoom().fitted);
        return true;
    }
    if (id == ID_EXPORT_ADD_LAST || id == ID_EXPORT_SELECTED) {
        cmdUI.Enable(HasSelectiveExportButtons());
        return true;
    }
    return false;
}

void CLOBRINView::ShowSelectiveExportButtons(std::function<void()> exportMarked) {
    m_exportMarked = std::move(exportMarked);
    ShowSelectionButtons(
        this, [this] { OnCommand(ID_EXPORT_ADD_LAST); }, [this] { OnCommand(ID_EXPORT_SELECTED); });
}

void CLOBRINView::RemoveSelectiveExportButtons() {
    RemoveSelectionButtons(this);
    m_exportMarked = nullptr;
}

bool CLOBRINView::HasSelectiveExportButtons() const {
    return HasSelectionButtons(this);
}

QPoint CLOBRINView::ImagePointOf(QPoint client) const {
    return ImagePointAt(ViewportToContent(client), Zoom());
}

double CLOBRINView::Zoom() const {
    return m_doc.Model().Zoom().zoom;
}

QSize CLOBRINView::ZoomedSize() const {
    const CStillImageDocument& model = m_doc.Model();
    return {ScaledLength(Zoom(), model.ImageWidth()), ScaledLength(Zoom(), model.ImageHeight())};
}

CDrawParams CLOBRINView::DrawParams() const {
    return CDrawParams{.penWidth = g_parameters.linewidth, .zoom = Zoom()};
}

CPlacementInput CLOBRINView::InputAt(QPoint client) const {
    return {m_doc.Model().Modes().measureMode, ViewportToContent(client), Zoom()};
}

bool CLOBRINView::event(QEvent* event) {
    if (event->type() == CPostedEvent::Type()) {
        OnPosted(*static_cast<const CPostedEvent*>(event));
        return true;
    }
    return CView::event(event);
}

void CLOBRINView::OnPosted(const CPostedEvent& posted) {
    CStillImageDocument& model = m_doc.Model();
    switch (posted.message()) {
    case UM_REMOVE_SHAPES:
        if (posted.wParam() == kRemoveOne) {
            if (posted.lParam() >= 0) {
                model.RemoveShapeAt(static_cast<std::size_t>(posted.lParam()));
            }
        } else {
            model.RemoveAllShapes();
        }
        ListShapesInResults();
        OnShapesChanged();
        m_doc.ShapesChangedBy(this);
        break;
    case UM_REPAINT:
        InvalidatePicture();
        viewport()->update();
        break;
    default:
        break;
    }
}

void CLOBRINView::OnZoomChanged() {
    EndCapture();
    m_tracker.SetRect(QRect());
    SetScrollSizes(ZoomedSize());
    ScrollToPosition(QPoint(0, 0));
    InvalidatePicture();
    UpdatePreview();
    viewport()->update();
}

void CLOBRINView::resizeEvent(QResizeEvent* event) {
    CMeasuringView::resizeEvent(event);
    if (m_doc.Model().Zoom().fitted) {
        m_doc.ZoomToFit(maximumViewportSize(), false);
    }
}

void CLOBRINView::OnPictureChanged() {
    InvalidatePicture();
    viewport()->update();
}

void CLOBRINView::OnShapesChanged() {
    InvalidatePicture();
    viewport()->update();
}

void CLOBRINView::OnAdjustmentProgress(int percent) {
    if (CMDIFrameWnd* frame = mainFrame()) {
        frame->paneBar().SetPaneText(
            kProgressPane, GetLanguageString("Processing", QStringLiteral("Processing"), 64) +
                               QString::asprintf(" %d%%", percent));
    }
}

void CLOBRINView::OnAdjustmentFinished() {
    if (CMDIFrameWnd* frame = mainFrame()) {
        frame->paneBar().SetPaneText(kProgressPane, QString());
    }
    OnPictureChanged();
}
