#include "camera/ui/CDeviceDoc.h"

#include "camera/FramePipeline.h"
#include "camera/LiveOverlay.h"
#include "camera/VideoShape.h"
#include "core/CommandIds.h"
#include "framework/PostedEvents.h"
#include "framework/ui/MDIFrameWnd.h"
#include "tools/ToolModes.h"

namespace {

constexpr int kAutoCircleCode = 108;
constexpr int kAutoLineCode = 110;

bool IsAutomaticCode(int code) {
    return code == kAutoCircleCode || code == kAutoLineCode;
}

void Toggle(std::atomic<int>& flag) {
    flag.store(flag.load() != 0 ? 0 : 1);
}

} // namespace

CDeviceDoc::CDeviceDoc() = default;

bool CDeviceDoc::OnNewDocument() {
    SetTitle(QStringLiteral("Marnelo"));
    return true;
}

int CDeviceDoc::LiveKind() const {
    return LiveKindOfMode(m_modes.measureMode);
}

void CDeviceDoc::ZoomToFit(QSize frame, QSize area, bool command) {
    const double before = m_zoom.zoom;
    m_zoom.Fit(frame, area);
    if (command || m_zoom.zoom != before) {
        ShowPrompt(m_zoom.StatusText());
        emit zoomChanged();
        CommandStateChanged();
    }
}

bool CDeviceDoc::OnCommand(int id) {
    switch (id) {
    case ID_ZOOM_IN:
    case ID_ZOOM_OUT:
    case ID_ZOOM_NORMAL:
        if (id == ID_ZOOM_IN) {
            m_zoom.ZoomIn();
        } else if (id == ID_ZOOM_OUT) {
            m_zoom.ZoomOut();
        } else {
            m_zoom.Normal();
        }
        ShowPrompt(m_zoom.StatusText());
        emit zoomChanged();
        CommandStateChanged();
        return true;
    case ID_UNDO:
        Undo();
        return true;
    default:
        if (CCmdUI probe(id); m_modes.OnUpdateCommand(id, probe)) {
            OnToolCommand(id);
            return true;
        }
        return false;
    }
}

bool CDeviceDoc::OnUpdateCommand(int id, CCmdUI& cmdUI) {
    switch (id) {
    case ID_ZOOM_IN:
        cmdUI.Enable(m_zoom.zoomInAllowed);
        return true;
    case ID_ZOOM_OUT:
        cmdUI.Enable(m_zoom.zoomOutAllowed);
        return true;
    case ID_ZOOM_NORMAL:
        return true;
    case ID_UNDO:
        cmdUI.Enable(!g_liveShapes.shapes.empty());
        return true;
    default:
        return m_modes.OnUpdateCommand(id, cmdUI);
    }
}

void CDeviceDoc::Undo() {
    if (g_liveShapes.shapes.empty()) {
        return;
    }
    g_liveShapes.shapes.pop_back();
    PublishLiveShapes();
    PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_RESULTS, 1, 0);
    CommandStateChanged();
}

void CDeviceDoc::OnToolCommand(int id) {
    const CToolCommandOutcome outcome = m_modes.OnCommand(id);
    if (outcome.hint) {
        ShowPrompt(*outcome.hint);
    }
    if (outcome.toggleHalfTurn) {
        Toggle(g_framePipeline.flags.rotate);
    }
    if (outcome.toggleMirror) {
        Toggle(g_framePipeline.flags.mirror);
    }
    CLiveViewParams params = LiveViewParams();
    if (outcome.clearLiveSelection) {
        params.adjustRect = QRect();
        params.adjustCode = 0;
    }
    if (outcome.crosshair) {
        params.crosshair = *outcome.crosshair;
    }
    // The automatic tools work on the frame as it streams: their code is
    // live as long as the tool is armed. An area adjustment becomes live only
    // once its rectangle is dragged.
    if (IsAutomaticCode(m_modes.adjustmentCode)) {
        params.adjustCode = m_modes.adjustmentCode;
    } else if (IsAutomaticCode(params.adjustCode)) {
        params.adjustCode = 0;
    }
    SetLiveViewParams(params);
    emit toolsChanged();
    CommandStateChanged();
}

void CDeviceDoc::ShowPrompt(const QString& text) const {
    if (CMDIFrameWnd* frame = mainFrame()) {
        frame->ShowPrompt(text);
    }
}
