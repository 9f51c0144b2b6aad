#pragma once

#include "calibration/Calibration.h"
#include "shapes/ShapeFactory.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>

// Shapes built as the view builds them, measured with a calibration that
// converts one pixel to one unit unless a test changes it: for the geometry.
// What the calibration does to the values is checked with a real one
// (ShapeResultsTest.cpp).
class ShapeTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_calibration = CCurrentCalibration{};
        g_calibration.unitFactor = 10.0;
        g_calibration.scale = 10.0;
        g_shapeNotifications = CShapeNotifications{};
        g_shapeNotifications.refreshResults = [this] {
            ++refreshes;
        };
    }
    void TearDown() override {
        g_calibration = CCurrentCalibration{};
        g_shapeNotifications = CShapeNotifications{};
    }

    // A preview of the mode's kind with the points in the buffer's first slots.
    static std::unique_ptr<CShape> Preview(int mode, std::initializer_list<ShapePoint> points,
                                           int markNumber = 0) {
        CShapeParams params;
        int i = 0;
        for (const ShapePoint& p : points) {
            params.points[i++] = p;
        }
        params.markNumber = markNumber;
        std::unique_ptr<CShape> shape = CreateShape(mode, params);
        EXPECT_TRUE(shape) << mode;
        return shape;
    }

    // The same shape completed and measured.
    static std::unique_ptr<CShape> Measured(int mode, std::initializer_list<ShapePoint> points) {
        std::unique_ptr<CShape> shape = Preview(mode, points);
        CompleteShape(*shape, 0);
        shape->ComputeResults();
        return shape;
    }

    int refreshes = 0;
};
