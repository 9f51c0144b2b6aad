#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class CLivePresenter;
class QWidget;

// The live window's Focus stack command. Starting asks the height step (µm
// per focus-control step when the camera has a focus control, otherwise per
// picture); while the sweep runs, the focus control's value is published to
// the painting thread, which fuses every frame and shows the growing picture,
// and the status bar counts the frames and tells at once of a frame that
// could not be aligned. Stopping opens the fused picture and its height map as
// new picture windows. GUI thread only.
class CLiveFocusCommand : public QObject {
    Q_OBJECT
public:
    CLiveFocusCommand(QWidget* view, std::shared_ptr<CLivePresenter> presenter,
                      std::function<void(const QString&)> showStatus);
    // A sweep still running ends without opening anything.
    ~CLiveFocusCommand() override;

    bool Running() const { return m_running; }
    // Starts a sweep, or stops the running one.
    void Toggle();

private:
    void Start();
    void Stop();
    void Poll();

    QWidget* m_view;
    std::shared_ptr<CLivePresenter> m_presenter;
    std::function<void(const QString&)> m_showStatus;
    QTimer m_poll;
    bool m_running = false;
    std::uint64_t m_sweep = 0;
    int m_failuresShown = 0;
    QElapsedTimer m_failureShown; // the frame count waits while a failure is read
    double m_step = 1;
};

// The camera's absolute focus control as it stands now; nullopt when the
// bound camera has none.
std::optional<std::int32_t> CameraFocusPosition();
