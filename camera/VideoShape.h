#pragma once

#include "framework/Colorref.h"
#include "shapes/Geometry.h"

#include <array>
#include <memory>
#include <vector>

#include <QString>

// Live kind codes: the measurement a tool makes on the live picture. They
// are the live view's own numbers, not the still shapes' kind codes.
namespace LiveKind {
inline constexpr int kLine = 1;
inline constexpr int kRectangle = 2;
inline constexpr int kEllipse = 3;
inline constexpr int kCircle = 4; // by diameter
inline constexpr int kArc = 5;
inline constexpr int kThreePointAngle = 6;
inline constexpr int kParallel = 7;
inline constexpr int kPolygon = 8;
inline constexpr int kFoldLine = 9;
inline constexpr int kFourPointAngle = 10;
inline constexpr int kPointLine = 11;
inline constexpr int kTwoCircles = 12;
inline constexpr int kSquareMark = 13;
inline constexpr int kCircleMark = 14;
inline constexpr int kAutoLine = 15;
inline constexpr int kAutoCircle = 16;
inline constexpr int kLineCircle = 17;
inline constexpr int kCrosshair = 18;
inline constexpr int kText = 19;
inline constexpr int kHorizontalLine = 20;
inline constexpr int kVerticalLine = 21;
inline constexpr int kRadiusCircle = 66;
inline constexpr int kThreePointCircle = 88;
} // namespace LiveKind

// The still shape kind (ShapeKind) and the measuring mode (MeasureMode) of
// the tool that makes a live kind, and back: the one place the two
// numberings meet. 0 for the crosshair and for codes of no kind.
int ShapeKindOfLiveKind(int liveKind);
int LiveKindOfShapeKind(int shapeKind);
int StillModeOfLiveKind(int liveKind);

// One measurement completed on the live picture. `measured` holds the raw
// measures in frame pixels, square pixels or degrees, laid out as the still
// shape of the same tool lays out its `measure` (a distance's length first).
struct CVideoShap {
    int kind = 0; // a LiveKind code
    std::array<double, 3> measured{};
    QString labelText; // the text of a text note
    int ordinal = 0;   // the live view's running shape counter at creation
    COLORREF textColor = 0x00FF00;
    COLORREF lineColor = 0x0000FF;
    int lineWidth = 1;
    std::vector<ShapePoint> points{}; // frame pixels, y downwards
    int marked = 0;                   // 1 once picked for a selective export
};

// The measurements of the live picture in the order they were made; the list
// owns them. Changed on the GUI thread only; the frame pipeline draws from
// copies published with PublishLiveShapes (camera/LiveOverlay.h).
struct CLiveShapeList {
    std::vector<std::unique_ptr<CVideoShap>> shapes;
};

extern CLiveShapeList g_liveShapes;
