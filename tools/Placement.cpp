#include "tools/Placement.h"

#include "core/Parameters.h"
#include "shapes/ShapeKinds.h"

namespace {

namespace M = MeasureMode;

constexpr int kMaxVertices = 10;
constexpr int kMinVerticesToEnd = 3;
constexpr int kVertexAnchorSlot = 10;

ShapePoint ToShapePoint(QPoint p) {
    return {static_cast<double>(p.x()), static_cast<double>(p.y())};
}

QPoint ToQPoint(const ShapePoint& p) {
    return {static_cast<int>(p.x), static_cast<int>(p.y)};
}

// True when `p` differs from each of the first `count` points.
bool DiffersFromAll(const std::array<ShapePoint, kShapePointSlots>& points, int count,
                    const ShapePoint& p) {
    for (int i = 0; i < count; ++i) {
        if (points[i] == p) {
            return false;
        }
    }
    return true;
}

// True when the first `count` points are pairwise different.
bool PairwiseDifferent(const std::array<ShapePoint, kShapePointSlots>& points, int count) {
    for (int i = 1; i < count; ++i) {
        if (!DiffersFromAll(points, i, points[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

QPoint ImagePointAt(QPoint logical, double zoom) {
    return {static_cast<int>(logical.x() / zoom + 0.5), static_cast<int>(logical.y() / zoom + 0.5)};
}

CPlacement::CPlacement(IEdgeFinder* edgeFinder)
    : m_edgeFinder(edgeFinder) {}

CPlacement::~CPlacement() = default;

void CPlacement::SetImageSize(int width, int height) {
    m_imageWidth = width;
    m_imageHeight = height;
}

CPlacement::Group CPlacement::GroupOf(int mode) {
    switch (mode) {
    case M::kLine:
    case M::kHorizontalLine:
    case M::kVerticalLine:
    case M::kRectangle:
    case M::kEllipse:
    case M::kCircle:
    case M::kRadiusCircle:
        return Group::TwoPoints;
    case M::kArc:
    case M::kThreePointAngle:
    case M::kParallel:
    case M::kPointLine:
        return Group::ThreePoints;
    case M::kFourPointAngle:
    case M::kTwoCircles:
    case M::kLineCircle:
        return Group::FourPoints;
    case M::kThreePointCircle:
        return Group::CirclePoints;
    case M::kAutoCircle:
        return Group::EdgeCircle;
    case M::kAutoLine:
        return Group::GuideLines;
    case M::kPolygon:
    case M::kFoldLine:
        return Group::Vertices;
    case M::kSquareMark:
    case M::kCircleMark:
        return Group::Mark;
    case M::kText:
        return Group::Text;
    case M::kCrosshair:
        return Group::Crosshair;
    default:
        return Group::None;
    }
}

int CPlacement::FinalState(Group group) {
    switch (group) {
    case Group::TwoPoints:
        return 3;
    case Group::ThreePoints:
    case Group::CirclePoints:
    case Group::EdgeCircle:
        return 4;
    case Group::FourPoints:
    case Group::GuideLines:
        return 5;
    case Group::Vertices:
        return kVertexAnchorSlot + 1;
    default:
        return 0;
    }
}

CPressOutcome CPlacement::Press(const CPlacementInput& input) {
    const Group group = GroupOf(input.mode);
    switch (group) {
    case Group::None:
        return CPressOutcome::Ignored;
    case Group::Mark:
        return PressMark(input);
    case Group::Text:
        return PressText(input);
    case Group::Crosshair:
        m_crosshair = ImagePointAt(input.point, input.zoom);
        return CPressOutcome::CrosshairMoved;
    default:
        return PressMeasuring(group, input);
    }
}

CPressOutcome CPlacement::PressMeasuring(Group group, const CPlacementInput& input) {
    GroupState& g = StateOf(group);
    const int final = FinalState(group);
    if (g.state >= final) {
        return CPressOutcome::Ignored; // complete: waiting for the release
    }
    ShapePoint p = PointFor(group, input, g);
    const bool anchor = g.state == final - 1;
    if (anchor) {
        // The automatic circle refuses an anchor that reads as unplaced.
        if (group == Group::EdgeCircle && !IsSet(p)) {
            return CPressOutcome::Ignored;
        }
    } else {
        if (group == Group::EdgeCircle) {
            p = SnapToEdge(p);
        }
        if (!AcceptsPoint(group, input.mode, g, p)) {
            return CPressOutcome::Ignored;
        }
    }
    g.points[g.state] = p;
    ++g.state;
    if (g.state == final - 1) {
        m_pointsComplete = true;
    }
    RebuildPreview(input, g);
    return CPressOutcome::Placed;
}

CPressOutcome CPlacement::PressMark(const CPlacementInput& input) {
    if (m_markPending) {
        return CPressOutcome::Ignored;
    }
    m_markPending = true;
    m_markPoint = ToShapePoint(ImagePointAt(input.point, input.zoom));
    return CPressOutcome::Placed;
}

CPressOutcome CPlacement::PressText(const CPlacementInput& input) {
    m_textPending = true;
    m_textClick = input;
    return CPressOutcome::TextRequested;
}

ShapePoint CPlacement::PointFor(Group group, const CPlacementInput& input,
                                const GroupState& g) const {
    if (group == Group::GuideLines) {
        return ToShapePoint(input.point);
    }
    ShapePoint p = ToShapePoint(ImagePointAt(input.point, input.zoom));
    if (g.state == 1) {
        if (input.mode == M::kHorizontalLine) {
            p.y = g.points[0].y;
        } else if (input.mode == M::kVerticalLine) {
            p.x = g.points[0].x;
        }
    }
    return p;
}

ShapePoint CPlacement::SnapToEdge(const ShapePoint& click) const {
    if (m_edgeFinder == nullptr) {
        return click;
    }
    const std::optional<QPoint> edge = m_edgeFinder->SnapToEdge(ToQPoint(click), kSnapRadius);
    return edge ? ToShapePoint(*edge) : click;
}

bool CPlacement::AcceptsPoint(Group group, int mode, const GroupState& g, const ShapePoint& p) {
    switch (group) {
    case Group::TwoPoints:
    case Group::ThreePoints:
    case Group::CirclePoints:
    case Group::EdgeCircle:
        return DiffersFromAll(g.points, g.state, p);
    case Group::FourPoints: {
        if (g.state == 0) {
            return true;
        }
        const ShapePoint& previous = g.points[g.state - 1];
        const bool movedBothWays = p.x != previous.x && p.y != previous.y;
        // The two lines of the angle need four distinct points.
        return movedBothWays &&
               (mode != M::kFourPointAngle || DiffersFromAll(g.points, g.state, p));
    }
    case Group::GuideLines:
        // Each guide line needs two distinct ends.
        return g.state % 2 == 0 || p != g.points[g.state - 1];
    default:
        return true;
    }
}

bool CPlacement::CanComplete(Group group, int mode, const GroupState& g) {
    if (g.state != FinalState(group)) {
        return false;
    }
    const auto& p = g.points;
    switch (group) {
    case Group::TwoPoints:
        return PairwiseDifferent(p, 2);
    case Group::ThreePoints:
    case Group::CirclePoints:
        return PairwiseDifferent(p, 3);
    case Group::EdgeCircle:
        return PairwiseDifferent(p, 3) && IsSet(p[3]);
    case Group::FourPoints:
        if (mode == M::kFourPointAngle) {
            return PairwiseDifferent(p, 4);
        }
        return p[1] != p[0] && p[3] != p[2];
    case Group::GuideLines:
        return p[1] != p[0] && p[3] != p[2];
    default:
        return true;
    }
}

bool CPlacement::Move(const CPlacementInput& input) {
    const Group group = GroupOf(input.mode);
    const int final = FinalState(group);
    if (final != 0) {
        GroupState& g = StateOf(group);
        if (g.state > 0 && g.state < final) {
            g.points[g.state] = PointFor(group, input, g);
            RebuildPreview(input, g);
            return true;
        }
        if (g.state == final) {
            return false; // the label is placed: the shape stays as it is until released
        }
    }
    // No placement of this tool is under way: nothing may follow the cursor.
    const bool hadPreview = m_preview != nullptr;
    m_preview.reset();
    return hadPreview;
}

std::unique_ptr<CShape> CPlacement::Release(const CPlacementInput& input) {
    const Group group = GroupOf(input.mode);
    std::unique_ptr<CShape> shape;
    if (group == Group::Mark) {
        if (m_markPending) {
            shape = CompleteMark(input);
        }
    } else if (FinalState(group) != 0 && CanComplete(group, input.mode, StateOf(group))) {
        shape = Complete(group, input);
    }
    if (shape != nullptr) {
        Reset();
    }
    return shape;
}

bool CPlacement::RightClick(const CPlacementInput& input) {
    if (GroupOf(input.mode) != Group::Vertices) {
        return false;
    }
    GroupState& g = StateOf(Group::Vertices);
    if (g.state < kMinVerticesToEnd || g.state >= kMaxVertices) {
        return false;
    }
    // The slot that followed the cursor is no vertex.
    for (int i = g.state; i < kMaxVertices; ++i) {
        g.points[i] = {};
    }
    g.state = kVertexAnchorSlot;
    g.points[kVertexAnchorSlot] = PointFor(Group::Vertices, input, g);
    m_pointsComplete = true;
    RebuildPreview(input, g);
    return true;
}

std::unique_ptr<CShape> CPlacement::PlaceText(const QString& text) {
    if (!m_textPending || text.isEmpty()) {
        m_textPending = false;
        return nullptr;
    }
    CShapeParams params = ParamsFor(m_textClick.zoom);
    params.text = text;
    params.points[0] = ToShapePoint(ImagePointAt(m_textClick.point, m_textClick.zoom));
    std::unique_ptr<CShape> shape = CreateShape(M::kText, params);
    CompleteShape(*shape, m_counters.TakeSerial());
    Reset();
    return shape;
}

void CPlacement::Reset() {
    m_groups = {};
    m_markPending = false;
    m_markPoint = {};
    m_textPending = false;
    m_pointsComplete = false;
    m_preview.reset();
}

bool CPlacement::IsPlacing() const {
    if (m_markPending || m_textPending) {
        return true;
    }
    for (const GroupState& g : m_groups) {
        if (g.state > 0) {
            return true;
        }
    }
    return false;
}

std::unique_ptr<CShape> CPlacement::Complete(Group group, const CPlacementInput& input) {
    const GroupState& g = StateOf(group);
    CShapeParams params = ParamsFor(input.zoom);
    if (group == Group::GuideLines) {
        const std::array<ShapePoint, 2> segment = MeasuredSegment(g, input.zoom);
        params.points[0] = segment[0];
        params.points[1] = segment[1];
        params.points[2] = ToShapePoint(ImagePointAt(input.point, input.zoom));
    } else {
        params.points = g.points;
    }
    std::unique_ptr<CShape> shape = CreateShape(input.mode, params);
    CompleteShape(*shape, m_counters.TakeSerial());
    return shape;
}

std::unique_ptr<CShape> CPlacement::CompleteMark(const CPlacementInput& input) {
    CShapeParams params = ParamsFor(input.zoom);
    params.points[0] = m_markPoint;
    params.markNumber = m_counters.TakeMarkNumber(input.mode);
    std::unique_ptr<CShape> shape = CreateShape(input.mode, params);
    CompleteShape(*shape, m_counters.TakeSerial());
    return shape;
}

std::array<ShapePoint, 2> CPlacement::MeasuredSegment(const GroupState& g, double zoom) const {
    const QPoint p1 = ToQPoint(g.points[0]);
    const QPoint q1 = ToQPoint(g.points[1]);
    const QPoint p2 = ToQPoint(g.points[2]);
    const QPoint q2 = ToQPoint(g.points[3]);
    std::optional<CEdgeSegment> found;
    if (m_edgeFinder != nullptr) {
        found = m_edgeFinder->TwoLinePerpendicular(p1, q1, p2, q2, zoom);
    }
    // Without the edges, the distance runs between the midpoints of the guide
    // lines as drawn.
    const CEdgeSegment segment =
        found.value_or(CEdgeSegment{{(p1.x() + q1.x()) / 2, (p1.y() + q1.y()) / 2},
                                    {(p2.x() + q2.x()) / 2, (p2.y() + q2.y()) / 2}});
    return {ToShapePoint(ImagePointAt(segment.a, zoom)),
            ToShapePoint(ImagePointAt(segment.b, zoom))};
}

CShapeParams CPlacement::ParamsFor(double zoom) const {
    CShapeParams params;
    params.lineColor = static_cast<COLORREF>(g_parameters.linecolor);
    params.textColor = static_cast<COLORREF>(g_parameters.textcolor);
    params.imgWidth = m_imageWidth;
    params.imgHeight = m_imageHeight;
    params.zoom = zoom;
    return params;
}

void CPlacement::RebuildPreview(const CPlacementInput& input, const GroupState& g) {
    CShapeParams params = ParamsFor(input.zoom);
    params.points = g.points;
    m_preview = CreateShape(input.mode, params);
}
