#include "camera/ui/LiveMosaicToggle.h"

#include "camera/LiveMosaicRun.h"
#include "core/CommandIds.h"
#include "core/FileWriting.h"
#include "core/Folders.h"
#include "core/Language.h"
#include "core/PendingPicture.h"
#include "document/PictureCalibration.h"
#include "framework/ui/MDIFrameWnd.h"
#include "framework/ui/MessageBox.h"
#include "framework/ui/StatusBar.h"

namespace {

constexpr int kMessageLimit = 256;

QString FailureText(LiveMosaicFailure failure) {
    switch (failure) {
    case LiveMosaicFailure::MovedTooFast:
        return GetLanguageString(QStringLiteral("MosaicMovedTooFast"),
                                 QString::fromUtf8(LiveMosaicReason(failure)), kMessageLimit);
    case LiveMosaicFailure::NothingToLockOn:
        return GetLanguageString(QStringLiteral("MosaicNothingToLockOn"),
                                 QString::fromUtf8(LiveMosaicReason(failure)), kMessageLimit);
    default:
        return {};
    }
}

} // namespace

QString SaveLiveMosaic(const CDib& mosaic, const QString& folder, const QDateTime& when,
                       QString& error) {
    std::vector<std::uint8_t> bytes;
    if (!mosaic.Encode(ImageType::Png, bytes)) {
        error = QString::fromStdString(mosaic.LastError());
        return {};
    }
    const QDate d = when.date();
    const QTime t = when.time();
    const QString path =
        folder + QString::asprintf("/Mosaic-%4d%02d%02d%02d%02d%02d.png", d.year(), d.month(),
                                   d.day(), t.hour(), t.minute(), t.second());
    const QString written =
        WriteNewFile(path, QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                      static_cast<qsizetype>(bytes.size())));
    if (written.isEmpty()) {
        error = QStringLiteral("Cannot write a picture into %1").arg(folder);
    }
    return written;
}

CLiveMosaicToggle::CLiveMosaicToggle(QWidget* owner)
    : m_owner(owner) {}

CLiveMosaicToggle::~CLiveMosaicToggle() {
    SetLiveMosaic(nullptr);
}

bool CLiveMosaicToggle::Running() const {
    return LiveMosaicRun() != nullptr;
}

void CLiveMosaicToggle::Toggle(CMDIFrameWnd* frame) {
    if (Running()) {
        Finish(frame);
        return;
    }
    m_told = LiveMosaicFailure::None;
    SetLiveMosaic(std::make_shared<CLiveMosaicRun>());
}

void CLiveMosaicToggle::FollowStatus(CMDIFrameWnd* frame) {
    const std::shared_ptr<CLiveMosaicRun> run = LiveMosaicRun();
    const auto shown = run ? run->Shown() : nullptr;
    if (!shown || shown->failure == m_told || frame == nullptr) {
        return;
    }
    m_told = shown->failure;
    frame->paneBar().SetPaneText(kMessagePane, FailureText(shown->failure));
}

void CLiveMosaicToggle::Finish(CMDIFrameWnd* frame) {
    std::shared_ptr<CLiveMosaicRun> run = LiveMosaicRun();
    SetLiveMosaic(nullptr);
    CDib mosaic = run->Finish();
    if (!mosaic.IsValid()) {
        return;
    }
    mosaic.SetScale(ScaleInForce());
    QString error;
    const QString path =
        SaveLiveMosaic(mosaic, g_folders.snapshotFolder, QDateTime::currentDateTime(), error);
    if (path.isEmpty()) {
        ShowMessageBox(m_owner, QStringLiteral("ERROR\n%1").arg(error), QString(), QMessageBox::Ok,
                       QMessageBox::Warning);
        return;
    }
    if (frame != nullptr) {
        g_pendingPicture.path = path;
        frame->RouteCommand(ID_FILE_OPEN);
    }
}
