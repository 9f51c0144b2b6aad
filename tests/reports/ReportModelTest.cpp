#include "reports/ReportModel.h"

#include "camera/VideoShape.h"
#include "reports/ReportWriters.h"
#include "shapes/ShapeFactory.h"
#include "shapes/ShapeKinds.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <variant>

namespace {

// Lengths in units equal to pixels, so that raw measures read as units.
CReportInput UnitInput(ReportSource source, int decimals) {
    CReportInput input;
    input.source = source;
    input.conversion = CUnitConversion{1.0, 1.0};
    input.unit = QStringLiteral("mm");
    input.decimals = decimals;
    input.referenceLength = 2.0;
    input.texts = {QStringLiteral("Gauge"), QStringLiteral("Acme"), QStringLiteral("Ann")};
    input.date = QDate(2026, 3, 4);
    return input;
}

CReportItem Item(int kind, std::array<double, 3> m, int number = 0) {
    CReportItem item;
    item.kind = kind;
    item.number = number;
    item.m = m;
    item.marked = true;
    return item;
}

using CellValue = std::variant<std::monostate, QString, double>;

CellValue Cell(const CSheetReport& sheet, int row, int column) {
    for (const CSheetCell& cell : sheet.cells) {
        if (cell.row == row && cell.column == column) {
            return cell.number ? CellValue(*cell.number) : CellValue(cell.text);
        }
    }
    return {};
}

// The label and value cells of one row from column 2 on.
std::vector<CellValue> Values(const CSheetReport& sheet, int row) {
    std::vector<CellValue> values;
    for (int column = 2; column < 10; ++column) {
        CellValue value = Cell(sheet, row, column);
        if (std::holds_alternative<std::monostate>(value)) {
            break;
        }
        values.push_back(value);
    }
    return values;
}

class ReportModelTest : public ::testing::Test {
protected:
    ScopedProgramFolder home;
};

TEST_F(ReportModelTest, RoundsHalfUpAtTheDecimalsSetting) {
    EXPECT_DOUBLE_EQ(RoundReportValue(1.006, 2), 1.01);
    EXPECT_DOUBLE_EQ(RoundReportValue(1.004, 2), 1.0);
    EXPECT_DOUBLE_EQ(RoundReportValue(2.5, 0), 3.0);
    EXPECT_DOUBLE_EQ(RoundReportValue(2.49, 0), 2.0);
    // Large values at many decimals stay finite instead of overflowing.
    EXPECT_DOUBLE_EQ(RoundReportValue(1.0e9, 15), 1.0e9);
    // Decimals past the range are kept within 0..15.
    EXPECT_DOUBLE_EQ(RoundReportValue(2.5, -4), 3.0);
}

TEST_F(ReportModelTest, SheetHeaderAndDerivedValuesFromRoundedCells) {
    CReportInput input = UnitInput(ReportSource::Still, 2);
    input.items = {Item(ShapeKind::kRectangle, {2.004, 3.004, 0}, 4),
                   Item(ShapeKind::kLine, {1.006, 0, 0}, 5),
                   Item(ShapeKind::kCircle, {1.006, 0, 0}, 6)};
    const CSheetReport sheet = BuildSheetReport(input);

    EXPECT_EQ(Cell(sheet, 0, 1), CellValue(QStringLiteral("Gauge")));
    EXPECT_EQ(Cell(sheet, 1, 0), CellValue(QStringLiteral("Company:Acme")));
    EXPECT_EQ(Cell(sheet, 1, 2), CellValue(QStringLiteral("Author:Ann")));
    EXPECT_EQ(Cell(sheet, 2, 0), CellValue(QStringLiteral("Calibrator:2.0mm")));
    EXPECT_EQ(Cell(sheet, 2, 2), CellValue(QStringLiteral("Time:2026-03-04")));
    EXPECT_EQ(Cell(sheet, 4, 0), CellValue(QStringLiteral("Number")));
    EXPECT_EQ(Cell(sheet, 4, 2), CellValue(QStringLiteral("Measured Value")));

    EXPECT_EQ(Cell(sheet, 5, 0), CellValue(QStringLiteral("4")));
    EXPECT_EQ(Cell(sheet, 5, 1), CellValue(QStringLiteral("Rectangle")));
    // The perimeter and area come from the rounded sides 2 and 3.
    EXPECT_EQ(Values(sheet, 5),
              (std::vector<CellValue>{QStringLiteral("W:"), 2.0, QStringLiteral("H:"), 3.0,
                                      QStringLiteral("C:"), 10.0, QStringLiteral("A:"), 6.0}));
    EXPECT_EQ(Cell(sheet, 6, 1), CellValue(QStringLiteral("Distance of Line")));
    EXPECT_EQ(Values(sheet, 6), (std::vector<CellValue>{QStringLiteral("L:"), 1.01}));
    // The diameter is the rounded 2r (2.012), not twice the rounded r (2.02).
    EXPECT_EQ(Values(sheet, 7),
              (std::vector<CellValue>{QStringLiteral("D:"), 2.01, QStringLiteral("C:"), 6.31,
                                      QStringLiteral("A:"), 3.17}));
    EXPECT_EQ(sheet.pictureRow, -1);
}

TEST_F(ReportModelTest, ArcAndCirclesUseTheSinglePrecisionPi) {
    CReportInput input = UnitInput(ReportSource::Still, 2);
    input.items = {Item(ShapeKind::kArc, {10, 90, 0}), Item(ShapeKind::kCircle, {1, 0, 0}),
                   Item(ShapeKind::kThreePointCircle, {1, 0, 0})};
    const CSheetReport sheet = BuildSheetReport(input);
    EXPECT_EQ(Values(sheet, 5),
              (std::vector<CellValue>{QStringLiteral("R:"), 10.0, QStringLiteral("Deg:"), 90.0,
                                      QStringLiteral("C:"), 15.71, QStringLiteral("A:"), 78.54}));
    // π is 3.14159274…, so the unit circle's area rounds up at d = 7.
    input.decimals = 7;
    const CSheetReport fine = BuildSheetReport(input);
    EXPECT_EQ(Values(fine, 6),
              (std::vector<CellValue>{QStringLiteral("D:"), 2.0, QStringLiteral("C:"), 6.2831855,
                                      QStringLiteral("A:"), 3.1415927}));
    EXPECT_EQ(Values(fine, 7),
              (std::vector<CellValue>{QStringLiteral("R:"), 1.0, QStringLiteral("C:"), 6.2831855,
                                      QStringLiteral("A:"), 3.1415927}));

    const CDocumentReport document = BuildDocumentReport(UnitInput(ReportSource::Still, 2));
    EXPECT_TRUE(document.rows.empty());
    CReportInput words = UnitInput(ReportSource::Still, 2);
    words.items = {Item(ShapeKind::kArc, {10, 90, 0}, 3)};
    EXPECT_EQ(
        BuildDocumentReport(words).rows.at(0),
        (std::array<QString, 5>{"Arc:3", "R:10.00mm", "Deg:90.00°", "C:15.71mm", "A:78.54mm2"}));
}

TEST_F(ReportModelTest, OnlyMarkedKnownItemsTakeRowsAndThePictureSkipsOneRow) {
    CReportInput input = UnitInput(ReportSource::Still, 0);
    input.picture = true;
    CReportItem unmarked = Item(ShapeKind::kLine, {7, 0, 0});
    unmarked.marked = false;
    CReportItem note = Item(ShapeKind::kText, {}, 2);
    note.text = QStringLiteral("scratch");
    input.items = {Item(ShapeKind::kSquareMark, {5, 0, 0}, 0), unmarked, Item(99, {1, 0, 0}), note,
                   Item(ShapeKind::kPolygon, {12, 36, 0}, 3)};
    const CSheetReport sheet = BuildSheetReport(input);
    EXPECT_EQ(Values(sheet, 5), (std::vector<CellValue>{QStringLiteral("SM:"), 5.0}));
    EXPECT_EQ(Values(sheet, 6),
              (std::vector<CellValue>{QStringLiteral("T:"), QStringLiteral("scratch")}));
    EXPECT_EQ(Values(sheet, 7),
              (std::vector<CellValue>{QStringLiteral("C:"), 12.0, QStringLiteral("A:"), 36.0}));
    EXPECT_EQ(Cell(sheet, 8, 0), CellValue());
    EXPECT_EQ(sheet.pictureRow, 9);

    // The document lists every item of a known kind, marked or not.
    const CDocumentReport document = BuildDocumentReport(input);
    ASSERT_EQ(document.rows.size(), 4U);
    EXPECT_EQ(document.rows[0][1], "SM:5");
    EXPECT_EQ(document.rows[1][0], "Distance of Line:0");
    EXPECT_EQ(document.rows[2], (std::array<QString, 5>{"Text:2", "T:scratch", "", "", ""}));
    EXPECT_TRUE(document.picture);
}

TEST_F(ReportModelTest, DocumentTextsAreUnroundedAndLiveOnesCarryNoUnit) {
    CReportInput input = UnitInput(ReportSource::Still, 2);
    input.conversion = CUnitConversion{10.0, 60.0}; // millimetres at 60 pixels per cm
    input.items = {Item(ShapeKind::kLine, {74.076, 0, 0}, 1),
                   Item(ShapeKind::kRectangle, {18, 24, 0}, 2)};
    const CDocumentReport still = BuildDocumentReport(input);
    EXPECT_EQ(still.heading, "Measure Report");
    EXPECT_EQ(still.company, "Company:Acme");
    EXPECT_EQ(still.calibrator, "Calibrator:2.0mm");
    EXPECT_EQ(still.date, "Time:2026-03-04");
    EXPECT_EQ(still.rows[0][1], "L:12.35mm");
    EXPECT_EQ(still.rows[1], (std::array<QString, 5>{"Rectangle:2", "W:3.00mm", "H:4.00mm",
                                                     "C:14.00mm", "A:12.00mm2"}));

    input.source = ReportSource::Live;
    input.items = {Item(LiveKind::kLine, {74.076, 0, 0}, 0),
                   Item(LiveKind::kThreePointAngle, {30.5, 0, 0}, 1)};
    const CDocumentReport live = BuildDocumentReport(input);
    EXPECT_EQ(live.rows[0], (std::array<QString, 5>{"Line:0", "L:12.35", "", "", ""}));
    EXPECT_EQ(live.rows[1][1], "Deg:30.50");
}

TEST_F(ReportModelTest, LiveRowsTakeTheFurtherRadiiAndTheirOwnNames) {
    CReportInput input = UnitInput(ReportSource::Live, 1);
    CReportItem circles = Item(LiveKind::kTwoCircles, {40, 0, 0}, 0);
    circles.further = {5, 7};
    CReportItem circleLine = Item(LiveKind::kLineCircle, {12, 0, 0}, 1);
    circleLine.further = {3, 0};
    input.items = {circles, circleLine, Item(LiveKind::kAutoLine, {2, 0, 0}, 2),
                   Item(LiveKind::kCrosshair, {1, 0, 0}, 3),
                   Item(LiveKind::kPolygon, {10, 20, 0}, 4)};
    const CSheetReport sheet = BuildSheetReport(input);
    EXPECT_EQ(Values(sheet, 5),
              (std::vector<CellValue>{QStringLiteral("R:"), 5.0, QStringLiteral("L:"), 40.0,
                                      QStringLiteral("R:"), 7.0}));
    EXPECT_EQ(Values(sheet, 6),
              (std::vector<CellValue>{QStringLiteral("R:"), 3.0, QStringLiteral("L:"), 12.0}));
    EXPECT_EQ(Cell(sheet, 7, 1), CellValue(QStringLiteral("Distance of Parallel")));
    // The crosshair takes no row: the polygon follows at once.
    EXPECT_EQ(Cell(sheet, 8, 0), CellValue(QStringLiteral("4")));
    EXPECT_EQ(Cell(sheet, 9, 0), CellValue());

    // A live view without measurements still makes the header.
    input.items.clear();
    EXPECT_EQ(BuildSheetReport(input).cells.size(), 8U);
}

TEST_F(ReportModelTest, StillItemsCarrySerialsMarksAndTexts) {
    CShapeParams params;
    params.text = QStringLiteral("pit");
    std::unique_ptr<CShape> text = CreateShape(MeasureMode::kText, params);
    CompleteShape(*text, 7);
    text->exportMark = 1;
    std::unique_ptr<CShape> line = CreateShape(MeasureMode::kLine, CShapeParams{});
    CompleteShape(*line, 8);
    line->measure = {120, 0, 0};
    const std::vector<const CShape*> shapes = {text.get(), line.get()};
    const std::vector<CReportItem> items = StillReportItems(shapes);
    ASSERT_EQ(items.size(), 2U);
    EXPECT_EQ(items[0].kind, ShapeKind::kText);
    EXPECT_EQ(items[0].number, 7);
    EXPECT_EQ(items[0].text, "pit");
    EXPECT_TRUE(items[0].marked);
    EXPECT_FALSE(items[1].marked);
    EXPECT_EQ(items[1].m[0], 120.0);
}

TEST_F(ReportModelTest, LiveItemsTakeTheRadiiOutOfTheStillLayout) {
    // Live measurements keep their values as the still shape of the same tool
    // does: both radii first, the distance last.
    std::vector<std::unique_ptr<CVideoShap>> shapes;
    const auto add = [&shapes](int kind, std::array<double, 3> measured, int ordinal, int marked) {
        auto shape = std::make_unique<CVideoShap>();
        shape->kind = kind;
        shape->measured = measured;
        shape->ordinal = ordinal;
        shape->marked = marked;
        shape->labelText = QStringLiteral("note");
        shapes.push_back(std::move(shape));
    };
    add(LiveKind::kTwoCircles, {5, 7, 40}, 3, 1);
    add(LiveKind::kLineCircle, {3, 0, 12}, 4, 0);
    add(LiveKind::kRectangle, {2, 6, 0}, 5, 1);
    shapes.push_back(nullptr);
    CReportInput input = UnitInput(ReportSource::Live, 1);
    input.items = LiveReportItems(shapes);
    ASSERT_EQ(input.items.size(), 3U);
    EXPECT_EQ(input.items[1].number, 4);
    EXPECT_FALSE(input.items[1].marked);
    EXPECT_EQ(input.items[2].text, "note");
    const CSheetReport sheet = BuildSheetReport(input);
    EXPECT_EQ(Cell(sheet, 5, 0), CellValue(QStringLiteral("3")));
    EXPECT_EQ(Values(sheet, 5),
              (std::vector<CellValue>{QStringLiteral("R:"), 5.0, QStringLiteral("L:"), 40.0,
                                      QStringLiteral("R:"), 7.0}));
    EXPECT_EQ(Values(sheet, 6),
              (std::vector<CellValue>{QStringLiteral("W:"), 2.0, QStringLiteral("H:"), 6.0,
                                      QStringLiteral("C:"), 16.0, QStringLiteral("A:"), 12.0}));
    const CDocumentReport document = BuildDocumentReport(input);
    ASSERT_EQ(document.rows.size(), 3U);
    EXPECT_EQ(document.rows[1][1], "R:3.0");
    EXPECT_EQ(document.rows[1][2], "L:12.0");
}

} // namespace

TEST_F(ReportModelTest, TheSummaryFollowsTheMeasurementsOnlyWhenAsked) {
    CReportInput input = UnitInput(ReportSource::Still, 2);
    input.picture = true;
    input.items = {Item(ShapeKind::kLine, {10, 0, 0}, -1), Item(ShapeKind::kLine, {14, 0, 0}, 0),
                   Item(ShapeKind::kLine, {99, 0, 0}, 1),
                   Item(ShapeKind::kRectangle, {3, 2, 0}, 2)};
    input.items[2].marked = false;
    const CSheetReport plain = BuildSheetReport(input);
    EXPECT_EQ(plain.pictureRow, 9);
    EXPECT_TRUE(BuildDocumentReport(input).summary.empty());

    // The sheet sums up its marked rows 5 to 7; row 8 stays empty.
    input.summary = true;
    const CSheetReport sheet = BuildSheetReport(input);
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 10; ++column) {
            EXPECT_EQ(Cell(sheet, row, column), Cell(plain, row, column)) << row << "," << column;
        }
    }
    EXPECT_EQ(Cell(sheet, 8, 0), CellValue());
    EXPECT_EQ(Cell(sheet, 9, 0), CellValue(QStringLiteral("Measurement")));
    EXPECT_EQ(Cell(sheet, 9, 4), CellValue(QStringLiteral("Std. deviation")));
    EXPECT_EQ(Cell(sheet, 9, 7), CellValue(QStringLiteral("Unit")));
    // Lengths 10 and 14: mean 12, s = 2.83.
    EXPECT_EQ(Cell(sheet, 10, 0), CellValue(QStringLiteral("Line")));
    EXPECT_EQ(Cell(sheet, 10, 1), CellValue(QStringLiteral("Length")));
    EXPECT_EQ(Cell(sheet, 10, 2), CellValue(2.0));
    EXPECT_EQ(Cell(sheet, 10, 3), CellValue(12.0));
    EXPECT_EQ(Cell(sheet, 10, 4), CellValue(2.83));
    EXPECT_EQ(Cell(sheet, 10, 7), CellValue(QStringLiteral("mm")));
    EXPECT_EQ(Cell(sheet, 14, 1), CellValue(QStringLiteral("Area")));
    EXPECT_EQ(Cell(sheet, 14, 4), CellValue(QStringLiteral("-")));
    EXPECT_EQ(Cell(sheet, 14, 7), CellValue(QStringLiteral("mm²")));
    EXPECT_EQ(Cell(sheet, 15, 0), CellValue());
    EXPECT_EQ(sheet.pictureRow, 16);

    // The document's second table takes every item, marked or not.
    const CDocumentReport document = BuildDocumentReport(input);
    ASSERT_EQ(document.summary.size(), 6u);
    EXPECT_EQ(document.summary[1],
              (QStringList{"Line", "Length", "3", "41.00 mm", "50.27 mm", "10.00 mm", "99.00 mm"}));
    EXPECT_EQ(document.rows.size(), 4u);

    // Both document writers lay it out as a second table.
    const QByteArray rtf = WriteRtfReport(document, {}).bytes;
    EXPECT_EQ(rtf.count("\\row\n"), 4 + 6);
    EXPECT_TRUE(rtf.contains("Std. deviation"));
    const QByteArray docx = WriteDocxReport(document, {}).bytes;
    EXPECT_FALSE(docx.isEmpty());
}
