#pragma once

#include "reports/ResultRows.h"

#include <vector>

#include <QString>
#include <QStringList>

// The summary of a measurement list: for each kind and each quantity it
// lists (a rectangle's width, height, girth and area; a line's length...),
// how many there are, their mean, standard deviation, smallest and largest
// value, in the unit the list is shown in. Marks and text notes are not
// measured and take no part. Toolkit-free.

struct CResultStatistic {
    QString kind;     // "Line", "Circle"
    QString quantity; // "Length"; a label listed twice by one kind is numbered ("Radius 2")
    ResultValueType type = ResultValueType::Length;
    int count = 0;
    double mean = 0.0;
    double deviation = 0.0; // sample standard deviation (n − 1); NaN for one value
    double minimum = 0.0;
    double maximum = 0.0;
};

// In the order the kinds first appear in the list, each kind's quantities in
// row order.
std::vector<CResultStatistic> ResultStatistics(const std::vector<CResultValues>& listed);

// The column titles of the summary and one row of texts per statistic,
// numbers with the format's decimals and the unit after each (a deviation
// of a single value as "-"), whatever the process locale.
QStringList StatisticsHeader();
QStringList StatisticsRow(const CResultStatistic& statistic, const CResultFormat& format);

// The same, narrow enough for the results pane: kind, quantity and unit in
// one column ("Line Length (mm)"), then the count and the bare numbers under
// short titles ("n", "Mean", "SD", "Min", "Max").
QStringList CompactStatisticsHeader();
QStringList CompactStatisticsRow(const CResultStatistic& statistic, const CResultFormat& format);
