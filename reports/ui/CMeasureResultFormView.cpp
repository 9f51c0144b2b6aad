#include "reports/ui/CMeasureResultFormView.h"

#include "calibration/Calibration.h"
#include "calibration/CalibrationFiles.h"
#include "camera/LiveOverlay.h"
#include "camera/VideoShape.h"
#include "core/Language.h"
#include "framework/ui/MessageBox.h"
#include "framework/ui/PropertyGrid.h"
#include "reports/ActiveImage.h"
#include "reports/ResultStatistics.h"
#include "shapes/Shape.h"
#include "shapes/ShapeList.h"

#include <algorithm>

#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kCalibratorData = 105;
constexpr int kUnitData = 106;
constexpr int kRemoveOne = 10;
constexpr int kWithProperties = 2;
constexpr int kKeepList = 2;
constexpr int kIdentityRole = Qt::UserRole;

const QStringList kUnits = {QStringLiteral("nm"), QStringLiteral("um"), QStringLiteral("mm"),
                            QStringLiteral("cm"), QStringLiteral("mil")};

// The measurement at a position of the still (0) or live (1) list, or null.
// Tree items keep it to tell measurements apart when the list changes.
const void* ListedAt(int source, std::size_t position) {
    if (source == 1) {
        return position < g_liveShapes.shapes.size() ? g_liveShapes.shapes[position].get()
                                                     : nullptr;
    }
    return position < g_resultsList.shapes.size() ? g_resultsList.shapes[position] : nullptr;
}

const void* IdentityOf(const QTreeWidgetItem* root) {
    return reinterpret_cast<const void*>(root->data(0, kIdentityRole).value<quintptr>());
}

// Sets a flag for the lifetime of the guard.
class CFlagGuard {
public:
    explicit CFlagGuard(bool& flag)
        : m_flag(flag) {
        m_flag = true;
    }
    ~CFlagGuard() { m_flag = false; }
    CFlagGuard(const CFlagGuard&) = delete;
    CFlagGuard& operator=(const CFlagGuard&) = delete;

private:
    bool& m_flag;
};

} // namespace

CMeasureResultFormView::CMeasureResultFormView(QWidget* parent)
    : QWidget(parent)
    , m_propertyGroup(new QGroupBox(this))
    , m_grid(new CPropertyGrid(m_propertyGroup))
    , m_resultGroup(new QGroupBox(this))
    , m_tree(new QTreeWidget(m_resultGroup))
    , m_delete(new QPushButton(m_resultGroup))
    , m_deleteAll(new QPushButton(m_resultGroup))
    , m_statisticsGroup(new QGroupBox(this))
    , m_statistics(new QTreeWidget(m_statisticsGroup)) {
    setObjectName(QStringLiteral("CMeasureResultFormView"));
    m_propertyGroup->setObjectName(QStringLiteral("documentPropertyGroup"));
    m_grid->setObjectName(QStringLiteral("documentProperties"));
    m_resultGroup->setObjectName(QStringLiteral("measureResultGroup"));
    m_tree->setObjectName(QStringLiteral("measureResults"));
    m_delete->setObjectName(QStringLiteral("deleteResult"));
    m_deleteAll->setObjectName(QStringLiteral("deleteAllResults"));
    m_statisticsGroup->setObjectName(QStringLiteral("measureStatisticsGroup"));
    m_statistics->setObjectName(QStringLiteral("measureStatistics"));
    m_statisticsGroup->setTitle(GetLanguageString("Statistics", QStringLiteral("Statistics"), 64));
    // The pane is narrow: the numbers take the room they need, the name the
    // rest (elided, whole in its tooltip), so nothing scrolls sideways.
    const QStringList header = CompactStatisticsHeader();
    const QStringList fullHeader = StatisticsHeader();
    m_statistics->setColumnCount(static_cast<int>(header.size()));
    m_statistics->setHeaderLabels(header);
    for (int column = 1; column < header.size(); ++column) {
        m_statistics->headerItem()->setToolTip(column, fullHeader.value(column + 1));
        m_statistics->headerItem()->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    }
    m_statistics->header()->setStretchLastSection(false);
    m_statistics->header()->setMinimumSectionSize(m_statistics->fontMetrics().averageCharWidth() *
                                                  3);
    m_statistics->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < header.size(); ++column) {
        m_statistics->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    m_statistics->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_statistics->setTextElideMode(Qt::ElideMiddle);
    m_statistics->setRootIsDecorated(false);
    m_statistics->setEditTriggers(QAbstractItemView::NoEditTriggers);

    m_propertyGroup->setTitle(
        GetLanguageString("DocumentProperty", QStringLiteral("Document Property"), 64));
    m_resultGroup->setTitle(
        GetLanguageString("MeasureResult", QStringLiteral("Measure Result"), 64));
    m_delete->setText(GetLanguageString("Delete", QStringLiteral("Delete"), 64));
    m_deleteAll->setText(GetLanguageString("DeleteAll", QStringLiteral("Delete All"), 64));

    // No document property has a description: its box would only take the
    // room the four rows need.
    if (auto* description = m_grid->findChild<QLabel*>(QStringLiteral("propertyDescription"))) {
        description->hide();
    }
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setRootIsDecorated(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);

    // The properties take a quarter of the height, the measurements most of
    // the rest.
    auto* propertyLayout = new QVBoxLayout(m_propertyGroup);
    propertyLayout->setContentsMargins(9, 6, 4, 6);
    propertyLayout->addWidget(m_grid);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_delete);
    buttons->addWidget(m_deleteAll);
    buttons->addStretch(1);
    auto* resultLayout = new QVBoxLayout(m_resultGroup);
    resultLayout->setContentsMargins(9, 6, 9, 6);
    resultLayout->addWidget(m_tree, 1);
    resultLayout->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(14);
    auto* statisticsLayout = new QVBoxLayout(m_statisticsGroup);
    statisticsLayout->setContentsMargins(9, 6, 9, 6);
    statisticsLayout->addWidget(m_statistics);
    layout->addWidget(m_propertyGroup, 2);
    layout->addWidget(m_resultGroup, 5);
    layout->addWidget(m_statisticsGroup, 1);

    connect(m_grid, &CPropertyGrid::propertyChanged, this,
            &CMeasureResultFormView::OnPropertyChanged);
    connect(m_delete, &QPushButton::clicked, this, &CMeasureResultFormView::OnDelete);
    m_tree->installEventFilter(this);
    connect(m_deleteAll, &QPushButton::clicked, this, &CMeasureResultFormView::OnDeleteAll);

    RebuildProperties();
    m_registration.Register(ReceiverRole::ResultsView, this);
    g_shapeNotifications.refreshResults = [this] {
        QueueStillRefresh();
    };
}

CMeasureResultFormView::~CMeasureResultFormView() {
    g_shapeNotifications.refreshResults = nullptr;
}

bool CMeasureResultFormView::event(QEvent* event) {
    if (event->type() == CPostedEvent::Type()) {
        const auto* posted = static_cast<const CPostedEvent*>(event);
        if (posted->message() == UM_REFRESH_RESULTS) {
            OnRefreshResults(posted->wParam(), posted->lParam());
            return true;
        }
        if (posted->message() == UM_REFRESH_PROPERTIES) {
            RebuildProperties();
            update();
            return true;
        }
    }
    return QWidget::event(event);
}

void CMeasureResultFormView::OnRefreshResults(std::intptr_t wParam, std::intptr_t lParam) {
    if (lParam == kWithProperties) {
        RebuildProperties();
    }
    if (wParam != kKeepList) {
        Relist(wParam == 1 ? 1 : 0);
    }
}

void CMeasureResultFormView::RebuildProperties() {
    m_grid->removeAll();
    LoadCalibrations();
    QStringList names;
    for (const CCalibrationData& record : g_calibrationStore.records) {
        names.append(record.name);
    }
    const QString calibrator =
        g_calibration.selectedName.isEmpty()
            ? GetLanguageString("Uncalibrated", QStringLiteral("Uncalibrated"), 64)
            : g_calibration.selectedName;

    // Nothing acts on a changed picture size, so it is shown, not edited.
    m_grid
        ->addText(nullptr, GetLanguageString("IMAGEWidth", QStringLiteral("Image width"), 64),
                  QString::asprintf("%u", g_activeImage.width))
        ->setAllowEdit(false);
    m_grid
        ->addText(nullptr, GetLanguageString("IMAGEHeight", QStringLiteral("Image height"), 64),
                  QString::asprintf("%u", g_activeImage.height))
        ->setAllowEdit(false);
    m_grid
        ->addList(nullptr, GetLanguageString("Calibrator", QStringLiteral("Calibrator"), 64),
                  calibrator, names, false)
        ->setItemData(kCalibratorData);
    m_grid
        ->addList(nullptr, GetLanguageString("Unit", QStringLiteral("Unit"), 64),
                  g_calibration.unit, kUnits, false)
        ->setItemData(kUnitData);
    Relist(m_source);
}

void CMeasureResultFormView::Relist(int source) {
    emit relisted();
    const CResultFormat format = CurrentResultFormat();
    const std::vector<CResultValues> listed = source == 1
                                                  ? LiveResultValues(g_liveShapes.shapes, format)
                                                  : StillResultValues(g_resultsList.shapes, format);
    ShowStatistics(listed, format);
    std::vector<CResultEntry> rows = ResultRowsOf(listed, format);
    std::vector<const void*> items;
    for (const CResultEntry& entry : rows) {
        items.push_back(ListedAt(source, entry.position));
    }
    // Shapes report changes on every repaint; an unchanged list keeps its
    // selection and scroll position.
    if (source == m_source && rows == m_listed && items == m_listedItems) {
        return;
    }
    m_source = source;
    // The same measurement stays selected if it is still listed.
    QTreeWidgetItem* selected = m_tree->selectedItems().value(0);
    const void* selectedItem = nullptr;
    int selectedChild = -1;
    if (selected != nullptr) {
        QTreeWidgetItem* root = selected->parent() != nullptr ? selected->parent() : selected;
        selectedItem = IdentityOf(root);
        selectedChild = root->indexOfChild(selected);
    }
    const int scroll = m_tree->verticalScrollBar()->value();

    m_tree->clear();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        auto* root = new QTreeWidgetItem(m_tree, QStringList{rows[i].title});
        root->setData(0, kIdentityRole, QVariant::fromValue(reinterpret_cast<quintptr>(items[i])));
        for (const QString& value : rows[i].values) {
            new QTreeWidgetItem(root, QStringList{value});
        }
        root->setExpanded(true);
        if (selectedItem != nullptr && items[i] == selectedItem) {
            QTreeWidgetItem* again = selectedChild >= 0 ? root->child(selectedChild) : root;
            if (again != nullptr) {
                m_tree->setCurrentItem(again);
            }
        }
    }
    m_tree->verticalScrollBar()->setValue(scroll);
    m_listed = std::move(rows);
    m_listedItems = std::move(items);
}

void CMeasureResultFormView::ShowStatistics(const std::vector<CResultValues>& listed,
                                            const CResultFormat& format) {
    std::vector<QStringList> rows;
    for (const CResultStatistic& statistic : ResultStatistics(listed)) {
        rows.push_back(CompactStatisticsRow(statistic, format));
    }
    bool same = static_cast<int>(rows.size()) == m_statistics->topLevelItemCount();
    for (int i = 0; same && i < m_statistics->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_statistics->topLevelItem(i);
        for (int column = 0; same && column < rows[i].size(); ++column) {
            same = item->text(column) == rows[i][column];
        }
    }
    if (same) {
        return;
    }
    m_statistics->clear();
    for (const QStringList& row : rows) {
        auto* item = new QTreeWidgetItem(m_statistics, row);
        item->setToolTip(0, row.front());
        for (int column = 1; column < row.size(); ++column) {
            item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
        }
    }
}

void CMeasureResultFormView::OnPropertyChanged(CPropertyGridItem* item) {
    if (item->itemData() == kCalibratorData) {
        // The manager's choice and defaultcalibration.txt stay as they are.
        if (!ApplyCalibration(item->value())) {
            // Not applicable (gone, or no usable scale): show what is in effect.
            PostToSelf(UM_REFRESH_PROPERTIES);
            return;
        }
        if (CPropertyGridItem* unit = m_grid->findItem(kUnitData)) {
            unit->setValue(g_calibration.unit);
        }
    } else if (item->itemData() == kUnitData) {
        g_calibration.unit = item->value();
        UnitFactor();
    } else {
        return;
    }
    PostToSelf(UM_REFRESH_RESULTS, m_source, 0);
    PostToReceiver(ReceiverRole::ImageView, UM_REPAINT);
}

void CMeasureResultFormView::OnDelete() {
    const QTreeWidgetItem* item = m_tree->selectedItems().value(0);
    if (item == nullptr || item->childCount() == 0) {
        return;
    }
    DeleteMeasurement(item);
}

// A user who pressed Delete on one of a measurement's values means the
// measurement; the button keeps to title rows.
bool CMeasureResultFormView::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_tree || event->type() != QEvent::KeyPress ||
        static_cast<QKeyEvent*>(event)->key() != Qt::Key_Delete) {
        return QWidget::eventFilter(watched, event);
    }
    const QTreeWidgetItem* item = m_tree->selectedItems().value(0);
    while (item != nullptr && item->parent() != nullptr) {
        item = item->parent();
    }
    if (item != nullptr) {
        DeleteMeasurement(item);
    }
    return true;
}

void CMeasureResultFormView::DeleteMeasurement(const QTreeWidgetItem* item) {
    // The measurement itself is remembered: the list may change while the
    // question is open.
    const void* chosen = IdentityOf(item);
    const int source = m_source;
    const QMessageBox::StandardButton answer = ShowMessageBox(
        this, GetLanguageString("DeleteTip", QStringLiteral("Are you sure delete?"), 256),
        QString(), QMessageBox::Yes | QMessageBox::No, QMessageBox::Question);
    if (answer == QMessageBox::Yes && chosen != nullptr) {
        if (source == 0) {
            auto& shapes = g_resultsList.shapes;
            const auto it = std::find(shapes.begin(), shapes.end(), chosen);
            if (it != shapes.end()) {
                const auto now = static_cast<std::intptr_t>(it - shapes.begin());
                shapes.erase(it);
                PostToReceiver(ReceiverRole::ImageView, UM_REMOVE_SHAPES, kRemoveOne, now);
            }
        } else {
            auto& shapes = g_liveShapes.shapes;
            const auto it = std::find_if(shapes.begin(), shapes.end(), [chosen](const auto& shape) {
                return shape.get() == chosen;
            });
            if (it != shapes.end()) {
                shapes.erase(it);
                // The frame pipeline draws the published copy, not the list.
                PublishLiveShapes();
            }
        }
    }
    PostToSelf(UM_REFRESH_RESULTS, m_source, 0);
}

void CMeasureResultFormView::OnDeleteAll() {
    if (m_deletingAll || m_tree->topLevelItemCount() == 0) {
        return;
    }
    const CFlagGuard running(m_deletingAll);
    // Every measurement of the picture goes at once: ask first.
    if (ShowMessageBox(this,
                       GetLanguageString("DeleteTip", QStringLiteral("Are you sure delete?"), 256),
                       QString(), QMessageBox::Yes | QMessageBox::No,
                       QMessageBox::Question) != QMessageBox::Yes) {
        return;
    }
    if (m_source == 0) {
        if (!g_resultsList.shapes.empty()) {
            g_resultsList.shapes.clear();
            PostToReceiver(ReceiverRole::ImageView, UM_REMOVE_SHAPES, 0, 0);
        }
    } else {
        g_liveShapes.shapes.clear();
        PublishLiveShapes();
    }
    m_tree->clear();
    m_listed.clear();
    m_listedItems.clear();
}

void CMeasureResultFormView::QueueStillRefresh() {
    if (m_refreshQueued) {
        return;
    }
    m_refreshQueued = true;
    // Posted from the next turn, so every call of this turn shares one post.
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_refreshQueued = false;
            PostToSelf(UM_REFRESH_RESULTS, 0, 0);
        },
        Qt::QueuedConnection);
}

void CMeasureResultFormView::PostToSelf(int message, std::intptr_t wParam, std::intptr_t lParam) {
    QCoreApplication::postEvent(this, new CPostedEvent(message, wParam, lParam));
}
