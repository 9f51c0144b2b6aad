#include "app/CommandIds.h"
#include "app/Language.h"
#include "camera/CDeviceView.h"
#include "camera/LiveOverlay.h"
#include "camera/VideoShape.h"

#include <QPushButton>
#include <QStyle>

// The selective spreadsheet export's two buttons over the live picture.

void CDeviceView::ShowSelectiveExportButtons(std::function<void()> exportMarked) {
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

void CDeviceView::RemoveSelectiveExportButtons() {
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

void CDeviceView::MarkNewestForExport() {
    if (g_liveShapes.shapes.empty()) {
        return;
    }
    g_liveShapes.shapes.back()->marked = 1;
    PublishLiveShapes();
}

void CDeviceView::ExportMarked() {
    const std::function<void()> exportMarked = m_exportMarked;
    if (exportMarked) {
        exportMarked();
    }
    RemoveSelectiveExportButtons();
}
