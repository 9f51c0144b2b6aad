#pragma once

#include "calibration/Calibration.h"

#include <array>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include <QDate>
#include <QString>
#include <QStringList>

class CShape;
struct CVideoShap;

// The content of the spreadsheet and word-processor reports, independent of
// any file format: the writers only lay it out. Texts come from the language
// file; numbers are formatted without regard to the process locale.

// Where the measurements come from. Still and live measurements use
// different kind codes, names and value texts.
enum class ReportSource { Still, Live };

// One measurement as the reports read it. `kind` is a still shape kind or a
// live kind code (per ReportSource); `number` is the shape's serial or the
// live measurement's ordinal; `m` the raw measures (pixels, square pixels,
// degrees, mark numbers); `further` the two radii a live two-circle or
// circle-line measurement keeps apart from `m`; `text` a text note's text.
struct CReportItem {
    int kind = 0;
    int number = 0;
    std::array<double, 3> m{};
    std::array<double, 2> further{};
    QString text;
    bool marked = false; // picked for the spreadsheet report
};

// What the export dialog collected.
struct CReportTexts {
    QString title;
    QString company;
    QString author;
};

struct CReportInput {
    ReportSource source = ReportSource::Still;
    std::vector<CReportItem> items; // in list order
    CUnitConversion conversion;
    QString unit = QStringLiteral("mm");
    double referenceLength = 2.0;
    int decimals = 2; // kept within 0..15
    CReportTexts texts;
    QDate date;           // the day printed in the header
    bool picture = false; // the picture follows the measurements
    bool summary = false; // the statistics of the measurements follow them
    // The particle table and summary (ParticleReportRows), after everything
    // else; none when empty.
    std::vector<QStringList> particleRows;
};

// The still shapes as report items, in list order.
std::vector<CReportItem> StillReportItems(std::span<const CShape* const> shapes);

// The live measurements as report items, in list order: a two-circle or
// circle-line measurement (whose `measured` is laid out as its still shape's)
// gives its distance as m0 and its radii as `further`.
std::vector<CReportItem> LiveReportItems(std::span<const std::unique_ptr<CVideoShap>> shapes);

// An input from the current calibration, the measure decimals setting, the
// addexportimage setting, the report summary setting and today's date; items
// and texts are left empty.
CReportInput CurrentReportInput(ReportSource source);

// R(x): x rounded half up to `decimals` places the way the spreadsheet
// report rounds every converted value (toward zero after adding half a step).
double RoundReportValue(double x, int decimals);

// One cell of the sheet, by zero-based row and column: a number when
// `number` is set, otherwise `text`.
struct CSheetCell {
    int row = 0;
    int column = 0;
    QString text;
    std::optional<double> number;
};

struct CSheetReport {
    std::vector<CSheetCell> cells; // in writing order
    int pictureRow = -1;           // row of the picture's top-left corner (column 0); -1 none
};

// The spreadsheet report of the marked items: the header rows 0 to 4, then
// one row per marked item of a known kind from row 5 on with labels and
// rounded values; derived values (perimeters, areas) come from the rounded
// cells of the same row. Items of other kinds take no row. With the summary,
// one empty row, the statistics' column titles and one row per statistic of
// the marked items (rounded numbers, the unit last) follow; then, after one
// more empty row, the particle rows (numbers as numbers); the picture comes
// after one more empty row.
CSheetReport BuildSheetReport(const CReportInput& input);

inline constexpr int kDocumentColumns = 5;

struct CDocumentReport {
    QString heading;    // the report heading (the dialog's title is not used)
    QString company;    // "Company:<company>"
    QString author;     // "Author:<author>"
    QString calibrator; // "Calibrator:<reference length><unit>", carries the bookmark
    QString date;       // "Time:<yyyy-mm-dd>"
    std::vector<std::array<QString, kDocumentColumns>> rows; // one per item of a known kind
    // With the summary: the statistics' column titles, then one row per
    // statistic of every item, shown as a second table.
    std::vector<QStringList> summary;
    // The particle table and summary, shown as a table of their own.
    std::vector<QStringList> particles;
    bool picture = false;
};

inline constexpr char kReportBookmark[] = "Book1";
inline constexpr double kReportMarginPoints = 45.0;

// The measurement rows of a document as lists of texts, for the writers.
std::vector<QStringList> DocumentRows(const CDocumentReport& document);

// The word-processor report of every item, whatever its mark: unrounded
// values printed with the decimals setting.
CDocumentReport BuildDocumentReport(const CReportInput& input);
