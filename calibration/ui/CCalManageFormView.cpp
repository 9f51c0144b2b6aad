#include "calibration/ui/CCalManageFormView.h"

#include "calibration/Calibration.h"
#include "calibration/CalibrationCamera.h"
#include "calibration/CalibrationFiles.h"
#include "calibration/ManualCalibration.h"
#include "calibration/ui/CStepDlg.h"
#include "core/Language.h"
#include "framework/PostedEvents.h"
#include "framework/ui/ChildFrame.h"
#include "framework/ui/MDIFrameWnd.h"
#include "framework/ui/MessageBox.h"
#include "framework/ui/PropertyGrid.h"
#include "framework/ui/View.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int kUnitData = 102;
constexpr int kLengthData = 103;
constexpr int kKeepList = 2;
constexpr int kWithProperties = 2;

const QStringList kUnits = {QStringLiteral("nm"), QStringLiteral("um"), QStringLiteral("mm"),
                            QStringLiteral("cm"), QStringLiteral("mil")};
const QStringList kLengths = {QStringLiteral("1.0"), QStringLiteral("2.0"), QStringLiteral("3.0"),
                              QStringLiteral("4.0"), QStringLiteral("5.0")};

QTableWidgetItem* CentredCell(const QString& text) {
    auto* cell = new QTableWidgetItem(text);
    cell->setTextAlignment(Qt::AlignCenter);
    cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return cell;
}

} // namespace

CCalManageFormView::CCalManageFormView(QWidget* parent)
    : QWidget(parent)
    , m_list(new QTableWidget(0, 3, this))
    , m_apply(new QPushButton(this))
    , m_delete(new QPushButton(this))
    , m_deleteAll(new QPushButton(this))
    , m_caption(new QLabel(this))
    , m_current(new QLabel(this))
    , m_tab(new QTabWidget(this))
    , m_grid(new CPropertyGrid)
    , m_ok(nullptr)
    , m_steps(new QPushButton(QStringLiteral("?")))
    , m_cameraNote(new QLabel(this)) {
    setObjectName(QStringLiteral("CCalManageFormView"));
    m_list->setObjectName(QStringLiteral("calibrationList"));
    m_apply->setObjectName(QStringLiteral("applyCalibration"));
    m_delete->setObjectName(QStringLiteral("deleteCalibration"));
    m_deleteAll->setObjectName(QStringLiteral("deleteAllCalibrations"));
    m_current->setObjectName(QStringLiteral("currentCalibration"));
    m_grid->setObjectName(QStringLiteral("manualCalibration"));
    m_steps->setObjectName(QStringLiteral("calibrationSteps"));
    m_cameraNote->setObjectName(QStringLiteral("calibrationCameraNote"));
    m_cameraNote->setWordWrap(true);
    m_cameraNote->setTextFormat(Qt::PlainText);
    m_cameraNote->hide();

    m_list->setHorizontalHeaderLabels({GetLanguageString("Name", QStringLiteral("Name"), 64),
                                       GetLanguageString("Unit", QStringLiteral("Unit"), 64),
                                       GetLanguageString("Value", QStringLiteral("Value"), 64)});
    m_list->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    m_list->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_list->verticalHeader()->hide();
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setShowGrid(true);

    m_apply->setText(GetLanguageString("Apply", QStringLiteral("Apply"), 64));
    m_delete->setText(GetLanguageString("Delete", QStringLiteral("Delete"), 64));
    m_deleteAll->setText(GetLanguageString("DeleteAll", QStringLiteral("DeleteAll"), 64));
    m_caption->setText(
        GetLanguageString("CurDefaultCali", QStringLiteral("Default Calibrator"), 64));
    // Blue on red, as this label always was, but dark blue on light red so
    // that the name stays readable (contrast above 10:1).
    m_current->setStyleSheet(
        QStringLiteral("QLabel { color: rgb(0, 0, 139); background-color: rgb(255, 200, 200); }"));
    m_current->setMinimumHeight(24);
    m_current->setIndent(4);
    m_current->setTextFormat(Qt::PlainText);

    auto* page = new QWidget;
    auto* okBox = new QDialogButtonBox(QDialogButtonBox::Ok);
    m_ok = okBox->button(QDialogButtonBox::Ok);
    m_ok->setObjectName(QStringLiteral("manualCalibrationOk"));
    auto* pageButtons = new QHBoxLayout;
    pageButtons->addWidget(okBox);
    pageButtons->addStretch(1);
    pageButtons->addWidget(m_steps);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(m_grid, 1);
    pageLayout->addLayout(pageButtons);
    m_tab->addTab(page,
                  GetLanguageString("ManualCalibration", QStringLiteral("Manual Calibration"), 64));
    BuildManualCalibrationGrid();

    // The list takes a third of the height and the manual calibration the
    // rest; the buttons spread over the width in thirds.
    auto* buttons = new QGridLayout;
    buttons->addWidget(m_apply, 0, 0, Qt::AlignLeft);
    buttons->addWidget(m_delete, 0, 1, Qt::AlignLeft);
    buttons->addWidget(m_deleteAll, 0, 2, Qt::AlignLeft);
    for (int column = 0; column < 3; ++column) {
        buttons->setColumnStretch(column, 1);
    }
    auto* current = new QHBoxLayout;
    current->addWidget(m_caption);
    current->addWidget(m_current, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    layout->addLayout(current);
    layout->addWidget(m_cameraNote);
    layout->addWidget(m_tab, 2);

    connect(m_list, &QTableWidget::currentCellChanged, this, [this](int row) { OnRowChosen(row); });
    connect(m_list, &QTableWidget::cellClicked, this, [this](int row) { OnRowChosen(row); });
    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this](int row) {
        OnRowChosen(row);
        OnApply();
    });
    connect(m_apply, &QPushButton::clicked, this, &CCalManageFormView::OnApply);
    connect(m_delete, &QPushButton::clicked, this, &CCalManageFormView::OnDelete);
    connect(m_deleteAll, &QPushButton::clicked, this, &CCalManageFormView::OnDeleteAll);
    connect(m_grid, &CPropertyGrid::propertyChanged, this, &CCalManageFormView::OnPropertyChanged);
    connect(m_ok, &QPushButton::clicked, this, &CCalManageFormView::OnManualCalibration);
    connect(m_steps, &QPushButton::clicked, this, &CCalManageFormView::OnShowSteps);

    LoadCalibrations();
    RestoreDefaultCalibration();
    ShowAppliedName(g_calibration.selectedName);
    FillList();
    m_unitItem->setValue(g_calibration.unit);
    NotifyCalibrationChanged();
}

void CCalManageFormView::BuildManualCalibrationGrid() {
    m_titleItem =
        m_grid->addText(nullptr, GetLanguageString("Name", QStringLiteral("Name"), 64), QString());
    m_titleItem->setDescription(
        GetLanguageString("NameTip", QStringLiteral("Please enter calibration title"), 128));
    m_unitItem = m_grid->addList(nullptr, GetLanguageString("Unit", QStringLiteral("Unit"), 64),
                                 QStringLiteral("mm"), kUnits, false);
    m_unitItem->setItemData(kUnitData);
    m_unitItem->setDescription(GetLanguageString(
        "UnitTip", QStringLiteral("Please select unit:um、mm、cm、nm、mil"), 128));
    m_lengthItem =
        m_grid->addList(nullptr, GetLanguageString("Length", QStringLiteral("Length"), 64),
                        QStringLiteral("1.0"), kLengths, true);
    m_lengthItem->setItemData(kLengthData);
    m_lengthItem->setDescription(GetLanguageString(
        "LengthTip", QStringLiteral("Please enter real length, it must be a number"), 128));
}

void CCalManageFormView::RefreshList() {
    LoadCalibrations();
    FillList();
}

void CCalManageFormView::FillList() {
    const QSignalBlocker quiet(m_list);
    m_list->setRowCount(0);
    const auto& records = g_calibrationStore.records;
    m_list->setRowCount(static_cast<int>(records.size()));
    int chosen = -1;
    for (int row = 0; row < m_list->rowCount(); ++row) {
        const CCalibrationData& record = records[static_cast<std::size_t>(row)];
        m_list->setItem(row, 0, CentredCell(record.name));
        m_list->setItem(row, 1, CentredCell(record.Unit));
        m_list->setItem(row, 2, CentredCell(record.ValueY));
        if (record.camera) {
            const QString madeOn =
                GetLanguageString("CalMadeOn", QStringLiteral("Made on %1 at %2 × %3"), 128)
                    .arg(record.camera->id)
                    .arg(record.camera->width)
                    .arg(record.camera->height);
            for (int column = 0; column < 3; ++column) {
                m_list->item(row, column)->setToolTip(madeOn);
            }
        }
        if (chosen < 0 && !g_calibration.selectedName.isEmpty() &&
            record.name.compare(g_calibration.selectedName, Qt::CaseInsensitive) == 0) {
            chosen = row;
        }
    }
    // The row that Apply and Delete act on is always the one marked.
    if (chosen >= 0) {
        m_list->setCurrentCell(chosen, 0);
    } else {
        m_list->clearSelection();
    }
    emit calibrationsChanged();
}

void CCalManageFormView::ApplyNamed(const QString& name) {
    g_calibration.selectedName = name;
    FillList();
    OnApply();
}

void CCalManageFormView::OnRowChosen(int row) {
    if (row >= 0 && row < m_list->rowCount() && m_list->item(row, 0) != nullptr) {
        g_calibration.selectedName = m_list->item(row, 0)->text();
    }
}

void CCalManageFormView::OnApply() {
    const QString name = g_calibration.selectedName;
    if (name.isEmpty() || !ApplyCalibration(name)) {
        return;
    }
    ShowAppliedName(name);
    WriteDefaultCalibration(name);
    m_unitItem->setValue(g_calibration.unit);
    NotifyCalibrationChanged();
}

void CCalManageFormView::OnDelete() {
    const QString name = g_calibration.selectedName;
    if (name.isEmpty() || !ConfirmDelete()) {
        return;
    }
    RemoveCalibration(name);
    if (!SaveCalibrations()) {
        ShowMessage(GetLanguageString(
            "SaveFailedTip", QStringLiteral("The calibrations could not be saved to data.xml"),
            256));
    } else if (name.compare(m_appliedName, Qt::CaseInsensitive) == 0) {
        ReturnToInitialCalibration();
    }
    RefreshList();
    PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_PROPERTIES);
}

// A deleted calibration must not go on measuring in this run and then be
// silently dropped at the next start: the initial one takes over at once.
void CCalManageFormView::ReturnToInitialCalibration() {
    const CCurrentCalibration initial;
    g_calibration.selectedName.clear();
    g_calibration.unit = initial.unit;
    g_calibration.unitFactor = initial.unitFactor;
    g_calibration.scale = initial.scale;
    g_calibration.referenceLength = initial.referenceLength;
    g_calibration.camera = initial.camera;
    RemoveDefaultCalibration();
    ShowAppliedName(QString());
    m_unitItem->setValue(g_calibration.unit);
    NotifyCalibrationChanged();
    if (CMDIFrameWnd* frame = CMDIFrameWnd::Of(this)) {
        for (CChildFrame* child : frame->childFrames()) {
            child->view().update();
        }
        frame->ShowPrompt(GetLanguageString(
            "CalibrationInUseDeleted",
            QStringLiteral("The calibration in use was deleted: measuring uncalibrated"), 128));
    }
}

bool CCalManageFormView::ConfirmDelete() {
    return ShowMessageBox(
               this, GetLanguageString("DeleteTip", QStringLiteral("Are you sure delete?"), 256),
               QString(), QMessageBox::Yes | QMessageBox::No,
               QMessageBox::Question) == QMessageBox::Yes;
}

void CCalManageFormView::OnDeleteAll() {
    if (g_calibration.selectedName.isEmpty()) {
        return;
    }
    // A whole store of calibrations must not vanish on one stray click.
    if (!ConfirmDelete()) {
        return;
    }
    RemoveCalibration(QString());
    if (SaveCalibrations()) {
        RemoveDefaultCalibration();
        if (!m_appliedName.isEmpty()) {
            ReturnToInitialCalibration();
        }
    } else {
        ShowMessage(GetLanguageString(
            "SaveFailedTip", QStringLiteral("The calibrations could not be saved to data.xml"),
            256));
    }
    RefreshList();
    PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_PROPERTIES);
}

void CCalManageFormView::OnPropertyChanged(CPropertyGridItem* item) {
    if (item == m_unitItem) {
        SwitchCurrentUnit(item->value());
    }
}

void CCalManageFormView::SwitchCurrentUnit(const QString& unit) {
    const double before = g_calibration.unitFactor;
    g_calibration.unit = unit;
    const double after = UnitFactor();
    // The line drawn last is the same line read in the new unit.
    g_calibration.lastLineLength = g_calibration.lastLineLength * after / before;
    NotifyCalibrationChanged();
}

void CCalManageFormView::OnManualCalibration() {
    const QString title = m_titleItem->value().trimmed();
    const QString unit = m_unitItem->value();
    const QString length = m_lengthItem->value().trimmed();
    // The grid shows the unit the ruler is read in; another pane may have
    // switched the current unit since.
    if (UnitFactorOf(unit) && unit.compare(g_calibration.unit, Qt::CaseInsensitive) != 0) {
        SwitchCurrentUnit(unit);
    }
    switch (CalibrateManually(title, unit, length)) {
    case ManualCalibrationResult::Stored:
        UpdateCameraNote();
        RefreshList();
        PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_RESULTS, kKeepList, kWithProperties);
        PostToReceiver(ReceiverRole::ImageView, UM_REPAINT);
        break;
    case ManualCalibrationResult::EmptyField:
        ShowMessage(GetLanguageString("BlackTip", QStringLiteral("Can not be empty"), 256));
        break;
    case ManualCalibrationResult::DuplicateTitle:
        ShowMessage(
            GetLanguageString("ExistTip", QStringLiteral("The calibration title exist"), 256));
        break;
    case ManualCalibrationResult::BadRealLength:
        ShowMessage(GetLanguageString(
            "BadLengthTip", QStringLiteral("The real length must be a number greater than 0"),
            256));
        break;
    case ManualCalibrationResult::NoLine:
        ShowMessage(GetLanguageString(
            "NoLineTip", QStringLiteral("Please draw a distance line over the ruler first"), 256));
        break;
    case ManualCalibrationResult::SaveFailed:
        ShowMessage(GetLanguageString(
            "SaveFailedTip", QStringLiteral("The calibrations could not be saved to data.xml"),
            256));
        break;
    }
}

void CCalManageFormView::OnShowSteps() {
    CStepDlg dialog(this);
    dialog.exec();
}

void CCalManageFormView::ShowAppliedName(const QString& name) {
    m_appliedName = name;
    m_current->setText(name.isEmpty()
                           ? GetLanguageString("Uncalibrated", QStringLiteral("Uncalibrated"), 64)
                           : name);
    emit calibrationsChanged();
}

void CCalManageFormView::ShowMessage(const QString& text) {
    ShowMessageBox(this, text, QString(), QMessageBox::Ok, QMessageBox::Warning);
}

void CCalManageFormView::NotifyCalibrationChanged() {
    UpdateCameraNote();
    PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_PROPERTIES);
    PostToReceiver(ReceiverRole::ImageView, UM_REPAINT);
}

void CCalManageFormView::ShowCameraInUse(const std::optional<CCalibrationCamera>& camera) {
    m_cameraInUse = camera;
    UpdateCameraNote();
}

void CCalManageFormView::UpdateCameraNote() {
    QString note;
    if (m_cameraInUse && g_calibration.camera) {
        note = CameraFitWarning(CheckCurrentCalibrationCamera(*m_cameraInUse),
                                *g_calibration.camera, *m_cameraInUse);
    }
    m_cameraNote->setText(note);
    m_cameraNote->setVisible(!note.isEmpty());
}
