#include "reports/ResultStatistics.h"

#include "shapes/ShapeFactory.h"
#include "shapes/ShapeKinds.h"

#include <cmath>
#include <gtest/gtest.h>

// The summary of a measurement list against values worked out by hand.

namespace {

std::unique_ptr<CShape> Shape(int mode, std::array<double, 3> measure, const QString& text = {}) {
    CShapeParams params;
    params.text = text;
    std::unique_ptr<CShape> shape = CreateShape(mode, params);
    shape->measure = measure;
    return shape;
}

} // namespace

TEST(ResultStatisticsTest, EachKindAndQuantityAddsUpAsWorkedOutByHand) {
    std::vector<std::unique_ptr<CShape>> shapes;
    // Lines of 60, 90 and 120 pixels: 10, 15 and 20 mm at 60 pixels per cm.
    shapes.push_back(Shape(MeasureMode::kLine, {60, 0, 0}));
    shapes.push_back(Shape(MeasureMode::kRectangle, {60, 30, 0}));
    shapes.push_back(Shape(MeasureMode::kLine, {90, 0, 0}));
    shapes.push_back(Shape(MeasureMode::kText, {}, QStringLiteral("not measured")));
    shapes.push_back(Shape(MeasureMode::kHorizontalLine, {120, 0, 0}));
    shapes.push_back(Shape(MeasureMode::kSquareMark, {3, 0, 0}));
    // Two circles list two radii: each is its own quantity.
    shapes.push_back(Shape(MeasureMode::kTwoCircles, {6, 12, 30}));
    shapes.push_back(Shape(MeasureMode::kTwoCircles, {18, 24, 60}));
    shapes.push_back(Shape(MeasureMode::kThreePointAngle, {30, 0, 0}));
    shapes.push_back(Shape(MeasureMode::kFourPointAngle, {45, 0, 0}));
    std::vector<const CShape*> listed;
    for (const auto& shape : shapes) {
        listed.push_back(shape.get());
    }
    const CResultFormat format{{10.0, 60.0}, QStringLiteral("mm"), 2};
    const std::vector<CResultStatistic> statistics =
        ResultStatistics(StillResultValues(listed, format));

    std::vector<QStringList> table;
    for (const CResultStatistic& statistic : statistics) {
        table.push_back(StatisticsRow(statistic, format));
    }
    // Lengths 10, 15, 20: mean 15, s = sqrt((25 + 0 + 25) / 2) = 5. One
    // rectangle has no deviation. Radii 1 and 3 mm: s = sqrt(2) = 1.41.
    const std::vector<QStringList> expected = {
        {"Line", "Length", "3", "15.00 mm", "5.00 mm", "10.00 mm", "20.00 mm"},
        {"Rectangle", "Width", "1", "10.00 mm", "-", "10.00 mm", "10.00 mm"},
        {"Rectangle", "Height", "1", "5.00 mm", "-", "5.00 mm", "5.00 mm"},
        {"Rectangle", "Girth", "1", "30.00 mm", "-", "30.00 mm", "30.00 mm"},
        {"Rectangle", "Area", "1", "50.00 mm²", "-", "50.00 mm²", "50.00 mm²"},
        {"Distance of 2 circles", "Radius", "2", "2.00 mm", "1.41 mm", "1.00 mm", "3.00 mm"},
        {"Distance of 2 circles", "Length", "2", "7.50 mm", "3.54 mm", "5.00 mm", "10.00 mm"},
        {"Distance of 2 circles", "Radius 2", "2", "3.00 mm", "1.41 mm", "2.00 mm", "4.00 mm"},
        {"Angle", "Angle", "2", "37.50°", "10.61°", "30.00°", "45.00°"},
    };
    EXPECT_EQ(table, expected);
    EXPECT_TRUE(std::isnan(statistics[1].deviation));
    EXPECT_DOUBLE_EQ(statistics[0].deviation, 5.0);

    // Close, large values keep an exact deviation.
    std::vector<CResultValues> close(3);
    const double values[] = {1e9 + 1, 1e9 + 2, 1e9 + 3};
    for (int i = 0; i < 3; ++i) {
        close[i] = CResultValues{"Line", i, i, {{"Length", values[i], ResultValueType::Length}}, 0};
    }
    EXPECT_DOUBLE_EQ(ResultStatistics(close)[0].deviation, 1.0);
    EXPECT_TRUE(ResultStatistics({}).empty());
}
