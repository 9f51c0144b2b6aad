#include "reports/ui/SelectionButtons.h"

#include "core/Language.h"

#include <QAbstractScrollArea>
#include <QPushButton>
#include <QStyle>

namespace {

constexpr int kTextLimit = 128;
const char kPickName[] = "pickNewestButton";
const char kExportName[] = "exportPickedButton";

QWidget* Host(QWidget* view) {
    if (auto* area = qobject_cast<QAbstractScrollArea*>(view)) {
        return area->viewport();
    }
    return view;
}

const QWidget* Host(const QWidget* view) {
    return Host(const_cast<QWidget*>(view));
}

QPushButton* MakeButton(QWidget* host, const char* name, QStyle::StandardPixmap icon,
                        const QString& tip, QRect geometry) {
    auto* button = new QPushButton(host);
    button->setObjectName(QLatin1String(name));
    button->setIcon(host->style()->standardIcon(icon));
    button->setIconSize(QSize(32, 32));
    button->setToolTip(tip);
    button->setGeometry(geometry);
    button->show();
    return button;
}

} // namespace

void ShowSelectionButtons(QWidget* view, std::function<void()> pickNewest,
                          std::function<void()> exportPicked) {
    if (view == nullptr) {
        return;
    }
    RemoveSelectionButtons(view);
    QWidget* host = Host(view);
    QPushButton* pick = MakeButton(
        host, kPickName, QStyle::SP_DialogApplyButton,
        GetLanguageString("AddExcel", QStringLiteral("Selectively add to excel"), kTextLimit),
        QRect(10, 10, 50, 50));
    QObject::connect(pick, &QPushButton::clicked, pick, [pickNewest = std::move(pickNewest)] {
        if (pickNewest) {
            pickNewest();
        }
    });
    QPushButton* finish =
        MakeButton(host, kExportName, QStyle::SP_DialogSaveButton,
                   GetLanguageString("ExportExcel", QStringLiteral("Export to excel"), kTextLimit),
                   QRect(10, 70, 50, 50));
    QObject::connect(finish, &QPushButton::clicked, finish,
                     [view, exportPicked = std::move(exportPicked)] {
                         // Taken out before the report is written, so that a
                         // second click while a message shows writes nothing.
                         RemoveSelectionButtons(view);
                         if (exportPicked) {
                             exportPicked();
                         }
                     });
}

void RemoveSelectionButtons(QWidget* view) {
    if (view == nullptr) {
        return;
    }
    for (const char* name : {kPickName, kExportName}) {
        // The button may be the sender of the click that removes it: it goes
        // once the click is over, and loses its name at once.
        if (auto* button = Host(view)->findChild<QPushButton*>(QLatin1String(name),
                                                               Qt::FindDirectChildrenOnly)) {
            button->setObjectName(QString());
            button->hide();
            button->deleteLater();
        }
    }
}

bool HasSelectionButtons(const QWidget* view) {
    return view != nullptr && Host(view)->findChild<QPushButton*>(QLatin1String(kExportName),
                                                                  Qt::FindDirectChildrenOnly);
}
