#pragma once

#include "calibration/Calibration.h"

#include <cstddef>
#include <memory>
#include <span>
#include <vector>

#include <QString>
#include <QStringList>

class CShape;
struct CVideoShap;

// The texts of the measurement list: one title per measurement and one row
// per value, converted and formatted the same way wherever they are shown
// (the results pane, marnelo-cli). Texts come from the language file.

// How values are shown: lengths converted with `conversion` and followed by
// `unit`, areas by `unit` and "²", angles by "°"; `decimals` places.
struct CResultFormat {
    CUnitConversion conversion;
    QString unit = QStringLiteral("mm");
    int decimals = 2;
};

// The current calibration and the measure decimals setting (kept within 0..15).
CResultFormat CurrentResultFormat();

// One listed measurement: "<kind name> <number>" (numbers run 0, 1, 2, ...
// over the listed measurements of all kinds), its value rows in order, and
// its position in the list it was read from.
struct CResultEntry {
    QString title;
    QStringList values;
    std::size_t position = 0;

    friend bool operator==(const CResultEntry&, const CResultEntry&) = default;
};

// The measurements of a still picture's shapes, in list order, from their raw
// measures. Shapes of an unknown kind are left out and take no number.
std::vector<CResultEntry> StillResultRows(std::span<const CShape* const> shapes,
                                          const CResultFormat& format);

// The same for the live picture's measurements. The arc lists its arc length
// before its area and the polygon its perimeter before its area.
std::vector<CResultEntry> LiveResultRows(std::span<const std::unique_ptr<CVideoShap>> shapes,
                                         const CResultFormat& format);

// Each title followed by its value rows.
QStringList FlattenResultRows(const std::vector<CResultEntry>& entries);
