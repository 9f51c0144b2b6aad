#include "reports/ReportModel.h"

#include "camera/VideoShape.h"
#include "core/Language.h"
#include "core/Parameters.h"
#include "reports/ReportOptions.h"
#include "reports/ResultRows.h"
#include "reports/ResultStatistics.h"
#include "shapes/Geometry.h"
#include "shapes/Shape.h"
#include "shapes/ShapeKinds.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kTextLimit = 128;
constexpr int kFirstItemRow = 5;

// The language key and English name of a kind in the reports.
struct CKindName {
    const char* key;
    const char* name; // the English default of `key`
};

struct CKindEntry {
    ResultListing listing;
    CKindName name;
};

// "CircleLine" would find the line-circle tool's prompt: language keys
// compare without regard to case.
constexpr CKindName kCircleLineName{"DistanceCircleLine", "Distance of a circle and a line"};

std::optional<CKindName> StillKindName(int kind) {
    using namespace ShapeKind;
    switch (kind) {
    case kLine:
    case kHorizontalLine:
    case kVerticalLine:
        return CKindName{"Line", "Distance of Line"};
    case kParallel:
    case kAutoLine:
        return CKindName{"Line", "Line"};
    case kPointLine:
        return CKindName{"Dotline", "Dotline"};
    case kFoldLine:
        return CKindName{"Foldline", "Fold-Lines"};
    case kRectangle:
        return CKindName{"Rectangle", "Rectangle"};
    case kEllipse:
        return CKindName{"Ellipse", "Ellipse"};
    case kCircle:
    case kRadiusCircle:
    case kThreePointCircle:
    case kAutoCircle:
        return CKindName{"Circle", "Circle"};
    case kArc:
        return CKindName{"Arc", "Arc"};
    case kThreePointAngle:
    case kFourPointAngle:
        return CKindName{"Angle", "Angle"};
    case kTwoCircles:
        return CKindName{"Distance2circles", "Distance of 2 circles"};
    case kLineCircle:
        return kCircleLineName;
    case kPolygon:
        return CKindName{"Polygon", "Polygon"};
    case kSquareMark:
        return CKindName{"SqureMark", "Square mark"};
    case kCircleMark:
        return CKindName{"CircleMark", "Circular mark"};
    case kText:
        return CKindName{"AddText", "Text"};
    default:
        return std::nullopt;
    }
}

// A live measurement is named as the still shape of its tool, but for the
// few names the live reports have always used, some in one report only.
std::optional<CKindName> LiveKindName(int kind, bool document) {
    using namespace LiveKind;
    switch (kind) {
    case kHorizontalLine:
    case kVerticalLine:
        if (!document) {
            break;
        }
        [[fallthrough]];
    case kLine:
        return CKindName{"Line", "Line"};
    case kAutoLine:
        if (!document) {
            return CKindName{"ALine", "Distance of Parallel"};
        }
        break;
    case kFoldLine:
        if (document) {
            return CKindName{"Foldline", "Fold-Line"};
        }
        break;
    case kPointLine:
        return CKindName{"DotLine", "DotLine"};
    case LiveKind::kText:
        if (!document) {
            return CKindName{"Text", "Text"};
        }
        break;
    default:
        break;
    }
    return StillKindName(ShapeKindOfLiveKind(kind));
}

std::optional<CKindEntry> KindEntry(const CReportInput& input, int kind, bool document) {
    const bool still = input.source == ReportSource::Still;
    const auto name = still ? StillKindName(kind) : LiveKindName(kind, document);
    const auto listing = ListingOfShapeKind(still ? kind : ShapeKindOfLiveKind(kind));
    if (!name || !listing) {
        return std::nullopt;
    }
    return CKindEntry{*listing, *name};
}

QString KindName(const CKindEntry& entry) {
    return GetLanguageString(QString::fromLatin1(entry.name.key),
                             QString::fromLatin1(entry.name.name), kTextLimit);
}

enum class Quantity { Length, Area, Angle, Mark, Text };

struct CValue {
    const char* label; // "L", "W", ...
    Quantity quantity;
    double value = 0.0;
};

// The values of one row in order. `round` is applied to every converted
// value as it is taken and to every derived value, and derived values are
// computed from the already rounded ones: the spreadsheet rounds, the
// document passes values through.
template <typename Round>
std::vector<CValue> RowValues(const CReportInput& input, const CReportItem& item,
                              ResultListing listing, Round round) {
    const CUnitConversion& c = input.conversion;
    const auto length = [&](double pixels) {
        return round(c.Length(pixels));
    };
    const bool live = input.source == ReportSource::Live;
    switch (listing) {
    case ResultListing::Line:
    case ResultListing::PointLine:
    case ResultListing::FoldLine:
        return {{"L", Quantity::Length, length(item.m[0])}};
    case ResultListing::Rectangle: {
        const double w = length(item.m[0]);
        const double h = length(item.m[1]);
        return {{"W", Quantity::Length, w},
                {"H", Quantity::Length, h},
                {"C", Quantity::Length, round(2 * (w + h))},
                {"A", Quantity::Area, round(w * h)}};
    }
    case ResultListing::Ellipse: {
        const double a = length(item.m[0]);
        const double b = length(item.m[1]);
        return {{"LR", Quantity::Length, a},
                {"SR", Quantity::Length, b},
                {"C", Quantity::Length, round(kShapeTwoPi * b + 4 * (a - b))},
                {"A", Quantity::Area, round(kShapePi * a * b)}};
    }
    case ResultListing::DiameterCircle: {
        const double d = round(2 * c.Length(item.m[0]));
        return {{"D", Quantity::Length, d},
                {"C", Quantity::Length, round(kShapeTwoPi * d / 2)},
                {"A", Quantity::Area, round(kShapePi * (d / 2) * (d / 2))}};
    }
    case ResultListing::RadiusCircle: {
        const double r = length(item.m[0]);
        return {{"R", Quantity::Length, r},
                {"C", Quantity::Length, round(kShapeTwoPi * r)},
                {"A", Quantity::Area, round(kShapePi * r * r)}};
    }
    case ResultListing::Arc: {
        const double r = length(item.m[0]);
        const double g = round(item.m[1]);
        return {{"R", Quantity::Length, r},
                {"Deg", Quantity::Angle, g},
                {"C", Quantity::Length, round(kShapeTwoPi * r * g / 360)},
                {"A", Quantity::Area, round(kShapePi * r * r * g / 360)}};
    }
    case ResultListing::Angle:
        return {{"Deg", Quantity::Angle, round(item.m[0])}};
    case ResultListing::TwoCircles:
        // Live measurements keep both radii apart and the distance first.
        return live ? std::vector<CValue>{{"R", Quantity::Length, length(item.further[0])},
                                          {"L", Quantity::Length, length(item.m[0])},
                                          {"R", Quantity::Length, length(item.further[1])}}
                    : std::vector<CValue>{{"R", Quantity::Length, length(item.m[0])},
                                          {"L", Quantity::Length, length(item.m[2])},
                                          {"R", Quantity::Length, length(item.m[1])}};
    case ResultListing::CircleLine:
        return live ? std::vector<CValue>{{"R", Quantity::Length, length(item.further[0])},
                                          {"L", Quantity::Length, length(item.m[0])}}
                    : std::vector<CValue>{{"R", Quantity::Length, length(item.m[0])},
                                          {"L", Quantity::Length, length(item.m[2])}};
    case ResultListing::Polygon:
        return {{"C", Quantity::Length, length(item.m[0])},
                {"A", Quantity::Area, round(c.Area(item.m[1]))}};
    case ResultListing::SquareMark:
        return {{"SM", Quantity::Mark, item.m[0]}};
    case ResultListing::CircleMark:
        return {{"CM", Quantity::Mark, item.m[0]}};
    case ResultListing::Text:
        return {{"T", Quantity::Text, 0.0}};
    }
    return {};
}

int ClampedDecimals(int decimals) {
    return std::clamp(decimals, 0, kMaxDecimals);
}

QString Text(const char* key, const char* english) {
    return GetLanguageString(QString::fromLatin1(key), QString::fromLatin1(english), kTextLimit);
}

QString Labelled(const char* key, const char* english, const QString& value) {
    return Text(key, english) + u':' + value;
}

QString CalibratorLine(const CReportInput& input) {
    return Text("Calibrator", "Calibrator") + u':' +
           QString::asprintf("%.1f", input.referenceLength) + input.unit;
}

QString DateLine(const QDate& date) {
    return QStringLiteral("Time:") + date.toString(QStringLiteral("yyyy-MM-dd"));
}

// One value of the document: unrounded, `decimals` places; the still report
// adds the unit (areas "unit2") and the degree sign.
QString DocumentValue(const CReportInput& input, const CReportItem& item, const CValue& value) {
    const bool still = input.source == ReportSource::Still;
    const QString head = QString::fromLatin1(value.label) + u':';
    const int d = ClampedDecimals(input.decimals);
    switch (value.quantity) {
    case Quantity::Length:
        return head + QString::asprintf("%.*f", d, value.value) + (still ? input.unit : QString());
    case Quantity::Area:
        return head + QString::asprintf("%.*f", d, value.value) +
               (still ? input.unit + u'2' : QString());
    case Quantity::Angle:
        return head + QString::asprintf("%.*f", d, value.value) +
               (still ? QStringLiteral("°") : QString());
    case Quantity::Mark:
        return head + QString::asprintf("%.0f", value.value);
    case Quantity::Text:
        return head + item.text;
    }
    return head;
}

// The statistics of the items (only the marked ones when asked) in the
// report's unit and decimals.
std::vector<CResultStatistic> Statistics(const CReportInput& input, bool markedOnly) {
    const CResultFormat format{input.conversion, input.unit, ClampedDecimals(input.decimals)};
    std::vector<CResultValues> listed;
    for (const CReportItem& item : input.items) {
        if (markedOnly && !item.marked) {
            continue;
        }
        if (std::optional<CResultValues> values = ResultValuesOf(
                item.kind, input.source == ReportSource::Live, item.m, item.text, format)) {
            listed.push_back(std::move(*values));
        }
    }
    return ResultStatistics(listed);
}

} // namespace

std::vector<CReportItem> StillReportItems(std::span<const CShape* const> shapes) {
    std::vector<CReportItem> items;
    items.reserve(shapes.size());
    for (const CShape* shape : shapes) {
        items.push_back(CReportItem{.kind = shape->kind,
                                    .number = shape->serial,
                                    .m = shape->measure,
                                    .further = {},
                                    .text = shape->text,
                                    .marked = shape->exportMark == 1});
    }
    return items;
}

std::vector<CReportItem> LiveReportItems(std::span<const std::unique_ptr<CVideoShap>> shapes) {
    std::vector<CReportItem> items;
    items.reserve(shapes.size());
    for (const auto& shape : shapes) {
        if (!shape) {
            continue;
        }
        CReportItem item{.kind = shape->kind,
                         .number = shape->ordinal,
                         .m = shape->measured,
                         .further = {},
                         .text = shape->labelText,
                         .marked = shape->marked == 1};
        const auto& m = shape->measured;
        if (shape->kind == LiveKind::kTwoCircles) {
            item.m = {m[2], 0.0, 0.0};
            item.further = {m[0], m[1]};
        } else if (shape->kind == LiveKind::kLineCircle) {
            item.m = {m[2], 0.0, 0.0};
            item.further = {m[0], 0.0};
        }
        items.push_back(std::move(item));
    }
    return items;
}

CReportInput CurrentReportInput(ReportSource source) {
    CReportInput input;
    input.source = source;
    input.conversion = CurrentConversion();
    input.unit = g_calibration.unit;
    input.referenceLength = g_calibration.referenceLength;
    input.decimals = ClampedDecimals(g_parameters.measuredecimal);
    input.date = QDate::currentDate();
    input.picture = g_parameters.addexportimage == 1;
    input.summary = ReportSummaryWanted();
    return input;
}

double RoundReportValue(double x, int decimals) {
    const int d = ClampedDecimals(decimals);
    const double p = std::trunc(std::pow(10.0, d) + 0.5);
    // trunc in floating point: an integer conversion would overflow for large
    // values at many decimals.
    return std::trunc((x + 0.5 * std::pow(0.1, d)) * p) / p;
}

CSheetReport BuildSheetReport(const CReportInput& input) {
    CSheetReport report;
    auto& cells = report.cells;
    const auto text = [&cells](int row, int column, const QString& value) {
        cells.push_back(CSheetCell{row, column, value, std::nullopt});
    };
    text(0, 1, input.texts.title);
    text(1, 0, Labelled("Company", "Company", input.texts.company));
    text(1, 2, Labelled("Author", "Author", input.texts.author));
    text(2, 0, CalibratorLine(input));
    text(2, 2, DateLine(input.date));
    text(4, 0, Text("Number", "Number"));
    text(4, 1, Text("Contents", "Contents"));
    text(4, 2, Text("MeasuredValue", "Measured Value"));

    const int d = ClampedDecimals(input.decimals);
    const auto round = [d](double x) {
        return RoundReportValue(x, d);
    };
    int row = kFirstItemRow;
    for (const CReportItem& item : input.items) {
        const std::optional<CKindEntry> entry = KindEntry(input, item.kind, false);
        if (!item.marked || !entry) {
            continue;
        }
        text(row, 0, QString::number(item.number));
        text(row, 1, KindName(*entry));
        int column = 2;
        for (const CValue& value : RowValues(input, item, entry->listing, round)) {
            text(row, column, QString::fromLatin1(value.label) + u':');
            if (value.quantity == Quantity::Text) {
                text(row, column + 1, item.text);
            } else if (!std::isfinite(value.value)) {
                // Workbooks hold no such numbers; the text keeps the cell honest.
                text(row, column + 1, QString::asprintf("%f", value.value));
            } else {
                cells.push_back(CSheetCell{row, column + 1, QString(), value.value});
            }
            column += 2;
        }
        ++row;
    }
    const std::vector<CResultStatistic> statistics =
        input.summary ? Statistics(input, true) : std::vector<CResultStatistic>{};
    if (!statistics.empty()) {
        const CResultFormat format{input.conversion, input.unit, d};
        // One empty row between the measurements and the summary.
        ++row;
        int column = 0;
        for (const QString& title : StatisticsHeader()) {
            text(row, column++, title);
        }
        text(row, column, Text("Unit", "Unit"));
        for (const CResultStatistic& statistic : statistics) {
            ++row;
            text(row, 0, statistic.kind);
            text(row, 1, statistic.quantity);
            cells.push_back(CSheetCell{row, 2, QString(), statistic.count});
            const double numbers[] = {statistic.mean, statistic.deviation, statistic.minimum,
                                      statistic.maximum};
            column = 3;
            for (const double number : numbers) {
                if (std::isfinite(number)) {
                    cells.push_back(CSheetCell{row, column, QString(), round(number)});
                } else {
                    text(row, column, QStringLiteral("-"));
                }
                ++column;
            }
            text(row, column, ResultUnitText(statistic.type, format));
        }
        ++row;
    }
    if (!input.particleRows.empty()) {
        ++row;
        for (const QStringList& cellsOfRow : input.particleRows) {
            for (int column = 0; column < cellsOfRow.size(); ++column) {
                bool isNumber = false;
                const double number = cellsOfRow[column].toDouble(&isNumber);
                if (isNumber) {
                    cells.push_back(CSheetCell{row, column, QString(), number});
                } else {
                    text(row, column, cellsOfRow[column]);
                }
            }
            ++row;
        }
    }
    if (input.picture) {
        // One empty row between the measurements (or the summary) and the picture.
        report.pictureRow = row + 1;
    }
    return report;
}

std::vector<QStringList> DocumentRows(const CDocumentReport& document) {
    std::vector<QStringList> rows;
    rows.reserve(document.rows.size());
    for (const auto& row : document.rows) {
        rows.emplace_back(row.begin(), row.end());
    }
    return rows;
}

CDocumentReport BuildDocumentReport(const CReportInput& input) {
    CDocumentReport report;
    report.heading = Text("MeasureReport", "Measure Report");
    report.company = Labelled("Company", "Company", input.texts.company);
    report.author = Labelled("Author", "Author", input.texts.author);
    report.calibrator = CalibratorLine(input);
    report.date = DateLine(input.date);
    report.picture = input.picture;
    report.particles = input.particleRows;
    const auto unrounded = [](double x) {
        return x;
    };
    for (const CReportItem& item : input.items) {
        const std::optional<CKindEntry> entry = KindEntry(input, item.kind, true);
        if (!entry) {
            continue;
        }
        std::array<QString, kDocumentColumns> row;
        row[0] = KindName(*entry) + u':' + QString::number(item.number);
        int column = 1;
        for (const CValue& value : RowValues(input, item, entry->listing, unrounded)) {
            row[column++] = DocumentValue(input, item, value);
        }
        report.rows.push_back(std::move(row));
    }
    if (input.summary) {
        const CResultFormat format{input.conversion, input.unit, ClampedDecimals(input.decimals)};
        const std::vector<CResultStatistic> statistics = Statistics(input, false);
        if (!statistics.empty()) {
            report.summary.push_back(StatisticsHeader());
            for (const CResultStatistic& statistic : statistics) {
                report.summary.push_back(StatisticsRow(statistic, format));
            }
        }
    }
    return report;
}
