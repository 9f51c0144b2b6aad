#pragma once

#include "analysis/mosaic/LiveMosaic.h"
#include "image/Dib.h"

#include <QDateTime>
#include <QString>

class CMDIFrameWnd;
class QWidget;

// Writes the mosaic as a new PNG "Mosaic-yyyyMMddhhmmss.png" in `folder`
// (never replacing a file: "-2", "-3"… for more in the same second). Returns
// the path written; empty with a reason in `error` on failure.
QString SaveLiveMosaic(const CDib& mosaic, const QString& folder, const QDateTime& when,
                       QString& error);

// The live window's Mosaic command. On: the frames go to a live mosaic. Off:
// the mosaic, with the scale of the calibration in force (its pixels are the
// frames' pixels), is saved in the snapshot folder and opened as a picture
// window. While it runs, a frame that cannot be placed says why in the status
// bar at once. GUI thread only.
class CLiveMosaicToggle {
public:
    explicit CLiveMosaicToggle(QWidget* owner);
    // A mosaic still running when the window closes is dropped.
    ~CLiveMosaicToggle();
    CLiveMosaicToggle(const CLiveMosaicToggle&) = delete;
    CLiveMosaicToggle& operator=(const CLiveMosaicToggle&) = delete;

    bool Running() const;
    void Toggle(CMDIFrameWnd* frame);
    // After each new surface: tells a new failure, or its end, in the status bar.
    void FollowStatus(CMDIFrameWnd* frame);

private:
    void Finish(CMDIFrameWnd* frame);

    QWidget* m_owner;
    LiveMosaicFailure m_told = LiveMosaicFailure::None;
};
