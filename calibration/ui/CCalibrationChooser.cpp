#include "calibration/ui/CCalibrationChooser.h"

#include "calibration/Calibration.h"
#include "calibration/ui/CCalManageFormView.h"
#include "core/Language.h"

namespace {

// "Fine (6.00 px/um)": the record's scale in pixels per its own unit.
QString EntryText(const CCalibrationData& record) {
    const double perCentimetre = ParseLeadingNumber(record.ValueX);
    const double factor = UnitFactorOf(record.Unit).value_or(1.0);
    return QStringLiteral("%1 (%2 px/%3)")
        .arg(record.name, QString::asprintf("%.2f", perCentimetre / factor), record.Unit);
}

} // namespace

CCalibrationChooser::CCalibrationChooser(CCalManageFormView& manager, QWidget* parent)
    : QComboBox(parent)
    , m_manager(manager) {
    setObjectName(QStringLiteral("calibrationChooser"));
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    setMinimumContentsLength(12);
    const QString caption =
        GetLanguageString("CalibrationChooser", QStringLiteral("Calibration"), 64);
    setPlaceholderText(caption);
    setToolTip(caption);
    connect(this, &QComboBox::activated, this,
            [this](int index) { m_manager.ApplyNamed(itemData(index).toString()); });
    connect(&m_manager, &CCalManageFormView::calibrationsChanged, this,
            &CCalibrationChooser::Refill);
    Refill();
}

void CCalibrationChooser::Refill() {
    const QSignalBlocker quiet(this);
    clear();
    int applied = -1;
    for (const CCalibrationData& record : g_calibrationStore.records) {
        if (applied < 0 && !m_manager.appliedName().isEmpty() &&
            record.name.compare(m_manager.appliedName(), Qt::CaseInsensitive) == 0) {
            applied = count();
        }
        addItem(EntryText(record), record.name);
    }
    setCurrentIndex(applied);
}
