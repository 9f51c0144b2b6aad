#pragma once

#include "shapes/Shape.h"

#include <memory>
#include <span>

// One row per shape kind: the measuring mode that creates it, its code and
// class, and how many points a completed shape of the kind stores (anchor
// included; polygon and fold line: the 11 slots, anchor at P10).
struct CShapeKindInfo {
    int mode;
    int kind;
    const char* className;
    int storedPoints;
    std::unique_ptr<CShape> (*create)(const CShapeParams& params);
};

// All 22 kinds.
std::span<const CShapeKindInfo> ShapeKindTable();

// The row of a measuring mode or of a kind code; nullptr when there is none.
const CShapeKindInfo* KindOfMode(int mode);
const CShapeKindInfo* KindOfCode(int kind);

// Builds the shape of the kind that the measuring mode selects, as a preview
// (inProgress 1). A mode without a kind sends "Bad Element code" through
// g_shapeNotifications.showMessage and returns nullptr.
std::unique_ptr<CShape> CreateShape(int mode, const CShapeParams& params);

// The running numbers of one view: serials of completed shapes from −1
// upwards, square and circle marks numbered separately from 0.
struct CShapeCounters {
    int nextSerial = -1;
    int nextSquareMark = 0;
    int nextCircleMark = 0;

    int TakeSerial() { return nextSerial++; }
    // The number of the next mark of the mode's kind (0 for other modes).
    int TakeMarkNumber(int mode);

    // Counters that run on after every shape of `shapes` (shapes kept from an
    // earlier session bring their serials and mark numbers along).
    static CShapeCounters After(std::span<const std::unique_ptr<CShape>> shapes);
};
