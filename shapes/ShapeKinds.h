#pragma once

// Kind codes of the shapes (the `kind` field) and the measuring mode values
// of the tools that create them.

namespace ShapeKind {
inline constexpr int kLine = 1;
inline constexpr int kRectangle = 2;
inline constexpr int kEllipse = 3;
inline constexpr int kCircle = 4;
inline constexpr int kArc = 5;
inline constexpr int kThreePointAngle = 6;
inline constexpr int kParallel = 7;
inline constexpr int kPointLine = 8;
inline constexpr int kSquareMark = 9;
inline constexpr int kCircleMark = 10;
inline constexpr int kText = 11;
inline constexpr int kFourPointAngle = 12;
inline constexpr int kTwoCircles = 13;
inline constexpr int kPolygon = 14;
inline constexpr int kFoldLine = 15;
inline constexpr int kAutoCircle = 16;
inline constexpr int kLineCircle = 17;
inline constexpr int kAutoLine = 22;
inline constexpr int kRadiusCircle = 66;
inline constexpr int kThreePointCircle = 88;
inline constexpr int kHorizontalLine = 100;
inline constexpr int kVerticalLine = 101;
// An object of a particle analysis; no tool places it.
inline constexpr int kParticle = 200;
} // namespace ShapeKind

namespace MeasureMode {
inline constexpr int kNone = 0;
inline constexpr int kLine = 108;
inline constexpr int kRectangle = 109;
inline constexpr int kEllipse = 110;
inline constexpr int kCircle = 111;
inline constexpr int kArc = 112;
inline constexpr int kPolygon = 113;
inline constexpr int kFoldLine = 114;
inline constexpr int kThreePointAngle = 115;
inline constexpr int kFourPointAngle = 116;
inline constexpr int kParallel = 117;
inline constexpr int kPointLine = 118;
inline constexpr int kTwoCircles = 119;
inline constexpr int kSquareMark = 120;
inline constexpr int kText = 121;
inline constexpr int kAutoLine = 122;
inline constexpr int kAutoCircle = 123;
inline constexpr int kLineCircle = 124;
inline constexpr int kCircleMark = 130;
inline constexpr int kHorizontalLine = 138;
inline constexpr int kVerticalLine = 139;
inline constexpr int kCrosshair = 140;
inline constexpr int kRadiusCircle = 166;
inline constexpr int kThreePointCircle = 188;
// Not a tool: the mode a measurement session records particles with.
inline constexpr int kParticle = 200;
} // namespace MeasureMode
