#include "camera/ui/LiveFocusCommand.h"

#include "analysis/ui/PictureMerging.h"
#include "camera/LiveFocusSweep.h"
#include "camera/LivePresenter.h"
#include "capture/CaptureSession.h"
#include "core/Language.h"

#include <QInputDialog>

namespace {

// Often enough that a frame that could not be aligned is told at once.
constexpr int kPollMs = 40;
// How long a frame that could not be aligned stays on the status bar.
constexpr int kFailureShownMs = 1500;
// The name cameras give their absolute focus control.
constexpr const char* kFocusControl = "Focus, Absolute";

QString Text(const char* key, const char* english) {
    return GetLanguageString(QString::fromLatin1(key), QString::fromUtf8(english), 128);
}

} // namespace

std::optional<std::int32_t> CameraFocusPosition() {
    if (!g_captureSession.camera) {
        return std::nullopt;
    }
    for (const CaptureControl& control : g_captureSession.camera->Controls()) {
        if (control.name == kFocusControl && !control.inactive) {
            return control.value;
        }
    }
    return std::nullopt;
}

CLiveFocusCommand::CLiveFocusCommand(QWidget* view, std::shared_ptr<CLivePresenter> presenter,
                                     std::function<void(const QString&)> showStatus)
    : m_view(view)
    , m_presenter(std::move(presenter))
    , m_showStatus(std::move(showStatus)) {
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &CLiveFocusCommand::Poll);
}

CLiveFocusCommand::~CLiveFocusCommand() {
    if (m_running) {
        m_presenter->FocusSweep().Finish();
        SetLiveFocusSweep(nullptr);
    }
}

void CLiveFocusCommand::Toggle() {
    if (m_running) {
        Stop();
    } else {
        Start();
    }
}

void CLiveFocusCommand::Start() {
    const bool focusControl = CameraFocusPosition().has_value();
    QInputDialog dialog(m_view);
    dialog.setObjectName(QStringLiteral("FocusStepDialog"));
    dialog.setWindowTitle(Text("LiveFocusStackMenu", "Focus stack"));
    dialog.setInputMode(QInputDialog::DoubleInput);
    dialog.setDoubleDecimals(3);
    dialog.setDoubleRange(0.001, 100000.0);
    dialog.setDoubleValue(m_step);
    dialog.setLabelText(focusControl
                            ? Text("LiveFocusStepControl", "Height step in µm per focus step:")
                            : Text("LiveFocusStepPicture", "Height step in µm per picture:"));
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    m_step = dialog.doubleValue();
    CLiveFocusSweepSettings settings;
    settings.sweep = ++m_sweep;
    settings.zStep = m_step;
    settings.unit = "µm";
    settings.caption = Text("LiveFocusCaption", "Focus stack: %1 frames");
    PublishLiveFocusPosition(CameraFocusPosition());
    SetLiveFocusSweep(std::make_shared<const CLiveFocusSweepSettings>(std::move(settings)));
    m_failuresShown = 0;
    m_failureShown.invalidate();
    m_running = true;
    m_poll.start();
}

void CLiveFocusCommand::Poll() {
    PublishLiveFocusPosition(CameraFocusPosition());
    const CLiveFocusSweepStatus status = m_presenter->FocusSweep().Status();
    if (status.failures > m_failuresShown) {
        m_failuresShown = status.failures;
        m_showStatus(Text("LiveFocusNotAligned", "A frame could not be aligned: %1")
                         .arg(QString::fromStdString(status.reason)));
        m_failureShown.start();
        return;
    }
    if (m_failureShown.isValid() && m_failureShown.elapsed() < kFailureShownMs) {
        return;
    }
    m_showStatus(Text("LiveFocusCaption", "Focus stack: %1 frames").arg(status.frames));
}

void CLiveFocusCommand::Stop() {
    m_poll.stop();
    m_running = false;
    std::unique_ptr<CLiveFocusStack> stack = m_presenter->FocusSweep().Finish();
    SetLiveFocusSweep(nullptr);
    PublishLiveFocusPosition(std::nullopt);
    if (!stack || stack->Frames() == 0 || !stack->Picture().IsValid()) {
        return;
    }
    CDib picture;
    if (!picture.CopyFrom(stack->Picture())) {
        return;
    }
    OpenFocusStackWindows(m_view, std::move(picture), stack->Heights(),
                          Text("LiveFocusName", "Focus sweep"));
}
