#include "tools/ToolModes.h"

#include "core/CommandIds.h"
#include "core/Language.h"
#include "shapes/ShapeKinds.h"

namespace {

namespace M = MeasureMode;

constexpr CMeasuringToolInfo kMeasuringTools[] = {
    {ID_MEASURE_LINE, M::kLine, 1},
    {ID_MEASURE_HLINE, M::kHorizontalLine, 20},
    {ID_MEASURE_VLINE, M::kVerticalLine, 21},
    {ID_MEASURE_RECTANGLE, M::kRectangle, 2},
    {ID_MEASURE_ELLIPSE, M::kEllipse, 3},
    {ID_MEASURE_RCIRCLE, M::kRadiusCircle, 66},
    {ID_MEASURE_DCIRCLE, M::kCircle, 4},
    {ID_MEASURE_TCIRCLE, M::kThreePointCircle, 88},
    {ID_MEASURE_ARC, M::kArc, 5},
    {ID_MEASURE_POLYGON, M::kPolygon, 8},
    {ID_MEASURE_BROKENLINE, M::kFoldLine, 9},
    {ID_MEASURE_FANGLE, M::kFourPointAngle, 10},
    {ID_MEASURE_TANGLE, M::kThreePointAngle, 6},
    {ID_MEASURE_PARALLEL, M::kParallel, 7},
    {ID_MEASURE_DOTLINE, M::kPointLine, 11},
    {ID_MEASURE_TCIRCLES, M::kTwoCircles, 12},
    {ID_MEASURE_LINECIRCLE, M::kLineCircle, 17},
    {ID_AUTO_LINE, M::kAutoLine, 15},
    {ID_AUTO_CIRCLE, M::kAutoCircle, 16},
    {ID_MARK_SQUARE, M::kSquareMark, 13},
    {ID_MARK_CIRCLE, M::kCircleMark, 14},
    {ID_ADD_TEXT, M::kText, 19},
    {ID_CROSSLINE, M::kCrosshair, 18},
};

constexpr CAreaToolInfo kAreaTools[] = {
    {ID_AREA_RELIEF, 2, 32835, 102},   {ID_AREA_SHARPEN, 3, 32782, 103},
    {ID_AREA_SMOOTH, 4, 32840, 104},   {ID_AREA_EDGE, 5, 32841, 100},
    {ID_AREA_NEGATIVE, 6, 32842, 105}, {ID_AREA_DARKER, 7, 32774, 106},
    {ID_AREA_BRIGHTER, 8, 32843, 107},
};

constexpr int kLiveAreaKind = 100;
constexpr int kHint = 256;

template <typename Row, typename Key>
const Row* Find(std::span<const Row> rows, Key key) {
    for (const Row& row : rows) {
        if (key(row)) {
            return &row;
        }
    }
    return nullptr;
}

} // namespace

std::span<const CMeasuringToolInfo> MeasuringTools() {
    return kMeasuringTools;
}

std::span<const CAreaToolInfo> AreaTools() {
    return kAreaTools;
}

const CMeasuringToolInfo* MeasuringToolOfCommand(int commandId) {
    return Find(MeasuringTools(),
                [commandId](const CMeasuringToolInfo& t) { return t.commandId == commandId; });
}

const CMeasuringToolInfo* MeasuringToolOfMode(int mode) {
    return Find(MeasuringTools(), [mode](const CMeasuringToolInfo& t) { return t.mode == mode; });
}

const CAreaToolInfo* AreaToolOfCommand(int commandId) {
    return Find(AreaTools(),
                [commandId](const CAreaToolInfo& t) { return t.commandId == commandId; });
}

const CAreaToolInfo* AreaToolOfMode(int areaMode) {
    return Find(AreaTools(), [areaMode](const CAreaToolInfo& t) { return t.areaMode == areaMode; });
}

int FlipOperation(int commandId) {
    switch (commandId) {
    case ID_FLIP_HORIZONTAL:
        return 32832;
    case ID_FLIP_VERTICAL:
        return 32828;
    default:
        return 0;
    }
}

int LiveKindOfMode(int mode) {
    if (mode == kLiveAreaSelectionMode) {
        return kLiveAreaKind;
    }
    const CMeasuringToolInfo* tool = MeasuringToolOfMode(mode);
    return tool != nullptr ? tool->liveKind : 0;
}

bool IsPlacementMode(int mode) {
    return MeasuringToolOfMode(mode) != nullptr;
}

QString ToolHint(int commandId) {
    switch (commandId) {
    case ID_MEASURE_LINE:
    case ID_MEASURE_HLINE:
    case ID_MEASURE_VLINE:
        return GetLanguageString(
            "MSLINE", QStringLiteral("Distance: Click the left mouse button to select 2 points"),
            kHint);
    case ID_MEASURE_RECTANGLE:
        return GetLanguageString(
            "MRECTANLE",
            QStringLiteral("Rectangle: Click the left mouse button to select 2 points"), kHint);
    case ID_MEASURE_ELLIPSE:
        return GetLanguageString(
            "MELLIPSE", QStringLiteral("Ellipse: Click the left mouse button to select 2 points"),
            kHint);
    case ID_MEASURE_RCIRCLE:
        return GetLanguageString(
            "MRCIRCLE",
            QStringLiteral("Radius Circle: Click the left mouse button to select 2 points"), kHint);
    case ID_MEASURE_DCIRCLE:
        return GetLanguageString(
            "MDCIRCLE",
            QStringLiteral("Diameter Circle: Click the left mouse button to select 2 points"),
            kHint);
    case ID_MEASURE_TCIRCLE:
        return GetLanguageString(
            "MTCIRCLE",
            QStringLiteral("3 points Circle: Click the left mouse button to select 3 points"),
            kHint);
    case ID_MEASURE_ARC:
        return GetLanguageString(
            "MARC", QStringLiteral("3 points arc: Click the left mouse button to select 3 points"),
            kHint);
    case ID_MEASURE_POLYGON:
        return GetLanguageString(
            "MPOLYGON",
            QStringLiteral("Polygon: Click the left mouse button to select some points"), kHint);
    case ID_MEASURE_BROKENLINE:
        return GetLanguageString(
            "MBROKENLINE",
            QStringLiteral("Fold-Line: Click the left mouse button to select some points"), kHint);
    case ID_MEASURE_FANGLE:
        return GetLanguageString(
            "MFANGLE",
            QStringLiteral("4 points angle: Click the left mouse button to select 4 points"),
            kHint);
    case ID_MEASURE_TANGLE:
        return GetLanguageString(
            "MTANGLE",
            QStringLiteral("3 points angle: Click the left mouse button to select 3 points"),
            kHint);
    case ID_MEASURE_PARALLEL:
        return GetLanguageString("MPARALLEL",
                                 QStringLiteral("Distance of Parallel lines: Click the left mouse "
                                                "button to select 4 points"),
                                 kHint);
    case ID_MEASURE_DOTLINE:
        return GetLanguageString("MDOTLINE",
                                 QStringLiteral("Distance of a point and a line: Click the left "
                                                "mouse button to select 4 points"),
                                 kHint);
    case ID_MEASURE_TCIRCLES:
        return GetLanguageString(
            "MTCIRCLES",
            QStringLiteral("Distance of 2 circles: Click the left mouse button to select 7 points"),
            kHint);
    case ID_MEASURE_LINECIRCLE:
        return GetLanguageString("CIRCLELINE",
                                 QStringLiteral("Distance of a line and a circle: Click the left "
                                                "mouse button to select 4 points"),
                                 kHint);
    case ID_AUTO_LINE:
        return GetLanguageString("AMLINE",
                                 QStringLiteral("Distance of Parallel lines: Click the left mouse "
                                                "button to select 4 points"),
                                 kHint);
    case ID_AUTO_CIRCLE:
        return GetLanguageString(
            "AMCIRCLE",
            QStringLiteral("3 points Circle: Click the left mouse button to select 3 points"),
            kHint);
    case ID_MARK_SQUARE:
        return GetLanguageString(
            "MSMARK", QStringLiteral("Square mark: Click the left mouse button to select 1 point"),
            kHint);
    case ID_MARK_CIRCLE:
        return GetLanguageString(
            "MCMARK",
            QStringLiteral("Circular mark: Click the left mouse button to select 1 point"), kHint);
    case ID_ADD_TEXT:
        return GetLanguageString(
            "MTEXT", QStringLiteral("Add text: Click the left mouse button to select 1 point"),
            kHint);
    case ID_CROSSLINE:
        return GetLanguageString(
            "CROSSLINE",
            QStringLiteral("Crosshairs: Click the left mouse button to add crosshairs"), kHint);
    case ID_AREA_RELIEF:
        return GetLanguageString(
            "AMRELIEVO", QStringLiteral("Relief: Press the left mouse button to select an area"),
            kHint);
    case ID_AREA_SHARPEN:
        return GetLanguageString(
            "AMSHARP", QStringLiteral("Sharpen: Press the left mouse button to select an area"),
            kHint);
    case ID_AREA_SMOOTH:
        return GetLanguageString(
            "AMSMOOTH", QStringLiteral("Smooth: Press the left mouse button to select an area"),
            kHint);
    case ID_AREA_EDGE:
        return GetLanguageString(
            "AMEDGE",
            QStringLiteral("Edge Detection: Press the left mouse button to select an area"), kHint);
    case ID_AREA_NEGATIVE:
        return GetLanguageString(
            "AMNEGATIVE",
            QStringLiteral("Inverse Color: Press the left mouse button to select an area"), kHint);
    case ID_AREA_DARKER:
        return GetLanguageString(
            "AMOUTBRIGHTNESS",
            QStringLiteral("Decrease brightness: Press the left mouse button to select an area"),
            kHint);
    case ID_AREA_BRIGHTER:
        return GetLanguageString(
            "AMINBRIGHTNESS",
            QStringLiteral("Increase brightness: Press the left mouse button to select an area"),
            kHint);
    case ID_FLIP_HORIZONTAL:
    case ID_FLIP_VERTICAL:
        return GetLanguageString(
            "AMHFLIP", QStringLiteral("Flip: Press the left mouse button to select an area"),
            kHint);
    default:
        return {};
    }
}
