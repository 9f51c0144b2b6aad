#pragma once

#include "camera/CameraRefresher.h"
#include "camera/ui/LiveCalibrationCheck.h"
#include "camera/ui/LiveWatchdog.h"
#include "framework/PostedEvents.h"
#include "tools/Placement.h"
#include "tools/ui/CMeasuringView.h"

#include <memory>

#include <QImage>
#include <QPoint>
#include <QSize>

class CDeviceDoc;
class CLiveCommands;
class CLiveMosaicToggle;
class CLiveFocusCommand;
class CLiveTimeLapse;
class CLivePresenter;

// The view of the live camera window. It opens the chosen camera when made
// and closes it when destroyed; the camera's streaming thread paints every
// frame with its overlay into the presenter's surface, and the view only
// shows the newest surface (one update posted at a time). Without a camera it
// shows "No Video Devices" in red, centred; when the camera failed to start,
// stopped sending or went away, the reason instead. A stalled camera is
// restarted once by the watchdog before it counts as lost.
//
// Mouse: clicks on the displayed picture become live measurements through
// CPlacement, the still view's placement logic, with points in frame pixels
// (client point plus scroll position, divided by the zoom). The shape being
// drawn goes to the overlay, completed ones to g_liveShapes. The mouse is
// grabbed and kept on the picture while a shape is drawn; Escape abandons it.
// Keyboard: the arrows move the cursor one pixel, Enter clicks.
//
// The capture commands (snapshot, picture export, recording, video setting)
// and the reopening after device and power events are CLiveCommands'; the
// view forwards them, UM_STILL_READY and UM_TAKE_SNAPSHOT. It holds the live
// view role and handles UM_FORMAT_CHANGED, UM_SURFACE_CHANGED and
// UM_GRAPH_EVENT itself. GUI thread only.
class CDeviceView : public CMeasuringView {
    Q_OBJECT
public:
    explicit CDeviceView(CDeviceDoc& document, QWidget* parent = nullptr);
    ~CDeviceView() override;

    CDeviceDoc& GetDocument() const { return m_doc; }

    void OnInitialUpdate() override;
    // Activation lists the live measurements in the results pane.
    void OnActivateView(bool active) override;

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CCmdUI& cmdUI) override;

    // Binds the chosen camera, builds its capture, makes the frame surface and
    // starts streaming into this view. True when all of it succeeded;
    // otherwise everything is closed again.
    bool OpenCamera();
    // Closes the capture and opens it again on the camera chosen before,
    // found again by its stable id (device and power events). Serialised by
    // the view's lock. True when streaming again.
    bool RefreshCamera();

    // The result of OpenCamera when the view was made.
    bool CameraOpen() const { return m_cameraOpen; }
    // The result of the last OpenCamera or RefreshCamera.
    bool Streaming() const { return m_streaming; }

    double Zoom() const { return m_zoom; }
    const CPlacement& Placement() const { return m_placement; }
    // The surface shown last.
    const QImage& Shown() const { return m_shown; }
    // Why the camera shows no picture; empty when it streams or none is bound.
    const QString& Trouble() const { return m_trouble; }
    // The frame pixel under a client point at the current scroll and zoom.
    QPoint FramePointOf(QPoint client) const;
    CLiveCommands& Commands() const { return *m_commands; }
    CLiveTimeLapse& TimeLapse() const { return *m_timeLapse; }
    CLiveFocusCommand& FocusCommand() const { return *m_focusCommand; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    QSize FrameSize() const;
    QSize ZoomedSize() const;
    // Zoom and scroll sizes follow the document; the pipeline is told.
    void ApplyZoom();
    void PublishViewParams();
    void CloseCamera();
    // Takes the outcome of the last start: its reason when it failed, its
    // note (a format taken instead) in the status bar, the watchdog.
    void TakeStartOutcome(bool started);
    void ShowMessage(const QString& text);
    void LoseCamera(const QString& reason);
    // Takes the frame size as the one measurements refer to; the results
    // pane follows while this window is the one it shows.
    void RememberReferenceSize();
    // The live particle count on with the options of the last analysis, or off.
    void ToggleParticleCount();
    void ShowSizeInPane();
    void TakeSurface();
    void OnPosted(const CPostedEvent& posted);
    // The camera and frame size shown, as a calibration records them.
    CCalibrationCamera CameraInUse() const;
    // Whether the current calibration fits the camera shown; the warning goes
    // to the status bar.
    void CheckCalibrationCamera();

    // Mouse and keyboard (CDeviceViewMouse.cpp).
    CPlacementInput InputAt(QPoint client) const override;
    void OnPreviewChanged() override { PublishInProgress(); }
    bool OnPicture(QPoint client) const;
    void LeftButtonDown(QPoint client) override;
    void LeftButtonUp(QPoint client) override;
    void RightButtonDown(QPoint client) override;
    void MouseMovedTo(QPoint client) override;
    void OnEscape() override;
    // Forgets the shape being drawn and the area drag.
    void AbandonShape();
    void StoreShape(std::unique_ptr<CShape> shape) override;
    // Tells the results pane when a shape was added.
    void AfterClick() override;
    QRect ConfinementRect() const override;
    void PublishInProgress();
    void EndAreaSelection(QPoint client);
    void FeedMagnifier(QPoint client) const;

    CDeviceDoc& m_doc;
    std::shared_ptr<CLivePresenter> m_presenter;
    QImage m_shown;
    CLiveCameraHold m_hold; // serialises refreshes; the camera to find again
    bool m_cameraOpen = false;
    bool m_streaming = false;
    double m_zoom = 1.0;
    QSize m_referenceSize; // the frame size exported pictures are made for
    std::unique_ptr<CLiveCommands> m_commands;
    std::unique_ptr<CLiveTimeLapse> m_timeLapse;
    std::unique_ptr<CLiveMosaicToggle> m_mosaic;
    std::unique_ptr<CLiveFocusCommand> m_focusCommand;
    CLiveCalibrationCheck m_calibrationCheck;
    CLiveWatchdog m_watchdog;
    QString m_trouble;
    QString m_calibrationWarning; // shown in the status bar

    CPlacement m_placement;
    int m_shapeCounter = 0;
    bool m_shapeAdded = false;
    bool m_areaDragging = false;
    QPoint m_areaFrom; // content pixels

    CReceiverRegistration m_registration;
};
