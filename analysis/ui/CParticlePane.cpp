#include "analysis/ui/CParticlePane.h"

#include "analysis/particles/ParticleCsv.h"
#include "analysis/particles/ParticleShape.h"
#include "analysis/particles/ParticleStats.h"
#include "analysis/ui/ParticleSelection.h"
#include "calibration/Calibration.h"
#include "core/Language.h"
#include "core/Parameters.h"
#include "framework/PostedEvents.h"
#include "framework/QImageDrawContext.h"
#include "framework/ui/DialogButtons.h"
#include "framework/ui/FileDialog.h"
#include "framework/ui/MessageBox.h"
#include "reports/ParticleResults.h"
#include "shapes/ShapeList.h"

#include <algorithm>

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr std::intptr_t kRemoveOne = 10;
constexpr int kDefaultBins = 10;
constexpr int kMaxBins = 100;

QString Text(const char* key, const char* english) {
    return GetLanguageString(QString::fromLatin1(key), QString::fromUtf8(english), 128);
}

QString Number(double value, int decimals) {
    return QString::asprintf("%.*f", decimals, value);
}

QStringList QuantityNames() {
    QStringList names;
    for (int q = 0; q < kParticleQuantityCount; ++q) {
        names << ParticleQuantityName(static_cast<ParticleQuantity>(q));
    }
    return names;
}

QString UnitOf(int quantity, const QString& unit) {
    return ParticleQuantityUnit(static_cast<ParticleQuantity>(quantity), unit.toStdString());
}

QString Titled(const QString& name, const QString& unit) {
    return unit.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, unit);
}

QTableWidget* Table(const char* name, QWidget* parent) {
    auto* table = new QTableWidget(parent);
    table->setObjectName(QString::fromLatin1(name));
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->setVisible(false);
    return table;
}

void SetRow(QTableWidget* table, int row, const QStringList& cells) {
    for (int column = 0; column < cells.size(); ++column) {
        table->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
}

} // namespace

CParticleHistogram::CParticleHistogram(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("particleHistogram"));
    setMinimumHeight(140);
}

void CParticleHistogram::Show(const CParticleResult& result, int quantity, int bins) {
    m_quantity = quantity;
    m_unit = result.unit;
    m_counts = result.particles.empty()
                   ? std::vector<int>{}
                   : ParticleHistogram(result, static_cast<ParticleQuantity>(quantity), bins, m_low,
                                       m_high);
    update();
}

QImage CParticleHistogram::Picture() const {
    QImage picture(size(), QImage::Format_RGB32);
    picture.fill(Qt::white);
    if (!m_counts.empty()) {
        CQImageDrawContext dc(picture);
        DrawParticleHistogram(dc, m_counts, m_low, m_high,
                              static_cast<ParticleQuantity>(m_quantity), m_unit, 0, 0,
                              picture.width(), picture.height());
    }
    return picture;
}

void CParticleHistogram::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, Picture());
}

CParticlePane::CParticlePane(QWidget* parent)
    : QWidget(parent)
    , m_table(Table("particleTable", this))
    , m_summary(Table("particleSummary", this))
    , m_totals(new QLabel(this))
    , m_quantity(new QComboBox(this))
    , m_bins(new QSpinBox(this))
    , m_histogram(new CParticleHistogram(this))
    , m_delete(MakeDialogButton("deleteParticle", Text("Delete", "Delete"), this))
    , m_export(MakeDialogButton("exportParticles", Text("ExportCsv", "Export to CSV"), this)) {
    setObjectName(QStringLiteral("ParticlePane"));
    m_totals->setObjectName(QStringLiteral("particleTotals"));
    m_quantity->setObjectName(QStringLiteral("histogramQuantity"));
    m_quantity->addItems(QuantityNames());
    m_bins->setObjectName(QStringLiteral("histogramBins"));
    m_bins->setRange(1, kMaxBins);
    m_bins->setValue(kDefaultBins);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_delete);
    buttons->addWidget(m_export);
    buttons->addStretch();
    auto* histogramRow = new QHBoxLayout;
    histogramRow->addWidget(m_quantity, 1);
    histogramRow->addWidget(new QLabel(Text("HistogramBins", "Bins"), this));
    histogramRow->addWidget(m_bins);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 3);
    layout->addLayout(buttons);
    layout->addWidget(m_totals);
    layout->addWidget(m_summary, 2);
    layout->addLayout(histogramRow);
    layout->addWidget(m_histogram, 2);

    connect(m_table, &QTableWidget::itemSelectionChanged, this, &CParticlePane::OnRowPicked);
    connect(&ParticleSelection(), &CParticleSelection::changed, this,
            &CParticlePane::OnSelectionChanged);
    connect(m_quantity, &QComboBox::currentIndexChanged, this, &CParticlePane::ShowHistogram);
    connect(m_bins, &QSpinBox::valueChanged, this, &CParticlePane::ShowHistogram);
    connect(m_delete, &QPushButton::clicked, this, &CParticlePane::OnDelete);
    connect(m_export, &QPushButton::clicked, this, &CParticlePane::OnExportCsv);
    Rebuild();
}

void CParticlePane::Refresh() {
    std::vector<const CShape*> shapes;
    for (const CParticleShape* particle : ParticleShapesOf(g_resultsList.shapes)) {
        shapes.push_back(particle);
    }
    const double scale = CurrentConversion().Length(1.0);
    if (shapes == m_shapes && m_shownUnit == g_calibration.unit && m_shownScale == scale &&
        m_shownDecimals == g_parameters.measuredecimal) {
        return;
    }
    m_shapes = std::move(shapes);
    m_shownUnit = g_calibration.unit;
    m_shownScale = scale;
    m_shownDecimals = g_parameters.measuredecimal;
    Rebuild();
}

void CParticlePane::Rebuild() {
    m_result = ParticleResultOf(g_resultsList.shapes, CurrentConversion(),
                                g_calibration.unit.toStdString());
    const int decimals = g_parameters.measuredecimal;
    const QString unit = g_calibration.unit;
    const QStringList names = QuantityNames();

    const QSignalBlocker quiet(m_table);
    m_table->clear();
    m_table->setColumnCount(13);
    m_table->setHorizontalHeaderLabels(ParticleTableTitles(unit.toStdString()));
    m_table->setRowCount(static_cast<int>(m_result.particles.size()));
    for (int row = 0; row < m_table->rowCount(); ++row) {
        SetRow(m_table, row,
               ParticleTableRow(m_result.particles[static_cast<std::size_t>(row)], decimals));
    }

    const CParticleSummary summary = SummariseParticles(m_result);
    m_totals->setText(QStringLiteral("%1 %2    %3 %4 %")
                          .arg(Text("ParticleCount", "Count:"),
                               QString::asprintf("%d", summary.count),
                               Text("AreaFraction", "Area fraction:"),
                               Number(100.0 * m_result.areaFraction, decimals)));
    m_summary->clear();
    m_summary->setColumnCount(5);
    m_summary->setHorizontalHeaderLabels(
        {QString(), Text("StatMean", "Mean"), Text("StatDeviationShort", "SD"),
         Text("StatMinimumShort", "Min"), Text("StatMaximumShort", "Max")});
    m_summary->setRowCount(kParticleQuantityCount);
    for (int q = 0; q < kParticleQuantityCount; ++q) {
        const CQuantityStats& stats = summary.stats[static_cast<std::size_t>(q)];
        SetRow(m_summary, q,
               {Titled(names[q], UnitOf(q, unit)), Number(stats.mean, decimals),
                Number(stats.sd, decimals), Number(stats.min, decimals),
                Number(stats.max, decimals)});
    }
    m_delete->setEnabled(!m_result.particles.empty());
    m_export->setEnabled(!m_result.particles.empty());
    ShowHistogram();
    OnSelectionChanged(ParticleSelection().Selected());
}

void CParticlePane::ShowHistogram() {
    m_histogram->Show(m_result, m_quantity->currentIndex(), m_bins->value());
}

void CParticlePane::OnRowPicked() {
    const QList<QTableWidgetItem*> picked = m_table->selectedItems();
    const int row = picked.isEmpty() ? -1 : picked.front()->row();
    ParticleSelection().Select(row >= 0 && row < static_cast<int>(m_shapes.size())
                                   ? m_shapes[static_cast<std::size_t>(row)]
                                   : nullptr);
}

void CParticlePane::OnSelectionChanged(const CShape* selected) {
    const auto it = std::find(m_shapes.begin(), m_shapes.end(), selected);
    const QSignalBlocker quiet(m_table);
    if (selected == nullptr || it == m_shapes.end()) {
        m_table->clearSelection();
        return;
    }
    const int row = static_cast<int>(it - m_shapes.begin());
    m_table->selectRow(row);
    m_table->scrollToItem(m_table->item(row, 0));
}

void CParticlePane::OnDelete() {
    const CShape* chosen = ParticleSelection().Selected();
    if (chosen == nullptr ||
        std::find(m_shapes.begin(), m_shapes.end(), chosen) == m_shapes.end()) {
        return;
    }
    if (ShowMessageBox(this, Text("DeleteTip", "Are you sure delete?"), QString(),
                       QMessageBox::Yes | QMessageBox::No,
                       QMessageBox::Question) != QMessageBox::Yes) {
        return;
    }
    auto& shapes = g_resultsList.shapes;
    const auto it = std::find(shapes.begin(), shapes.end(), chosen);
    if (it == shapes.end()) {
        return;
    }
    const auto position = static_cast<std::intptr_t>(it - shapes.begin());
    shapes.erase(it);
    ParticleSelection().Select(nullptr);
    PostToReceiver(ReceiverRole::ImageView, UM_REMOVE_SHAPES, kRemoveOne, position);
}

void CParticlePane::OnExportCsv() {
    FileDialogRequest request;
    request.mode = FileDialogRequest::Mode::Save;
    request.title = Text("ExportCsv", "Export to CSV");
    request.filters = {QStringLiteral("CSV Files (*.csv)")};
    request.defaultSuffix = QStringLiteral("csv");
    const std::optional<FileDialogAnswer> answer = RunFileDialog(this, request);
    if (answer && !WriteParticleCsv(answer->path, m_result)) {
        ShowMessageBox(this, QStringLiteral("ERROR\n%1").arg(answer->path), QString(),
                       QMessageBox::Ok, QMessageBox::Warning);
    }
}

CParticlePaneWnd::CParticlePaneWnd(const QString& title, QWidget* parent)
    : QDockWidget(title, parent)
    , m_view(new CParticlePane(this)) {
    setObjectName(QStringLiteral("ParticlePaneWnd"));
    setWidget(m_view);
}
