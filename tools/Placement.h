#pragma once

#include "shapes/ShapeFactory.h"
#include "tools/EdgeFinder.h"

#include <array>
#include <memory>

#include <QPoint>
#include <QString>

// Turns the clicks of a measuring tool into a shape, for the image view and for
// marnelo-cli alike. The caller converts each mouse event to the view's
// logical device pixels (client point plus scroll offset) and hands it over
// with the document's measuring mode and the view's zoom at that moment; it
// draws Preview() while a shape is being placed and stores the completed
// shapes that Release and PlaceText hand back. Toolkit-free; one object per
// view, used on one thread.
//
// Each group of tools keeps its own point buffer and state, so switching tools
// in the middle of a placement leaves it to be finished or reset. Clicks that
// would make a shape impossible to complete (a point repeating an earlier one,
// an unplaced anchor of the automatic circle) are ignored, so a placement
// always ends with its release.

// One mouse event of the view.
struct CPlacementInput {
    int mode = 0;      // the document's measuring mode
    QPoint point;      // logical device pixels at `zoom`
    double zoom = 1.0; // the view's zoom
};

// The image pixel under a logical device point: trunc(v / zoom + 0.5) on both
// axes (149 at zoom 0.3 is 497).
QPoint ImagePointAt(QPoint logical, double zoom);

enum class CPressOutcome {
    Ignored,        // not a placing mode, a click failing a check, or a shape awaiting its release
    Placed,         // the click was taken; keep the mouse captured until the shape is complete
    TextRequested,  // ask for the note's text, then call PlaceText or CancelText
    CrosshairMoved, // Crosshair() moved to the click
};

class CPlacement {
public:
    // The search radius of the automatic circle's edge snapping, image pixels.
    static constexpr int kSnapRadius = 20;
    // Where the crosshair stands until it is first clicked, image pixels.
    static constexpr QPoint kDefaultCrosshair{80, 80};

    // `edgeFinder` may be null (see SetEdgeFinder).
    explicit CPlacement(IEdgeFinder* edgeFinder = nullptr);
    ~CPlacement();
    CPlacement(const CPlacement&) = delete;
    CPlacement& operator=(const CPlacement&) = delete;

    // The finder the automatic tools use; it must outlive its use here. Null:
    // the automatic circle keeps the clicked points and the automatic line
    // measures between the midpoints of its guide lines.
    void SetEdgeFinder(IEdgeFinder* edgeFinder) { m_edgeFinder = edgeFinder; }
    // The size of the picture the shapes are made on (640 × 480 until set).
    void SetImageSize(int width, int height);

    // Left button down: advances the placement of the mode's tool group.
    CPressOutcome Press(const CPlacementInput& input);
    // Mouse move: the next point of the placement follows the cursor and the
    // preview is rebuilt. True when the preview changed (repaint it).
    bool Move(const CPlacementInput& input);
    // Left button up: the completed shape (style, serial and inProgress 0 set,
    // results not yet computed) when the placement has reached its end, then
    // the placement is reset; otherwise nullptr. The caller stores the shape,
    // refreshes the results list and releases the mouse.
    std::unique_ptr<CShape> Release(const CPlacementInput& input);
    // Right button down: with the polygon or fold-line tool and 3..9 vertices
    // placed, ends the vertex input (the next click places the label). True
    // when it did.
    bool RightClick(const CPlacementInput& input);

    // After TextRequested: the text note at the clicked point, completed as
    // Release completes shapes, and the placement reset; nullptr for an empty
    // text or when no text was requested.
    std::unique_ptr<CShape> PlaceText(const QString& text);
    // After TextRequested, when the user cancelled.
    void CancelText() { m_textPending = false; }

    // Forgets every placement under way (after a stored shape and when the
    // view is activated); the serial and mark counters run on.
    void Reset();

    // The shape being placed, as it would look now; nullptr when none.
    const CShape* Preview() const { return m_preview.get(); }
    // Drawing a preview refreshes the boxes it keeps, hence a mutable one.
    CShape* Preview() { return m_preview.get(); }
    // True from the last measuring point to the stored shape: the next click
    // places the label.
    bool PointsComplete() const { return m_pointsComplete; }
    // True while any placement has started and not ended.
    bool IsPlacing() const;
    // The crosshair position, image pixels.
    QPoint Crosshair() const { return m_crosshair; }
    const CShapeCounters& Counters() const { return m_counters; }
    // Shapes added by other means (marnelo-cli's direct shapes) take their
    // numbers from the same counters, so one picture has one sequence.
    CShapeCounters& Counters() { return m_counters; }

private:
    enum class Group {
        None,
        TwoPoints,    // distances, rectangle, ellipse, radius and diameter circles
        ThreePoints,  // arc, three-point angle, parallel lines, point to line
        FourPoints,   // four-point angle, two circles, line and circle
        CirclePoints, // three-point circle
        EdgeCircle,   // automatic circle
        GuideLines,   // automatic line (device pixels)
        Vertices,     // polygon and fold line
        Mark,
        Text,
        Crosshair,
    };
    static constexpr int kGroupCount = static_cast<int>(Group::Crosshair) + 1;

    struct GroupState {
        std::array<ShapePoint, kShapePointSlots> points{}; // slot n holds the point of state n
        int state = 0;                                     // points placed so far
    };

    static Group GroupOf(int mode);
    // The state at which a group's shape is complete: its measuring points and
    // the label anchor placed.
    static int FinalState(Group group);

    GroupState& StateOf(Group group) { return m_groups[static_cast<int>(group)]; }
    const GroupState& StateOf(Group group) const { return m_groups[static_cast<int>(group)]; }

    CPressOutcome PressMeasuring(Group group, const CPlacementInput& input);
    CPressOutcome PressMark(const CPlacementInput& input);
    CPressOutcome PressText(const CPlacementInput& input);

    // The point a click or the cursor stands for in a group at its state:
    // device pixels for the guide lines, image pixels otherwise, kept on P0's
    // row or column by the horizontal and vertical distances.
    ShapePoint PointFor(Group group, const CPlacementInput& input, const GroupState& g) const;
    ShapePoint SnapToEdge(const ShapePoint& click) const;
    // The checks of a click at the group's state.
    static bool AcceptsPoint(Group group, int mode, const GroupState& g, const ShapePoint& p);
    // The checks on release, once the group has reached its final state.
    static bool CanComplete(Group group, int mode, const GroupState& g);

    std::unique_ptr<CShape> Complete(Group group, const CPlacementInput& input);
    std::unique_ptr<CShape> CompleteMark(const CPlacementInput& input);
    // The measured segment of the automatic line in image pixels.
    std::array<ShapePoint, 2> MeasuredSegment(const GroupState& g, double zoom) const;

    CShapeParams ParamsFor(double zoom) const;
    void RebuildPreview(const CPlacementInput& input, const GroupState& g);

    IEdgeFinder* m_edgeFinder = nullptr;
    int m_imageWidth = 640;
    int m_imageHeight = 480;
    std::array<GroupState, kGroupCount> m_groups{};
    bool m_markPending = false;
    ShapePoint m_markPoint;
    bool m_textPending = false;
    CPlacementInput m_textClick;
    bool m_pointsComplete = false;
    std::unique_ptr<CShape> m_preview;
    QPoint m_crosshair = kDefaultCrosshair;
    CShapeCounters m_counters;
};
