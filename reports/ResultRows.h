#pragma once

#include "calibration/Calibration.h"

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include <QString>
#include <QStringList>

class CShape;
struct CVideoShap;

// The texts of the measurement list: one title per measurement and one row
// per value, converted and formatted the same way wherever they are shown
// (the results pane, marnelo-cli). Texts come from the language file.

// What a measurement lists and reports; several shape kinds list alike.
enum class ResultListing {
    Line,
    PointLine,
    FoldLine,
    Rectangle,
    Ellipse,
    DiameterCircle,
    RadiusCircle,
    Arc,
    Angle,
    TwoCircles,
    CircleLine,
    Polygon,
    SquareMark,
    CircleMark,
    Text,
};

// The listing of a still shape kind (ShapeKind); nullopt for a code of no
// kind. A live kind lists as the shape of its tool (ShapeKindOfLiveKind).
std::optional<ResultListing> ListingOfShapeKind(int kind);

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

// What a listed value is: the kinds of numbers (converted lengths, areas,
// degrees, an arc length without a unit, a mark's number) and a text note.
enum class ResultValueType { Length, Area, Angle, Plain, Mark, Text };

// One value of a measurement: its label ("Length"; a text note's text) and
// its number in the format's unit (0 for a text).
struct CResultValue {
    QString label;
    double value = 0.0;
    ResultValueType type = ResultValueType::Length;

    friend bool operator==(const CResultValue&, const CResultValue&) = default;
};

// One listed measurement as numbers: its kind's name, its number in the list
// (as in its title), the shape's serial (a live measurement's ordinal), its
// values in row order and its position in the list it was read from.
struct CResultValues {
    QString kind;
    int number = 0;
    int serial = 0;
    std::vector<CResultValue> values;
    std::size_t position = 0;
};

// The measurements of a list as numbers, listed as the rows list them.
std::vector<CResultValues> StillResultValues(std::span<const CShape* const> shapes,
                                             const CResultFormat& format);
std::vector<CResultValues> LiveResultValues(std::span<const std::unique_ptr<CVideoShap>> shapes,
                                            const CResultFormat& format);

// One measurement given by its kind code (still, or live when `live`), raw
// measures and text, as its list lists it (number and position 0); nullopt
// for a kind the lists leave out.
std::optional<CResultValues> ResultValuesOf(int kind, bool live, const std::array<double, 3>& m,
                                            const QString& text, const CResultFormat& format);

// The rows of measurements read as numbers.
std::vector<CResultEntry> ResultRowsOf(const std::vector<CResultValues>& listed,
                                       const CResultFormat& format);

// A number with the format's decimals, whatever the process locale.
QString FormatResultNumber(double value, const CResultFormat& format);
// The unit written after a value of the type: the unit, the unit and "²",
// "°", or nothing.
QString ResultUnitText(ResultValueType type, const CResultFormat& format);
// A value row as the list shows it ("Length 10.00 mm", "Angle 45.00°").
QString FormatResultValue(const CResultValue& value, const CResultFormat& format);

// Each title followed by its value rows.
QStringList FlattenResultRows(const std::vector<CResultEntry>& entries);
