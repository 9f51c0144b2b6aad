#include "app/CSettingDialog.h"

#include "core/Folders.h"
#include "core/ImageFormats.h"
#include "core/Language.h"
#include "core/Parameters.h"
#include "framework/PostedEvents.h"
#include "framework/ui/MessageBox.h"
#include "framework/ui/PropertyGrid.h"
#include "reports/ReportOptions.h"

#include <algorithm>

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr int kLimit = 48;

QString DefaultFolderBrowser(QWidget* parent, const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
}

CSettingDialog::FolderBrowser& FolderBrowserSeam() {
    static CSettingDialog::FolderBrowser browser = DefaultFolderBrowser;
    return browser;
}

QColor ToQColor(std::int32_t color) {
    const auto ref = static_cast<COLORREF>(color);
    return QColor(RedOf(ref), GreenOf(ref), BlueOf(ref));
}

// Shows the current line colour, width and text colour: two uprights joined
// by a crossbar, with a sample label. Coordinates follow the box's client
// rectangle (right and bottom exclusive); integer division as in the labels
// the views draw.
class CSettingPreview : public QWidget {
public:
    explicit CSettingPreview(QWidget* parent)
        : QWidget(parent) {
        setObjectName(QStringLiteral("preview"));
        setFixedHeight(64);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const int left = 0;
        const int top = 0;
        const int right = width();
        const int bottom = height();
        const int middle = (top + bottom) / 2;
        QPen pen(ToQColor(g_parameters.linecolor), std::max(1, g_parameters.linewidth));
        pen.setCapStyle(Qt::RoundCap);
        painter.setPen(pen);
        painter.drawLine(left + 20, top + 20, left + 20, bottom - 20);
        painter.drawLine(left + 20, middle, right - 20, middle);
        painter.drawLine(right - 20, top + 20, right - 20, bottom - 20);

        painter.setPen(ToQColor(g_parameters.textcolor));
        const QPoint corner((left + right) / 2, middle + 10);
        painter.drawText(QRect(corner, QPoint(right, bottom)),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
                         QStringLiteral("0.001mm"));
    }
};

QGroupBox* NewGroup(const QString& title, const char* name, QWidget* parent) {
    auto* group = new QGroupBox(title, parent);
    group->setObjectName(QLatin1String(name));
    return group;
}

QRadioButton* AddRadio(QButtonGroup* buttons, QLayout* layout, const QString& text, int id,
                       const QString& name) {
    auto* radio = new QRadioButton(text);
    radio->setObjectName(name);
    buttons->addButton(radio, id);
    layout->addWidget(radio);
    return radio;
}

} // namespace

void CSettingDialog::SetFolderBrowser(FolderBrowser browser) {
    FolderBrowserSeam() = browser ? std::move(browser) : DefaultFolderBrowser;
}

CSettingDialog::CSettingDialog(QWidget* parent)
    : QDialog(parent)
    , m_grid(new CPropertyGrid(this))
    , m_preview(nullptr)
    , m_decimals(new QButtonGroup(this))
    , m_formats(new QButtonGroup(this))
    , m_pathEdit(new QLineEdit(this))
    , m_scaleBar(new QCheckBox(
          GetLanguageString("ScaleBar", QStringLiteral("Scale bar on pictures"), kLimit), this))
    , m_openedSaveFolder(g_folders.saveFolder) {
    setWindowTitle(GetLanguageString("Setting", QStringLiteral("Setting"), kLimit));
    m_grid->setObjectName(QStringLiteral("propertyGrid"));
    m_grid->setMinimumHeight(270);
    BuildGrid();

    QGroupBox* previewBox = NewGroup(
        GetLanguageString("Preview", QStringLiteral("Preview"), kLimit), "previewBox", this);
    auto* previewLayout = new QVBoxLayout(previewBox);
    previewLayout->setContentsMargins(4, 0, 4, 2);
    m_preview = new CSettingPreview(previewBox);
    previewLayout->addWidget(m_preview);

    QGroupBox* decimalBox = NewGroup(
        GetLanguageString("Decimal", QStringLiteral("Decimal"), kLimit), "decimalBox", this);
    auto* decimalLayout = new QHBoxLayout(decimalBox);
    const char* const samples[] = {"0.01", "0.001", "0.0001", "0.00001", "0.000001"};
    for (int decimals = 2; decimals <= 6; ++decimals) {
        AddRadio(m_decimals, decimalLayout, QLatin1String(samples[decimals - 2]), decimals,
                 QString::asprintf("decimal%d", decimals));
    }
    decimalLayout->addStretch();
    m_scaleBar->setObjectName(QStringLiteral("scaleBar"));

    QGroupBox* formatBox = NewGroup(
        GetLanguageString("Format", QStringLiteral("Image Format"), kLimit), "formatBox", this);
    auto* formatLayout = new QHBoxLayout(formatBox);
    for (const SnapshotFormatRow& row : SnapshotFormatTable()) {
        // "formatBmp", "formatJpg", "formatTiff", "formatPng"
        const QString label = QLatin1String(row.label);
        AddRadio(m_formats, formatLayout, label, row.setting,
                 QStringLiteral("format") + label.left(1) + label.mid(1).toLower());
    }
    formatLayout->addStretch();

    QGroupBox* pathBox = NewGroup(
        GetLanguageString("SavePath", QStringLiteral("Save Path"), kLimit), "pathBox", this);
    auto* pathLayout = new QHBoxLayout(pathBox);
    m_pathEdit->setObjectName(QStringLiteral("savePath"));
    m_pathEdit->setReadOnly(true);
    m_pathEdit->setText(g_folders.saveFolder);
    auto* browse = new QPushButton(QStringLiteral("*"), pathBox);
    browse->setObjectName(QStringLiteral("chooseFolder"));
    browse->setAutoDefault(false);
    browse->setFixedWidth(browse->fontMetrics().horizontalAdvance(u'*') + 32);
    pathLayout->addWidget(m_pathEdit, 1);
    pathLayout->addWidget(browse);

    auto* reset =
        new QPushButton(GetLanguageString("Default", QStringLiteral("Default"), kLimit), this);
    reset->setObjectName(QStringLiteral("defaultButton"));
    reset->setAutoDefault(false);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(reset);
    buttonRow->addStretch();
    buttonRow->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_grid, 1);
    layout->addWidget(previewBox);
    layout->addWidget(decimalBox);
    layout->addWidget(m_scaleBar);
    layout->addWidget(formatBox);
    layout->addWidget(pathBox);
    // Off by default: the reports then stay as they always were.
    m_reportSummary = new QCheckBox(
        GetLanguageString("ReportStatistics", QStringLiteral("Add statistics to reports"), kLimit),
        this);
    m_reportSummary->setObjectName(QStringLiteral("reportSummary"));
    m_reportSummary->setChecked(ReportSummaryWanted());
    layout->addWidget(m_reportSummary);
    layout->addLayout(buttonRow);
    resize(560, sizeHint().height());

    ShowCurrentSettings();

    connect(m_grid, &CPropertyGrid::propertyChanged, this, &CSettingDialog::OnPropertyChanged);
    connect(m_decimals, &QButtonGroup::idClicked, this,
            [](int decimals) { g_parameters.measuredecimal = decimals; });
    connect(m_formats, &QButtonGroup::idClicked, this,
            [](int format) { g_parameters.imageformat = format; });
    connect(m_scaleBar, &QCheckBox::toggled, this,
            [](bool on) { g_parameters.scalebar = on ? 1 : 0; });
    connect(browse, &QPushButton::clicked, this, &CSettingDialog::ChooseFolder);
    connect(reset, &QPushButton::clicked, this, &CSettingDialog::ResetParameters);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSettingDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CSettingDialog::reject);
}

// The grid's values come from ShowCurrentSettings, so that the dialog opens
// with the style in force and a user can keep it.
void CSettingDialog::BuildGrid() {
    const COLORREF buttonFace = MakeColorref(palette().color(QPalette::Button).red(),
                                             palette().color(QPalette::Button).green(),
                                             palette().color(QPalette::Button).blue());
    const QString automatic = GetLanguageString("Default", QStringLiteral("Default"), kLimit);

    const QString lineColor = GetLanguageString("ToolColor", QStringLiteral("Tool Color"), kLimit);
    CPropertyGridItem* item = m_grid->addColor(m_grid->addGroup(lineColor), lineColor, 0);
    item->setItemData(kLineColorItem);
    item->setAutomaticColor(buttonFace, automatic);

    const QString textColor = GetLanguageString("TextColor", QStringLiteral("Text Color"), kLimit);
    item = m_grid->addColor(m_grid->addGroup(textColor), textColor, 0);
    item->setItemData(kTextColorItem);
    item->setAutomaticColor(buttonFace, automatic);

    QStringList widths;
    for (int width = 1; width <= 5; ++width) {
        widths << QString::asprintf("%d", width);
    }
    const QString lineWidth = GetLanguageString("LineWidth", QStringLiteral("Line Width"), kLimit);
    item = m_grid->addList(m_grid->addGroup(lineWidth), lineWidth, QString(), widths, false);
    item->setItemData(kLineWidthItem);
    item->setDescription(GetLanguageString(
        "LineWidthTip", QStringLiteral("Select Line Width:“1”、“2”、“3”、“4”、“5”"), 128));

    QStringList sizes;
    for (int size = 1; size <= 71; ++size) {
        sizes << QString::asprintf("%d", size);
    }
    const QString fontSize = GetLanguageString("FontSize", QStringLiteral("Font Size"), kLimit);
    item = m_grid->addList(m_grid->addGroup(fontSize), fontSize, QString(), sizes, false);
    item->setItemData(kTextSizeItem);
    item->setDescription(GetLanguageString(
        "FontSizeTip", QStringLiteral("Select Font Size: from “1” to “71”"), 128));
}

void CSettingDialog::ShowCurrentSettings() {
    m_grid->findItem(kLineColorItem)->setColor(static_cast<COLORREF>(g_parameters.linecolor));
    m_grid->findItem(kTextColorItem)->setColor(static_cast<COLORREF>(g_parameters.textcolor));
    m_grid->findItem(kLineWidthItem)->setValue(QString::asprintf("%d", g_parameters.linewidth));
    m_grid->findItem(kTextSizeItem)->setValue(QString::asprintf("%d", g_parameters.textsize));
    if (QAbstractButton* format =
            m_formats->button(SnapshotFormatOf(g_parameters.imageformat).setting)) {
        format->setChecked(true);
    }
    if (QAbstractButton* decimals = m_decimals->button(g_parameters.measuredecimal)) {
        decimals->setChecked(true);
    }
    m_scaleBar->setChecked(g_parameters.scalebar != 0);
    m_preview->update();
}

void CSettingDialog::OnPropertyChanged(CPropertyGridItem* item) {
    switch (item->itemData()) {
    case kLineColorItem:
        g_parameters.linecolor = static_cast<std::int32_t>(item->color());
        break;
    case kTextColorItem:
        g_parameters.textcolor = static_cast<std::int32_t>(item->color());
        break;
    case kLineWidthItem:
        g_parameters.linewidth = item->value().toInt();
        break;
    case kTextSizeItem:
        g_parameters.textsize = item->value().toInt();
        break;
    default:
        return;
    }
    m_preview->update();
}

// A cancelled browser changes nothing; a folder that cannot be recorded is
// refused with a message, keeping the previous save folder whole.
void CSettingDialog::ChooseFolder() {
    const QString chosen = FolderBrowserSeam()(
        this, GetLanguageString("SelectFolder", QStringLiteral("Please select folder"), kLimit),
        g_folders.saveFolder);
    if (chosen.isEmpty()) {
        return;
    }
    if (!ChooseSaveFolder(chosen)) {
        ShowMessageBox(
            this,
            GetLanguageString("SaveFolderFailed",
                              QStringLiteral("This folder can not be used to save pictures"), 128),
            GetLanguageString("Systemprompt", QStringLiteral("System prompt"), kLimit));
        return;
    }
    m_pathEdit->setText(g_folders.saveFolder);
}

void CSettingDialog::ResetParameters() {
    QFile::remove(g_folders.programFolder + QStringLiteral("/CapConfig.dat"));
    ApplyResetValues(g_parameters);
    SaveParameters();
    ShowCurrentSettings();
    ShowMessageBox(
        this,
        GetLanguageString("Promptcontent", QStringLiteral("Please restart the program"), kLimit),
        GetLanguageString("Systemprompt", QStringLiteral("System prompt"), kLimit));
}

void CSettingDialog::accept() {
    SaveParameters();
    SetReportSummaryWanted(m_reportSummary->isChecked());
    if (g_folders.saveFolder != m_openedSaveFolder) {
        PostToReceiver(ReceiverRole::ThumbnailList, UM_RELOAD_THUMBNAILS, 0, 0);
    }
    QDialog::accept();
}
