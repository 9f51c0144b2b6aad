#include "camera/ui/LiveCommands.h"

#include "analysis/particles/ParticleCsv.h"
#include "browser/ThumbnailAnnouncement.h"
#include "camera/CameraRefresher.h"
#include "camera/FramePipeline.h"
#include "camera/LiveOverlay.h"
#include "camera/LiveSnapshot.h"
#include "camera/SnapshotSession.h"
#include "capture/events/PowerResumeMonitor.h"
#include "capture/events/VideoDeviceMonitor.h"
#include "capture/ui/CVideoSettingDlg.h"
#include "core/FileWriting.h"
#include "core/Folders.h"
#include "core/ImageFormats.h"
#include "core/Language.h"
#include "core/Parameters.h"
#include "document/PictureCalibration.h"
#include "framework/QImageDrawSurface.h"
#include "framework/ui/FileDialog.h"
#include "framework/ui/MessageBox.h"
#include "image/Zoom.h"
#include "recorder/Recording.h"
#include "reports/ui/CExportOptionDlg.h"
#include "reports/ui/CFileSizeDlg.h"

#include <QDateTime>

namespace {

constexpr int kMessageLimit = 128;
constexpr int kTickMs = 1000;
constexpr int kStillRetryMs = 100;

} // namespace

CLiveCommands::CLiveCommands(CLiveCommandHost host, QObject* parent)
    : QObject(parent)
    , m_host(std::move(host))
    , m_refresher(std::make_unique<CCameraRefresher>([this] {
        // The stream starts again with a clock of its own, which the open
        // file cannot continue: the recording ends here with what it holds.
        if (m_ticker.Active()) {
            m_ticker.Cancel();
            EndRecordingNow();
        }
        return m_host.refreshCamera ? m_host.refreshCamera() : false;
    }))
    , m_devices(new CVideoDeviceMonitor(this))
    , m_power(new CPowerResumeMonitor(this)) {
    m_stillRetry.setSingleShot(true);
    m_stillRetry.setInterval(kStillRetryMs);
    connect(&m_stillRetry, &QTimer::timeout, this, [this] {
        if (m_waitingStill) {
            OnStillReady(*m_waitingStill);
        }
    });
    m_tick.setInterval(kTickMs);
    connect(&m_tick, &QTimer::timeout, this, &CLiveCommands::RecordingTick);

    connect(m_devices, &CVideoDeviceMonitor::devicesChanged, m_refresher.get(),
            &CCameraRefresher::DevicesChanged);
    connect(m_power, &CPowerResumeMonitor::resumed, m_refresher.get(),
            &CCameraRefresher::PowerResumed);
    connect(m_refresher.get(), &CCameraRefresher::refreshed, this, [this](bool ok) {
        if (m_host.cameraRefreshed) {
            m_host.cameraRefreshed(ok);
        }
    });

    // The recorder's messages (a refused start, a disk that filled up) go
    // to the user over this window.
    g_recording.showMessage = [view = m_host.view](const QString& caption, const QString& text) {
        ShowMessageBox(view, text, caption, QMessageBox::Ok, QMessageBox::Warning);
    };
}

CLiveCommands::~CLiveCommands() {
    g_framePipeline.flags.stillRequest = 0;
    if (m_ticker.Active()) {
        // The window is going: a last message must not be owned by it.
        g_recording.showMessage = [](const QString& caption, const QString& text) {
            ShowMessageBox(nullptr, text, caption, QMessageBox::Ok, QMessageBox::Warning);
        };
        g_framePipeline.flags.recording = 0;
        StopRecording();
        SetRecordingNotice({});
    }
    g_recording.showMessage = nullptr;
}

double CLiveCommands::Zoom() const {
    return m_host.zoom ? m_host.zoom() : 1.0;
}

QSize CLiveCommands::ReferenceSize() const {
    if (m_host.referenceSize) {
        return m_host.referenceSize();
    }
    return {g_framePipeline.frameWidth.load(), g_framePipeline.frameHeight.load()};
}

void CLiveCommands::Tell(const QString& key, const QString& defaultText) const {
    ShowMessageBox(m_host.view, GetLanguageString(key, defaultText, kMessageLimit), QString());
}

void CLiveCommands::RequestStill(int stillKind) {
    g_framePipeline.flags.stillKind = stillKind;
    g_framePipeline.flags.stillRequest = 1;
}

void CLiveCommands::TakeSnapshot() {
    if (Recording()) {
        Tell(QStringLiteral("CaptureTip"),
             QStringLiteral("Please stop record video and then capture"));
        return;
    }
    m_export.reset();
    // The pipeline keeps one request; clicks that come before it is served
    // are counted, and each gets a picture of its own.
    ++m_snapshotsDue;
    RequestStill(0);
}

void CLiveCommands::ExportPicture() {
    CExportOptionDlg options(ReferenceSize(), m_host.view);
    if (options.exec() != QDialog::Accepted) {
        return;
    }
    const FileDialogRequest request =
        PictureSaveRequest(GetLanguageString(QStringLiteral("ToolbarHitExportPicture"),
                                             QStringLiteral("Export Picture"), kMessageLimit),
                           g_folders.snapshotFolder);
    const std::optional<FileDialogAnswer> answer = RunFileDialog(m_host.view, request);
    if (!answer) {
        return;
    }
    m_export = CPendingExport{
        .sizeOption = g_parameters.saveoption1,
        .imprint = g_parameters.saveoption2 == 1,
        .path = answer->path,
        .type = StillTypeForPath(answer->path),
    };
    RequestStill(1);
}

void CLiveCommands::OnStillReady(int stillKind) {
    const std::optional<CStillFrame> frame = TakeFrameCopy();
    if (!frame) {
        // The very first frame carried the request: wait for one to be kept.
        m_waitingStill = stillKind;
        m_stillRetry.start();
        return;
    }
    m_waitingStill.reset();

    if (stillKind == 0) {
        if (m_snapshotsDue == 0) {
            return; // a request repeated after its clicks were served
        }
        --m_snapshotsDue;
    }
    if (m_snapshotsDue > 0) {
        RequestStill(0);
    }

    CStillRequest request;
    if (stillKind == 1 && m_export) {
        request.scale = ExportScale(m_export->sizeOption, Zoom());
        request.imprint = m_export->imprint;
        request.exportPath = m_export->path;
        request.type = m_export->type;
        if (const QSize reference = ReferenceSize(); !reference.isEmpty()) {
            request.resampleTo = ScaledStillSize(request.scale, reference);
        }
        m_export.reset();
    } else {
        request.type = static_cast<ImageType>(SnapshotFormatOf(g_parameters.imageformat).formatId);
    }
    request.frameScale = ScaleInForce();
    request.scaleBar = g_parameters.scalebar != 0;
    request.particles = m_host.particles ? m_host.particles() : nullptr;
    const std::vector<CVideoShap> shapes = CopyLiveShapes();
    QString error;
    const QString path =
        SaveStillPicture(*frame, request, shapes, QImageSurfaceFactory(), g_folders.snapshotFolder,
                         QDateTime::currentDateTime(), error);
    if (path.isEmpty()) {
        ShowMessageBox(m_host.view, QStringLiteral("ERROR\n%1").arg(error), QString(),
                       QMessageBox::Ok, QMessageBox::Warning);
        return;
    }
    m_lastSaved = path;
    if (request.exportPath.isEmpty()) {
        // A snapshot has the frame's pixels, so the live measurements can come
        // back as editable shapes when it is opened as a picture.
        // The frame without the drawing goes beside it, so that the shapes
        // come back over clean pixels.
        CStillRequest clean = request;
        clean.imprint = false;
        clean.scaleBar = false;
        CDib cleanPicture;
        QString cleanError;
        const bool composed = ComposeStillPicture(*frame, clean, {}, QImageSurfaceFactory(),
                                                  cleanPicture, cleanError);
        QString sessionError;
        if (!SaveSnapshotSession(path, shapes, composed ? &cleanPicture : nullptr, &sessionError) &&
            m_host.showStatusPane0) {
            m_host.showStatusPane0(sessionError);
        }
        // The counted objects' table goes beside the snapshot that shows them.
        if (request.particles &&
            !WriteFileWhole(path + QStringLiteral(".particles.csv"),
                            QByteArray::fromStdString(ParticleCsv(*request.particles))) &&
            m_host.showStatusPane0) {
            m_host.showStatusPane0(QStringLiteral("Cannot write %1.particles.csv").arg(path));
        }
    }
    AnnounceSavedPicture(path);
    emit pictureSaved(path);
}

bool CLiveCommands::Recording() const {
    return m_ticker.Writing();
}

void CLiveCommands::SetRecordingNotice(const QString& notice) {
    CLiveViewParams params = LiveViewParams();
    params.recordingNotice = notice;
    SetLiveViewParams(params);
}

void CLiveCommands::ToggleRecording() {
    if (!(m_host.cameraOpen && m_host.cameraOpen())) {
        Tell(QStringLiteral("ConnectTip"), QStringLiteral("Please Connect Device..."));
        return;
    }
    if (m_ticker.Active()) {
        m_ticker.RequestStop();
        return;
    }
    CFileSizeDlg options(m_host.view);
    if (options.exec() != QDialog::Accepted) {
        return;
    }
    // The file ends at its time by itself; the ticker stops a tick later.
    if (StartRecording(options.frameRate(), options.timeLimit()) != 1) {
        return;
    }
    g_framePipeline.flags.frameWritten = 0;
    g_framePipeline.flags.recording = 1;
    m_ticker.Start(options.timeLimit());
    m_tick.start();
    SetRecordingNotice(GetLanguageString(QStringLiteral("Recording"),
                                         QStringLiteral("Recording..."), kMessageLimit));
    emit recordingChanged(true);
}

void CLiveCommands::EndRecordingState() {
    g_framePipeline.flags.recording = 0;
    SetRecordingNotice({});
    if (m_host.showStatusPane0) {
        m_host.showStatusPane0(QString());
    }
}

void CLiveCommands::RecordingTick() {
    const bool written = g_framePipeline.flags.frameWritten.exchange(0) == 1;
    switch (m_ticker.Tick(written, RecordingFailed())) {
    case CRecordingTicker::Action::None:
        m_tick.stop();
        break;
    case CRecordingTicker::Action::ShowElapsed:
        if (m_host.showStatusPane0) {
            m_host.showStatusPane0(RecordingStatusText(
                m_ticker.Elapsed(), GetLanguageString(QStringLiteral("Seconds"),
                                                      QStringLiteral("Seconds"), kMessageLimit)));
        }
        break;
    case CRecordingTicker::Action::StopWriting:
        // The writer stays open one more tick, until the streaming thread
        // has seen the flag.
        EndRecordingState();
        break;
    case CRecordingTicker::Action::ReleaseWriter:
        m_tick.stop();
        StopRecording();
        emit recordingChanged(false);
        break;
    case CRecordingTicker::Action::Abandon:
        // The disk is full: nothing more can be written, so the file is
        // closed now with what it holds, and StopRecording says why.
        EndRecordingNow();
        break;
    }
}

void CLiveCommands::EndRecordingNow() {
    EndRecordingState();
    m_tick.stop();
    StopRecording();
    emit recordingChanged(false);
}

void CLiveCommands::VideoSetting() {
    CVideoSettingDlg dialog(m_host.view);
    dialog.exec();
}
