#include "tools/CLOBRINView.h"

#include "app/CommandIds.h"
#include "app/Language.h"
#include "app/MagnifierBuffer.h"
#include "app/Parameters.h"
#include "framework/MDIFrameWnd.h"
#include "framework/RectTrackerPaint.h"
#include "framework/StatusBar.h"
#include "image/CLOBRINDoc.h"
#include "image/Zoom.h"
#include "reports/ActiveImage.h"
#include "shapes/ShapeList.h"
#include "tools/CAddTextDlg.h"
#include "tools/MagnifierFeed.h"
#include "tools/OverlayNotice.h"
#include "tools/ToolModes.h"

#include <algorithm>

#include <QContextMenuEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>

namespace {

// The status pane that shows an adjustment's progress (the prompt pane keeps
// the tool's hint).
constexpr int kProgressPane = 2;
constexpr std::intptr_t kRemoveOne = 10;
constexpr std::intptr_t kWithProperties = 2;

bool AreaModeArmed(const CStillImageDocument& model) {
    return OperationForAreaMode(model.Modes().areaMode).has_value();
}

} // namespace

CLOBRINView::CLOBRINView(CLOBRINDoc& document, QWidget* parent)
    : CView(document, parent)
    , m_doc(document)
    , m_edgeFinder(document.Model().Picture())
    , m_placement(&m_edgeFinder) {
    setObjectName(QStringLiteral("LOBRINView"));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    m_placement.SetImageSize(document.Model().ImageWidth(), document.Model().ImageHeight());
    connect(&document, &CLOBRINDoc::pictureChanged, this, &CLOBRINView::OnPictureChanged);
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
}

CLOBRINView::~CLOBRINView() {
    EndCapture();
    if (RegisteredReceiver(ReceiverRole::ImageView) == this) {
        // The last picture shown goes: the results pane empties.
        g_activeImage = CActiveImage{};
        m_registration.Release();
        PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_RESULTS, 0, kWithProperties);
    }
}

void CLOBRINView::OnInitialUpdate() {
    SetScrollSizes(ZoomedSize());
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
        return;
    }
    m_registration.Register(ReceiverRole::ImageView, this);
    RemoveSelectiveExportButtons();
    g_overlayNotice.text.clear();
    const CStillImageDocument& model = m_doc.Model();
    g_activeImage = CActiveImage{static_cast<unsigned>(model.ImageWidth()),
                                 static_cast<unsigned>(model.ImageHeight())};
    ResetPlacement();
    PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_RESULTS, 0, kWithProperties);
}

bool CLOBRINView::OnCommand(int id) {
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
    if (id == ID_EXPORT_ADD_LAST || id == ID_EXPORT_SELECTED) {
        cmdUI.Enable(HasSelectiveExportButtons());
        return true;
    }
    return false;
}

void CLOBRINView::ShowSelectiveExportButtons(std::function<void()> exportMarked) {
    RemoveSelectiveExportButtons();
    m_exportMarked = std::move(exportMarked);
    const auto makeButton = [this](int id, QStyle::StandardPixmap icon, const QString& tip,
                                   QRect geometry) {
        auto* button = new QPushButton(viewport());
        button->setIcon(style()->standardIcon(icon));
        button->setIconSize(QSize(32, 32));
        button->setToolTip(tip);
        button->setGeometry(geometry);
        connect(button, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
        button->show();
        return button;
    };
    m_addLastButton =
        makeButton(ID_EXPORT_ADD_LAST, QStyle::SP_DialogApplyButton,
                   GetLanguageString("AddExcel", QStringLiteral("Selectively add to excel"), 128),
                   QRect(10, 10, 50, 50));
    m_exportButton =
        makeButton(ID_EXPORT_SELECTED, QStyle::SP_DialogSaveButton,
                   GetLanguageString("ExportExcel", QStringLiteral("Export to excel"), 128),
                   QRect(10, 70, 50, 50));
}

void CLOBRINView::RemoveSelectiveExportButtons() {
    // A button may be the sender of the command that removes it.
    for (QPushButton** button : {&m_addLastButton, &m_exportButton}) {
        if (*button != nullptr) {
            (*button)->hide();
            (*button)->deleteLater();
            *button = nullptr;
        }
    }
    m_exportMarked = nullptr;
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

void CLOBRINView::mousePressEvent(QMouseEvent* event) {
    const QPoint client = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        LeftButtonDown(client);
    } else if (event->button() == Qt::RightButton) {
        RightButtonDown(client);
    }
    event->accept();
}

void CLOBRINView::mouseMoveEvent(QMouseEvent* event) {
    MouseMovedTo(event->position().toPoint());
    event->accept();
}

void CLOBRINView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        LeftButtonUp(event->position().toPoint());
    }
    event->accept();
}

void CLOBRINView::contextMenuEvent(QContextMenuEvent* event) {
    // The right button belongs to the tools.
    event->accept();
}

void CLOBRINView::keyPressEvent(QKeyEvent* event) {
    QPoint step;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        LeftButtonDown(m_cursor);
        LeftButtonUp(m_cursor);
        return;
    case Qt::Key_Escape:
        if (m_placement.IsPlacing()) {
            ResetPlacement();
        }
        return;
    case Qt::Key_Left:
        step = {-1, 0};
        break;
    case Qt::Key_Right:
        step = {1, 0};
        break;
    case Qt::Key_Up:
        step = {0, -1};
        break;
    case Qt::Key_Down:
        step = {0, 1};
        break;
    default:
        CView::keyPressEvent(event);
        return;
    }
    const QRect client = viewport()->rect();
    const QPoint moved(std::clamp(m_cursor.x() + step.x(), client.left(), client.right()),
                       std::clamp(m_cursor.y() + step.y(), client.top(), client.bottom()));
    // Where the platform moves the cursor, a move event follows; the view
    // does not wait for it.
    QCursor::setPos(viewport()->mapToGlobal(moved));
    MouseMovedTo(moved);
}

void CLOBRINView::LeftButtonDown(QPoint client) {
    m_cursor = client;
    CStillImageDocument& model = m_doc.Model();
    if (!model.HasPicture()) {
        return;
    }
    if (AreaModeArmed(model)) {
        BeginAreaSelection(ViewportToContent(client));
        return;
    }
    if (!IsPlacementMode(model.Modes().measureMode)) {
        return;
    }
    switch (m_placement.Press(InputAt(client))) {
    case CPressOutcome::Placed:
        StartCapture();
        UpdatePreview();
        break;
    case CPressOutcome::TextRequested:
        EndCapture();
        AskForText();
        break;
    case CPressOutcome::CrosshairMoved:
        StartCapture();
        viewport()->update();
        break;
    case CPressOutcome::Ignored:
        break;
    }
}

void CLOBRINView::LeftButtonUp(QPoint client) {
    m_cursor = client;
    if (m_tracker.tracking()) {
        EndAreaSelection();
        return;
    }
    if (IsPlacementMode(m_doc.Model().Modes().measureMode)) {
        if (std::unique_ptr<CShape> shape = m_placement.Release(InputAt(client))) {
            StoreShape(std::move(shape));
        }
    }
    if (!m_placement.IsPlacing()) {
        EndCapture();
    }
}

void CLOBRINView::RightButtonDown(QPoint client) {
    m_cursor = client;
    if (AreaModeArmed(m_doc.Model())) {
        CancelAreaMode();
        return;
    }
    if (m_placement.RightClick(InputAt(client))) {
        UpdatePreview();
    }
}

void CLOBRINView::MouseMovedTo(QPoint client) {
    const QPoint point = m_capturing ? Confined(client) : client;
    m_cursor = point;
    CStillImageDocument& model = m_doc.Model();
    if (!model.HasPicture()) {
        return;
    }
    FeedMagnifier(point);
    const QPoint content = ViewportToContent(point);
    if (m_tracker.tracking()) {
        const QRect before = m_tracker.rect();
        m_tracker.TrackTo(content);
        const int margin = m_tracker.handleSize() + 1;
        viewport()->update(before.united(m_tracker.rect())
                               .adjusted(-margin, -margin, margin, margin)
                               .translated(-scrollPosition()));
        return;
    }
    if (AreaModeArmed(model)) {
        viewport()->setCursor(RectTrackerCursor(m_tracker.HitTest(content)));
    } else {
        viewport()->setCursor(model.Modes().measureMode != 0 ? Qt::CrossCursor : Qt::ArrowCursor);
    }
    if (m_placement.Move(InputAt(point))) {
        UpdatePreview();
    }
}

void CLOBRINView::AskForText() {
    CAddTextDlg dialog(this);
    if (dialog.exec() != QDialog::Accepted) {
        m_placement.CancelText();
        return;
    }
    if (std::unique_ptr<CShape> shape = m_placement.PlaceText(dialog.text())) {
        StoreShape(std::move(shape));
    }
}

void CLOBRINView::StoreShape(std::unique_ptr<CShape> shape) {
    // The results (and, for a distance line, the length a manual calibration
    // reads) are there before anything is painted.
    shape->ComputeResults();
    m_doc.Model().AddShape(std::move(shape));
    UpdatePreview();
    OnShapesChanged();
    ListShapesInResults();
    m_doc.ShapesChangedBy(this);
}

void CLOBRINView::ResetPlacement() {
    m_placement.Reset();
    EndCapture();
    UpdatePreview();
    ListShapesInResults();
}

void CLOBRINView::ListShapesInResults() {
    RefillResultsList(m_doc.Model().Shapes());
    PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_RESULTS, 0, 0);
}

void CLOBRINView::BeginAreaSelection(QPoint content) {
    const CRectTracker::Hit hit = m_tracker.HitTest(content);
    m_tracker.SetBounds(QRect(QPoint(0, 0), ZoomedSize()));
    m_tracker.BeginTrack(content, hit);
    viewport()->update();
}

void CLOBRINView::EndAreaSelection() {
    const bool chosen = m_tracker.EndTrack();
    viewport()->update();
    if (!chosen) {
        // A click without a drag chooses nothing.
        m_tracker.SetRect(QRect());
        return;
    }
    const QRect r = m_tracker.rect();
    const PictureRect rect = PictureRectFromView(r.left(), r.top(), r.left() + r.width(),
                                                 r.top() + r.height(), 0, 0, Zoom());
    if (m_doc.Model().StartAreaAdjustment(rect)) {
        m_doc.CommandStateChanged();
    }
}

void CLOBRINView::CancelAreaMode() {
    if (!m_doc.Model().CancelAreaMode()) {
        return;
    }
    m_tracker.SetRect(QRect());
    OnAdjustmentFinished();
    m_doc.CommandStateChanged();
}

void CLOBRINView::StartCapture() {
    if (!m_capturing && viewport()->isVisible()) {
        viewport()->grabMouse();
        m_capturing = true;
    }
}

void CLOBRINView::EndCapture() {
    if (m_capturing) {
        viewport()->releaseMouse();
        m_capturing = false;
    }
}

QPoint CLOBRINView::Confined(QPoint client) {
    const QRect inside = viewport()->rect();
    const QPoint kept(std::clamp(client.x(), inside.left(), inside.right()),
                      std::clamp(client.y(), inside.top(), inside.bottom()));
    if (kept != client) {
        QCursor::setPos(viewport()->mapToGlobal(kept));
    }
    return kept;
}

void CLOBRINView::FeedMagnifier(QPoint client) const {
    std::uint8_t* buffer = MagnifierBuffer();
    if (buffer == nullptr) {
        return;
    }
    const int side = MagnifierSide(g_magnifier.zoomState);
    if (side > 0) {
        const auto access = m_doc.Model().Picture().Read();
        FillMagnifierSquare(access.image(), ImagePointOf(client), side,
                            std::span<std::uint8_t>(buffer, kMagnifierBufferBytes));
    }
    SendToReceiver(ReceiverRole::Magnifier, UM_MAGNIFIER_FILLED);
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
