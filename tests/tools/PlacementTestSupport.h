#pragma once

#include "tests/support/TestEnvironment.h"
#include "tools/Placement.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>
#include <vector>

inline bool operator==(const ShapePoint& p, QPoint q) {
    return p.x == q.x() && p.y == q.y();
}

inline void PrintTo(const ShapePoint& p, std::ostream* out) {
    *out << "(" << p.x << ", " << p.y << ")";
}

// Drives a placement as the view does: every click is a move to the point,
// a press and a release there.
class PlacementTest : public ::testing::Test {
protected:
    static CPlacementInput At(int mode, QPoint point, double zoom = 1.0) {
        return {mode, point, zoom};
    }

    std::unique_ptr<CShape> Click(int mode, QPoint point, double zoom = 1.0) {
        const CPlacementInput input = At(mode, point, zoom);
        placement.Move(input);
        placement.Press(input);
        return placement.Release(input);
    }

    // Clicks every point; only the last click may complete the shape.
    std::unique_ptr<CShape> Place(int mode, std::initializer_list<QPoint> clicks,
                                  double zoom = 1.0) {
        std::unique_ptr<CShape> shape;
        int i = 0;
        for (const QPoint& point : clicks) {
            EXPECT_EQ(shape, nullptr) << "completed early, before click " << i;
            shape = Click(mode, point, zoom);
            ++i;
        }
        return shape;
    }

    static std::vector<ShapePoint> PointsOf(const CShape& shape, int count) {
        return {shape.points.begin(), shape.points.begin() + count};
    }

    ScopedProgramFolder home;
    CPlacement placement;
};
