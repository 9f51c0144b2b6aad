#pragma once

#include "analysis/particles/ParticleAnalysis.h"

#include <string>
#include <vector>

#include <QDockWidget>
#include <QImage>
#include <QWidget>

class CShape;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;

// The size distribution of the listed particles, drawn as the reports draw it.
class CParticleHistogram : public QWidget {
    Q_OBJECT
public:
    explicit CParticleHistogram(QWidget* parent = nullptr);

    // Draws `result`'s distribution of quantity `quantity` (a ParticleQuantity)
    // in `bins` bins.
    void Show(const CParticleResult& result, int quantity, int bins);
    // The counts shown, per bin.
    const std::vector<int>& Counts() const { return m_counts; }
    // The picture painted, for tests and reports alike.
    QImage Picture() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<int> m_counts;
    double m_low = 0;
    double m_high = 0;
    int m_quantity = 0;
    std::string m_unit;
};

// The particle pane: the particles of the active picture (those among the
// measurements the results pane lists) in a table with their measures in the
// calibration in force, the summary (count, mean, SD, min and max of each
// quantity, area fraction) and the size-distribution histogram, its quantity
// and bin count chosen here. A row picked here picks the particle's outline on
// the picture and the other way round (through ParticleSelection). Delete
// removes the picked particle from the picture, as the results pane does;
// Export CSV writes the table and the summary. GUI thread only.
class CParticlePane : public QWidget {
    Q_OBJECT
public:
    explicit CParticlePane(QWidget* parent = nullptr);

    // Lists the particles again when they, the calibration or the decimals
    // changed.
    void Refresh();

    // The particles listed, in the calibration in force.
    const CParticleResult& Listed() const { return m_result; }

private:
    void Rebuild();
    void ShowHistogram();
    void OnRowPicked();
    void OnSelectionChanged(const CShape* selected);
    void OnDelete();
    void OnExportCsv();

    QTableWidget* m_table;
    QTableWidget* m_summary;
    QLabel* m_totals;
    QComboBox* m_quantity;
    QSpinBox* m_bins;
    CParticleHistogram* m_histogram;
    QPushButton* m_delete;
    QPushButton* m_export;
    std::vector<const CShape*> m_shapes; // the rows' particles, compared only
    CParticleResult m_result;
    QString m_shownUnit;
    double m_shownScale = 0;
    int m_shownDecimals = -1;
};

// The dockable particle pane.
class CParticlePaneWnd : public QDockWidget {
    Q_OBJECT
public:
    CParticlePaneWnd(const QString& title, QWidget* parent = nullptr);

    CParticlePane* view() const { return m_view; }

private:
    CParticlePane* m_view;
};
