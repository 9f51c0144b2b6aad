#pragma once

#include "framework/ui/Document.h"
#include "image/Zoom.h"
#include "tools/ToolCommands.h"

// The document of the live camera window: the zoom with its two flags and
// the armed tool, and the commands that change them (the measuring and area
// tools, the flips, undo and the three zoom commands). The live measurements
// themselves are process-wide (g_liveShapes), shared with the frame pipeline
// and the results pane. GUI thread only.
class CDeviceDoc : public CDocument {
    Q_OBJECT
public:
    CDeviceDoc();

    // Titled with the product name; the main frame finds the one live window
    // by it.
    bool OnNewDocument() override;

    const CZoomState& Zoom() const { return m_zoom; }
    const CLiveToolModes& Modes() const { return m_modes; }
    // The measuring mode of the armed tool (0 for none, 132 for the area
    // selection) and its live kind (0 when clicks do nothing).
    int MeasureMode() const { return m_modes.measureMode; }
    int LiveKind() const;

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CCmdUI& cmdUI) override;
    // Fits the zoom so that a `frame` fits whole into `area`, as the still
    // picture's document does.
    void ZoomToFit(QSize frame, QSize area, bool command);

    // Removes the newest live measurement and tells the results pane.
    void Undo();

signals:
    // The zoom changed: the view rebuilds its surface at the new zoom and
    // scrolls to the origin.
    void zoomChanged();
    // A tool was armed or disarmed: a placement under way ends.
    void toolsChanged();

private:
    void OnToolCommand(int id);
    void ShowPrompt(const QString& text) const;

    CZoomState m_zoom;
    CLiveToolModes m_modes;
};
