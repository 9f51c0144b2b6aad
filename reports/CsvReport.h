#pragma once

#include "reports/ResultRows.h"

#include <vector>

#include <QByteArray>
#include <QString>

// The measurements of a list as comma-separated values for spreadsheet
// programs: UTF-8 with a byte-order mark (so that they detect the encoding),
// a header row, then one row per measurement: its serial, its kind and each
// quantity in the column titled with the quantity and its unit ("Length
// (mm)", "Area (mm²)"); a quantity the measurement does not have stays
// empty. Fields holding a comma, a quote or a line break are quoted with the
// quotes doubled (RFC 4180); rows end in CR LF. Numbers carry the format's
// decimals with a dot, whatever the process locale. Toolkit-free.
QByteArray BuildCsvReport(const std::vector<CResultValues>& listed, const CResultFormat& format);

// Writes BuildCsvReport to `path` whole or not at all; false (any older file
// left as it was) when it cannot be written.
bool WriteCsvReport(const QString& path, const std::vector<CResultValues>& listed,
                    const CResultFormat& format);

// One field as RFC 4180 writes it.
QString CsvField(const QString& text);
