#include "reports/CsvReport.h"

#include "shapes/ShapeFactory.h"
#include "shapes/ShapeKinds.h"

#include <clocale>
#include <gtest/gtest.h>

// The comma-separated results as spreadsheet programs read them.

namespace {

std::unique_ptr<CShape> Shape(int mode, std::array<double, 3> measure, int serial,
                              const QString& text = {}) {
    CShapeParams params;
    params.text = text;
    params.markNumber = static_cast<int>(measure[0]);
    std::unique_ptr<CShape> shape = CreateShape(mode, params);
    shape->measure = measure;
    shape->serial = serial;
    return shape;
}

} // namespace

TEST(CsvReportTest, OneRowPerMeasurementWithQuotedTextsAndDotDecimals) {
    std::vector<std::unique_ptr<CShape>> shapes;
    shapes.push_back(Shape(MeasureMode::kLine, {60, 0, 0}, -1));
    shapes.push_back(Shape(MeasureMode::kText, {}, 0, QStringLiteral("grain, \"large\"\nedge")));
    shapes.push_back(Shape(MeasureMode::kRectangle, {60, 30, 0}, 1));
    shapes.push_back(Shape(MeasureMode::kTwoCircles, {6, 12, 30}, 2));
    shapes.push_back(Shape(MeasureMode::kThreePointAngle, {30, 0, 0}, 3));
    shapes.push_back(Shape(MeasureMode::kSquareMark, {4, 0, 0}, 4));
    shapes.push_back(Shape(MeasureMode::kText, {}, 5, QStringLiteral("plain")));
    std::vector<const CShape*> listed;
    for (const auto& shape : shapes) {
        listed.push_back(shape.get());
    }
    const CResultFormat format{{10.0, 60.0}, QStringLiteral("um"), 3};
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8"); // a comma locale, where there is one
    const QByteArray csv = BuildCsvReport(StillResultValues(listed, format), format);
    std::setlocale(LC_NUMERIC, "C");

    ASSERT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
    const QString text = QString::fromUtf8(csv.mid(3));
    const QStringList expected = {
        "Number,Contents,Length (um),Text,Width (um),Height (um),Girth (um),Area (um²),"
        "Radius (um),Radius 2 (um),Angle (°),SqureMark",
        "-1,Line,10.000,,,,,,,,,",
        "0,Text,,\"grain, \"\"large\"\"\nedge\",,,,,,,,",
        "1,Rectangle,,,10.000,5.000,30.000,50.000,,,,",
        "2,Distance of 2 circles,5.000,,,,,,1.000,2.000,,",
        "3,Angle,,,,,,,,,30.000,",
        "4,Square mark,,,,,,,,,,4",
        "5,Text,,plain,,,,,,,,",
        "",
    };
    EXPECT_EQ(text, expected.join("\r\n"));

    EXPECT_EQ(CsvField("a\rb"), "\"a\rb\"");
    EXPECT_EQ(CsvField("\""), "\"\"\"\"");
    EXPECT_EQ(CsvField(""), "");
    EXPECT_EQ(BuildCsvReport({}, format), QByteArray("\xEF\xBB\xBFNumber,Contents\r\n"));
}
