#pragma once

#include "framework/PostedEvents.h"
#include "reports/ResultRows.h"

#include <vector>

#include <QWidget>

class CPropertyGrid;
class CPropertyGridItem;
class QGroupBox;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The form inside the measure results pane. Above, "Document Property": the
// active picture's size (g_activeImage), the calibrator and the unit, both of
// which the user may switch. Below, "Measure Result": one node per
// measurement of the still picture (g_resultsList) or of the live picture
// (g_liveShapes) with its values in the current calibration, and Delete and
// Delete all; under it, "Statistics": per kind and quantity the count, mean,
// standard deviation, minimum and maximum of the measurements listed, in the
// same unit and decimals, following every change of the list. GUI thread
// only.
//
// It holds the results view role and handles:
// - UM_REFRESH_RESULTS: wParam 0 lists the still picture's measurements, 1
//   the live picture's, 2 keeps the list shown; lParam 2 rebuilds the
//   document properties first;
// - UM_REFRESH_PROPERTIES: rebuilds the document properties.
// Whenever the properties are rebuilt the list shown is relisted too, so its
// values never disagree with the calibration shown above it. Calls of
// g_shapeNotifications.refreshResults made in one event-loop turn post one
// UM_REFRESH_RESULTS (still list). Deleting posts UM_REMOVE_SHAPES to the
// image view (wParam 10 with the position, or 0 for all); switching the
// calibrator or the unit posts UM_REPAINT to it. The Delete key in the list
// deletes the measurement of the selected row, title or value row alike.
class CMeasureResultFormView : public QWidget {
    Q_OBJECT
public:
    explicit CMeasureResultFormView(QWidget* parent = nullptr);
    ~CMeasureResultFormView() override;

    // 0 while the still picture's measurements are listed, 1 the live ones.
    int source() const { return m_source; }

signals:
    // The list was looked at again (it may be unchanged): panes that show
    // other views of the same measurements follow it.
    void relisted();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnRefreshResults(std::intptr_t wParam, std::intptr_t lParam);
    void RebuildProperties();
    void Relist(int source);
    void ShowStatistics(const std::vector<CResultValues>& listed, const CResultFormat& format);
    void OnPropertyChanged(CPropertyGridItem* item);
    void OnDelete();
    void DeleteMeasurement(const QTreeWidgetItem* root);
    void OnDeleteAll();
    void QueueStillRefresh();
    void PostToSelf(int message, std::intptr_t wParam = 0, std::intptr_t lParam = 0);

    QGroupBox* m_propertyGroup;
    CPropertyGrid* m_grid;
    QGroupBox* m_resultGroup;
    QTreeWidget* m_tree;
    QPushButton* m_delete;
    QPushButton* m_deleteAll;
    QGroupBox* m_statisticsGroup;
    QTreeWidget* m_statistics;
    int m_source = 0;
    std::vector<CResultEntry> m_listed;     // what the tree shows
    std::vector<const void*> m_listedItems; // the measurements it shows, compared only
    bool m_deletingAll = false;
    bool m_refreshQueued = false;
    CReceiverRegistration m_registration;
};
