#include "calibration/ui/CStepDlg.h"

#include "core/Language.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

CStepDlg::CStepDlg(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("CStepDlg"));
    setWindowTitle(
        GetLanguageString("ManualCalibration", QStringLiteral("Manual Calibration"), 128));
    const QString steps[] = {
        GetLanguageString(
            "STEP1",
            QStringLiteral(
                "1：Place standard ruler under the microscope, adjust the focus until clear."),
            256),
        GetLanguageString(
            "STEP2",
            QStringLiteral(
                "2：Fill in the title and the actual length such as: Title: CAL1;Length: 1mm"),
            256),
        GetLanguageString(
            "STEP3",
            QStringLiteral("3：Click 'distance of 2 points'button，and then draw a 1mm line"), 256),
        GetLanguageString("STEP4", QStringLiteral("Click [OK] button，complete calibration"), 256),
    };
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(10);
    int index = 1;
    for (const QString& step : steps) {
        auto* line = new QLabel(step, this);
        line->setObjectName(QStringLiteral("step%1").arg(index++));
        line->setWordWrap(true);
        line->setTextFormat(Qt::PlainText);
        layout->addWidget(line);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}
