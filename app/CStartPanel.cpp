#include "app/CStartPanel.h"

#include "app/CMainFrame.h"
#include "browser/ThumbnailNames.h"
#include "capture/CaptureSession.h"
#include "capture/VirtualMicroscope.h"
#include "core/CommandIds.h"
#include "core/Folders.h"
#include "core/Language.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kRecentPictures = 8;
constexpr int kLimit = 128;

} // namespace

CStartPanel::CStartPanel(CMainFrame& frame, QWidget* parent)
    : QWidget(parent)
    , m_frame(frame)
    , m_openCamera(new QPushButton(this))
    , m_openPicture(new QPushButton(this))
    , m_recentTitle(new QLabel(this))
    , m_recent(new QListWidget(this)) {
    setObjectName(QStringLiteral("startPanel"));
    m_openCamera->setObjectName(QStringLiteral("startOpenCamera"));
    m_openPicture->setObjectName(QStringLiteral("startOpenPicture"));
    m_recent->setObjectName(QStringLiteral("startRecentPictures"));
    m_recent->setMaximumWidth(420);
    m_recent->setMaximumHeight(m_recent->fontMetrics().height() * (kRecentPictures + 1) + 8);

    auto* column = new QVBoxLayout;
    column->addWidget(m_openCamera);
    column->addWidget(m_openPicture);
    column->addSpacing(16);
    column->addWidget(m_recentTitle);
    column->addWidget(m_recent);
    auto* layout = new QHBoxLayout(this);
    layout->addStretch();
    auto* middle = new QVBoxLayout;
    middle->addStretch();
    middle->addLayout(column);
    middle->addStretch();
    layout->addLayout(middle);
    layout->addStretch();

    connect(m_openCamera, &QPushButton::clicked, this,
            [this] { m_frame.RouteCommand(ID_OPEN_DEVICE); });
    connect(m_openPicture, &QPushButton::clicked, this,
            [this] { m_frame.RouteCommand(ID_FILE_OPEN); });
    connect(m_recent, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        m_frame.OpenPictures({item->data(Qt::UserRole).toString()});
    });
    Refresh();
}

void CStartPanel::Refresh() {
    const QString openCamera =
        GetLanguageString("OpenDevice", QStringLiteral("Open Camera"), kLimit);
    m_openCamera->setText(HardwareCameraPresent()
                              ? openCamera
                              : GetLanguageString("OpenVirtualCamera",
                                                  QStringLiteral("%1: %2 (no camera plugged in)"),
                                                  kLimit)
                                    .arg(openCamera, QString::fromUtf8(VirtualMicroscope::kName)));
    m_openPicture->setText(
        GetLanguageString("OpenPicture", QStringLiteral("Open Picture"), kLimit));
    m_recentTitle->setText(
        GetLanguageString("RecentPictures", QStringLiteral("Recent pictures"), kLimit));

    m_recent->clear();
    const QDir folder(g_folders.snapshotFolder);
    const QStringList names = ListThumbnailPictures(g_folders.snapshotFolder);
    // Named by their moment, so the newest come last.
    for (auto it = names.crbegin(); it != names.crend() && m_recent->count() < kRecentPictures;
         ++it) {
        auto* item = new QListWidgetItem(*it, m_recent);
        item->setData(Qt::UserRole, folder.filePath(*it));
        item->setToolTip(folder.filePath(*it));
    }
    m_recentTitle->setVisible(m_recent->count() > 0);
    m_recent->setVisible(m_recent->count() > 0);
}

void CStartPanel::showEvent(QShowEvent* event) {
    Refresh();
    QWidget::showEvent(event);
}
