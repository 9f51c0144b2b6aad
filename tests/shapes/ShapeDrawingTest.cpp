#include "core/Parameters.h"
#include "framework/RecordingDrawContext.h"
#include "shapes/CircleShapes.h"
#include "shapes/ShapeKinds.h"
#include "tests/shapes/ShapeTestSupport.h"

#include <set>

namespace {

namespace M = MeasureMode;

using Segment = std::pair<QPoint, QPoint>;

// Drawing checked call by call on a recording context, with the drawing style
// and calibration every test starts from: 2 decimals, text size 16, "mm" at
// one unit per pixel.
class ShapeDrawTest : public ShapeTest {
protected:
    void SetUp() override {
        ShapeTest::SetUp();
        g_parameters = CParameters{};
        g_parameters.measuredecimal = 2;
    }
    void TearDown() override {
        g_parameters = CParameters{};
        ShapeTest::TearDown();
    }

    CRecordingDrawContext Drawn(CShape& shape, const CDrawParams& params = {}) {
        CRecordingDrawContext dc;
        shape.Draw(dc, params);
        EXPECT_EQ(dc.SavedDepth(), 0);
        EXPECT_EQ(dc.UnmatchedRestores(), 0);
        return dc;
    }

    static std::vector<Segment> Lines(const CRecordingDrawContext& dc) {
        std::vector<Segment> lines;
        for (const CDrawRecord& r : dc.Calls(DrawCall::LineTo)) {
            lines.emplace_back(r.from, r.point);
        }
        return lines;
    }

    static std::vector<CShapeLabel> Texts(const CRecordingDrawContext& dc) {
        std::vector<CShapeLabel> texts;
        for (const CDrawRecord& r : dc.Calls(DrawCall::TextOut)) {
            texts.push_back(CShapeLabel{r.text, r.point.x(), r.point.y()});
        }
        return texts;
    }

    // The pixels of the 1-pixel lines among the records (horizontal and
    // vertical runs, their end pixels left out), as extended lines draw them.
    static std::set<std::pair<int, int>> RunPixels(const CRecordingDrawContext& dc) {
        std::set<std::pair<int, int>> pixels;
        for (const CDrawRecord& r : dc.Calls(DrawCall::LineTo)) {
            if (r.state.pen.width != 1) {
                continue;
            }
            EXPECT_TRUE(r.from.x() == r.point.x() || r.from.y() == r.point.y());
            const QPoint step((r.point.x() > r.from.x()) - (r.point.x() < r.from.x()),
                              (r.point.y() > r.from.y()) - (r.point.y() < r.from.y()));
            for (QPoint p = r.from; p != r.point; p += step) {
                pixels.insert({p.x(), p.y()});
            }
        }
        return pixels;
    }
};

TEST_F(ShapeDrawTest, LabelsSitAtTheZoomedAnchorWithUnscaledSpacing) {
    g_parameters.textsize = 20;
    const auto rectangle = Measured(M::kRectangle, {{20, 20}, {60, 50}, {100, 200}});
    rectangle->textColor = 0x00FF00;

    const CRecordingDrawContext dc = Drawn(*rectangle);
    const std::vector<CShapeLabel> expected{{"W:40.00mm", 100, 168},
                                            {"H:30.00mm", 100, 184},
                                            {"C:140.00mm", 100, 200},
                                            {"A:1200.00mm²", 100, 216}};
    EXPECT_EQ(Texts(dc), expected);
    EXPECT_EQ(rectangle->Labels(CDrawParams{}), expected);
    for (const CDrawRecord& r : dc.Calls(DrawCall::TextOut)) {
        EXPECT_EQ(r.state.font.height, 20);
        EXPECT_EQ(r.state.font.faceName, u"Arial");
        EXPECT_EQ(r.state.textColor, 0x00FF00u);
        EXPECT_EQ(r.state.backgroundMode, BackgroundMode::Transparent);
    }
    EXPECT_EQ(rectangle->font.height, 20);

    // Half the zoom halves the anchor's distance from the origin; the lines
    // stay 16 pixels apart. An offset moves everything by whole pixels.
    const std::vector<CShapeLabel> half{{"W:40.00mm", 50, 68},
                                        {"H:30.00mm", 50, 84},
                                        {"C:140.00mm", 50, 100},
                                        {"A:1200.00mm²", 50, 116}};
    EXPECT_EQ(Texts(Drawn(*rectangle, {.zoom = 0.5})), half);
    const std::vector<CShapeLabel> moved =
        Texts(Drawn(*rectangle, {.zoom = 0.5, .offsetX = 30, .offsetY = -4}));
    ASSERT_EQ(moved.size(), 4u);
    EXPECT_EQ(QPoint(moved[0].x, moved[0].y), QPoint(20, 72));
}

TEST_F(ShapeDrawTest, EveryRepaintRelabelsWithTheCurrentDecimalsAndUnit) {
    g_calibration.scale = 500.0;
    const auto line = Measured(M::kLine, {{10, 10}, {110, 10}, {5, 5}});
    const auto angle = Measured(M::kThreePointAngle, {{10, 40}, {40, 10}, {10, 10}, {5, 5}});
    const auto text = Measured(M::kText, {{30, 30}});
    text->text = "Grain 2: 20 µm";
    EXPECT_EQ(Texts(Drawn(*line))[0].text, "L:2.00mm");
    EXPECT_EQ(Texts(Drawn(*angle))[0].text, "Deg:90.00°");

    g_parameters.measuredecimal = 4;
    EXPECT_EQ(Texts(Drawn(*line))[0].text, "L:2.0000mm");
    g_calibration.unit = "um";
    g_calibration.unitFactor = 10000.0;
    EXPECT_EQ(Texts(Drawn(*line))[0].text, "L:2000.0000um");
    EXPECT_EQ(g_calibration.lastLineLength, 2000.0);
    EXPECT_EQ(Texts(Drawn(*angle))[0].text, "Deg:90.0000°");
    EXPECT_EQ(Texts(Drawn(*text)), (std::vector<CShapeLabel>{{"Grain 2: 20 µm", 30, 30}}));

    // A stored setting out of range cannot make a label of any length.
    g_parameters.measuredecimal = 1 << 30;
    EXPECT_EQ(Texts(Drawn(*line))[0].text, "L:2000.000000000000000um");
    g_parameters.measuredecimal = -3;
    EXPECT_EQ(Texts(Drawn(*line))[0].text, "L:2000um");
}

TEST_F(ShapeDrawTest, PreviewsDrawTheFigureOnlyAndMeasureNothing) {
    g_calibration.lastLineLength = 7.0;
    const auto line = Preview(M::kLine, {{10, 10}, {50, 10}, {5, 5}});
    const auto polygon = Preview(M::kPolygon, {{10, 10}, {50, 10}, {50, 50}});
    for (CShape* shape : {line.get(), polygon.get()}) {
        const CRecordingDrawContext dc = Drawn(*shape);
        EXPECT_FALSE(dc.Calls(DrawCall::LineTo).empty());
        EXPECT_TRUE(Texts(dc).empty());
        EXPECT_EQ(shape->result[0], 0.0);
    }
    EXPECT_EQ(g_calibration.lastLineLength, 7.0);
    EXPECT_EQ(refreshes, 0);

    // Completed, each repaint computes again, with the side effects.
    CompleteShape(*line, 0);
    CompleteShape(*polygon, 1);
    Drawn(*line);
    EXPECT_EQ(g_calibration.lastLineLength, 40.0);
    Drawn(*polygon);
    Drawn(*polygon);
    EXPECT_EQ(refreshes, 2);
}

TEST_F(ShapeDrawTest, TheOutlinePenAndTheCallersRasterModeAreUsedAndRestored) {
    g_parameters.linecolor = 0x123456;
    const auto ellipse = Measured(M::kEllipse, {{10, 10}, {50, 30}, {5, 5}});
    CRecordingDrawContext dc;
    dc.SetRasterMode(RasterMode::NotXorPen);
    const CDrawState before = dc.State();
    dc.ClearRecords();
    ellipse->Draw(dc, 3, 1.0);

    const std::vector<CDrawRecord> ellipses = dc.Calls(DrawCall::Ellipse);
    ASSERT_EQ(ellipses.size(), 1u);
    EXPECT_EQ(ellipses[0].state.pen, (CPen{PenStyle::Solid, 3, 0x123456}));
    EXPECT_EQ(ellipses[0].state.brush, Brush::Hollow);
    EXPECT_EQ(ellipses[0].state.rasterMode, RasterMode::NotXorPen);
    // Completed, the ellipse goes without its box.
    EXPECT_TRUE(dc.Calls(DrawCall::Rectangle).empty());
    EXPECT_EQ(dc.State(), before);
    EXPECT_EQ(dc.SavedDepth(), 0);

    const auto preview = Preview(M::kEllipse, {{10, 10}, {50, 30}});
    const CRecordingDrawContext placing = Drawn(*preview);
    EXPECT_EQ(placing.Calls(DrawCall::Rectangle).size(), 1u);
    EXPECT_EQ(placing.Calls(DrawCall::Ellipse).size(), 1u);
}

TEST_F(ShapeDrawTest, AnUnsetSecondPointLeavesOnlyTheFirstCross) {
    const std::vector<Segment> cross{{{20, 40}, {40, 40}}, {{30, 30}, {30, 50}}};
    for (const int mode : {M::kThreePointAngle, M::kArc, M::kPointLine}) {
        const auto shape = Preview(mode, {{30, 40}, {0, 50}});
        EXPECT_EQ(Lines(Drawn(*shape)), cross) << mode;
    }
    // Distances have no crosses: nothing at all.
    EXPECT_TRUE(Lines(Drawn(*Preview(M::kLine, {{30, 40}, {0, 50}}))).empty());

    // At zoom 2 the cross is centred on the zoomed point and keeps its size.
    const auto arc = Preview(M::kArc, {{30, 40}});
    const std::vector<Segment> zoomed{{{50, 80}, {70, 80}}, {{60, 70}, {60, 90}}};
    EXPECT_EQ(Lines(Drawn(*arc, {.zoom = 2.0})), zoomed);
}

TEST_F(ShapeDrawTest, DistancesEndInMarksWithOrWithoutBar) {
    const auto line = Measured(M::kHorizontalLine, {{10, 20}, {70, 20}, {5, 5}});
    const std::vector<Segment> expected{
        {{10, 20}, {70, 20}},                                             // the segment
        {{10, 20}, {27, 30}}, {{10, 20}, {27, 10}}, {{10, 40}, {10, 0}},  // at P0
        {{70, 20}, {53, 10}}, {{70, 20}, {53, 30}}, {{70, 0}, {70, 40}}}; // at P1
    EXPECT_EQ(Lines(Drawn(*line)), expected);

    // A point-to-line preview shows the dimension without bars, then the
    // completed shape with them, from the point to its foot.
    const auto preview = Preview(M::kPointLine, {{40, 10}, {10, 50}, {90, 50}});
    const std::vector<Segment> lines = Lines(Drawn(*preview, {.imageWidth = 1, .imageHeight = 1}));
    ASSERT_GE(lines.size(), 5u);
    const std::vector<Segment> dimension(lines.end() - 5, lines.end());
    EXPECT_EQ(dimension[0], Segment({40, 10}, {40, 50}));
    EXPECT_EQ(dimension[1].first, QPoint(40, 10));
    EXPECT_EQ(dimension[3].first, QPoint(40, 50));
    CompleteShape(*preview, 0);
    EXPECT_EQ(Lines(Drawn(*preview)).size(), 7u);
}

TEST_F(ShapeDrawTest, TheArcRunsCounterClockwiseThroughItsThirdPoint) {
    // Third point above the chord: from P1 round over the top to P0.
    const auto over = Measured(M::kArc, {{30, 120}, {150, 120}, {90, 60}, {5, 5}});
    const CRecordingDrawContext dc = Drawn(*over, {.zoom = 2.0});
    const std::vector<CDrawRecord> arcs = dc.Calls(DrawCall::Arc);
    ASSERT_EQ(arcs.size(), 1u);
    EXPECT_EQ(arcs[0].start, QPoint(300, 240));
    EXPECT_EQ(arcs[0].end, QPoint(60, 240));
    EXPECT_EQ((CDeviceBox{arcs[0].left, arcs[0].top, arcs[0].right, arcs[0].bottom}),
              (CDeviceBox{60, 120, 300, 360}));
    EXPECT_EQ(static_cast<CArc&>(*over).box, (CDeviceBox{60, 120, 300, 360}));
    // The radii to both ends.
    const std::vector<Segment> radii{{{180, 240}, {60, 240}}, {{180, 240}, {300, 240}}};
    EXPECT_EQ(Lines(dc), radii);

    // Below the chord: from P0 round under the bottom to P1.
    const auto under = Measured(M::kArc, {{30, 120}, {150, 120}, {90, 180}, {5, 5}});
    const std::vector<CDrawRecord> other = Drawn(*under).Calls(DrawCall::Arc);
    ASSERT_EQ(other.size(), 1u);
    EXPECT_EQ(other[0].start, QPoint(30, 120));
    EXPECT_EQ(other[0].end, QPoint(150, 120));

    // Ends in line with the third point have no circle: nothing is drawn.
    const auto straight = Measured(M::kArc, {{30, 120}, {150, 120}, {90, 120}, {5, 5}});
    EXPECT_TRUE(Drawn(*straight).Calls(DrawCall::Arc).empty());
}

TEST_F(ShapeDrawTest, CircleBoxesAreRecomputedAtTheDrawingZoom) {
    const auto circle = Measured(M::kCircle, {{20, 20}, {60, 20}, {5, 5}});
    const CRecordingDrawContext dc = Drawn(*circle, {.zoom = 1.5, .offsetX = 5, .offsetY = 7});
    const std::vector<CDrawRecord> ellipses = dc.Calls(DrawCall::Ellipse);
    ASSERT_EQ(ellipses.size(), 1u);
    EXPECT_EQ(
        (CDeviceBox{ellipses[0].left, ellipses[0].top, ellipses[0].right, ellipses[0].bottom}),
        (CDeviceBox{30 - 5, 0 - 7, 90 - 5, 60 - 7}));
    EXPECT_EQ(static_cast<CCircle&>(*circle).box, (CDeviceBox{30, 0, 90, 60}));
    Drawn(*circle);
    EXPECT_EQ(static_cast<CCircle&>(*circle).box, (CDeviceBox{20, 0, 60, 40}));

    // The three-point circle: crosses while placing, the circle once the
    // points give one, the circle only when completed.
    const auto placing = Preview(M::kThreePointCircle, {{30, 90}, {80, 40}, {130, 90}});
    const CRecordingDrawContext preview = Drawn(*placing);
    EXPECT_EQ(preview.Calls(DrawCall::LineTo).size(), 6u);
    EXPECT_EQ(preview.Calls(DrawCall::Ellipse).size(), 1u);
    CompleteShape(*placing, 0);
    const CRecordingDrawContext completed = Drawn(*placing, {.zoom = 0.5});
    EXPECT_TRUE(completed.Calls(DrawCall::LineTo).empty());
    ASSERT_EQ(completed.Calls(DrawCall::Ellipse).size(), 1u);
    EXPECT_EQ(completed.Calls(DrawCall::Ellipse)[0].left, 15);
    EXPECT_EQ(Texts(completed)[0], (CShapeLabel{"R:50.00mm", 0, -16}));
}

TEST_F(ShapeDrawTest, ExtendedLinesCrossThePictureTwoPixelsThick) {
    const auto angle = Preview(M::kFourPointAngle, {{10, 20}, {50, 30}, {30, 90}, {30, 10}});
    angle->imgWidth = 200;
    angle->imgHeight = 100;
    const CRecordingDrawContext dc = Drawn(*angle, {.penWidth = 4});
    for (const CDrawRecord& r : dc.Calls(DrawCall::LineTo)) {
        if (r.state.pen.width == 1) {
            EXPECT_EQ(r.state.pen.style, PenStyle::Solid);
        }
    }
    // The mostly horizontal line y = 20 + (x − 10) / 4 over every column, a
    // twin pixel above each; the vertical one as two columns, rows inside.
    std::set<std::pair<int, int>> expected;
    for (int x = 0; x < 200; ++x) {
        const int y = static_cast<int>(std::floor(20 + (x - 10) / 4.0 + 0.5));
        if (y > 0 && y < 100) {
            expected.insert({x, y});
            expected.insert({x, y - 1});
        }
    }
    for (int y = 0; y < 100; ++y) {
        expected.insert({30, y});
        expected.insert({29, y});
    }
    const std::set<std::pair<int, int>> pixels = RunPixels(dc);
    EXPECT_EQ(pixels, expected);
}

TEST_F(ShapeDrawTest, ExtendedLinesFollowTheZoomedPictureAndTheOffset) {
    const auto parallel = Preview(M::kParallel, {{10, 20}, {60, 20}});
    parallel->imgWidth = 100;
    parallel->imgHeight = 50;
    // The cross is drawn with the outline pen, the extended line with a
    // 1-pixel one.
    std::set<int> columns;
    for (const auto& [x, y] : RunPixels(Drawn(*parallel, {.penWidth = 2, .zoom = 2.0}))) {
        if (y == 40 || y == 39) {
            columns.insert(x);
        }
    }
    ASSERT_FALSE(columns.empty());
    EXPECT_EQ(*columns.begin(), 0);
    EXPECT_EQ(*columns.rbegin(), 199); // the zoomed picture is 200 pixels wide

    // Scrolled by (50, 30): the same picture pixels, moved.
    const CRecordingDrawContext scrolled =
        Drawn(*parallel, {.penWidth = 2, .zoom = 2.0, .offsetX = 50, .offsetY = 30});
    std::set<int> movedColumns;
    for (const CDrawRecord& r : scrolled.Calls(DrawCall::LineTo)) {
        if (r.state.pen.width == 1 && r.from.y() == 10) {
            movedColumns.insert(r.from.x());
            movedColumns.insert(r.point.x() - 1);
        }
    }
    EXPECT_EQ(movedColumns, (std::set<int>{-50, 149}));

    // A line outside the picture draws nothing.
    const auto outside = Preview(M::kParallel, {{10, 80}, {60, 80}});
    outside->imgWidth = 100;
    outside->imgHeight = 50;
    EXPECT_EQ(Lines(Drawn(*outside)).size(), 2u); // the cross only
}

TEST_F(ShapeDrawTest, PolygonsAreClosedFromThreeVertices) {
    const auto triangle = Measured(M::kPolygon, {{10, 10}, {50, 10}, {50, 50}});
    const std::vector<Segment> lines = Lines(Drawn(*triangle));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], Segment({50, 50}, {10, 10}));

    const auto nine = Measured(
        M::kPolygon,
        {{10, 10}, {20, 5}, {30, 10}, {40, 5}, {50, 10}, {50, 40}, {40, 45}, {20, 45}, {10, 40}});
    EXPECT_EQ(Lines(Drawn(*nine)).size(), 9u);
    EXPECT_EQ(Lines(Drawn(*Preview(M::kPolygon, {{10, 10}, {50, 10}}))).size(), 1u);
    // The fold line stays open.
    EXPECT_EQ(Lines(Drawn(*Measured(M::kFoldLine, {{10, 10}, {50, 10}, {50, 50}}))).size(), 2u);

    // Labels at P10: the perimeter, the area above it.
    triangle->points[10] = ShapePoint{60, 60};
    const std::vector<CShapeLabel> labels = triangle->Labels(CDrawParams{});
    EXPECT_EQ(labels, (std::vector<CShapeLabel>{{"C:136.57mm", 60, 60}, {"A:800.00mm²", 60, 44}}));
}

TEST_F(ShapeDrawTest, TheFourPointAngleCarriesShortSegmentsOnDotted) {
    // Segments that stop short of their intersection at (50, 50).
    const auto angle =
        Measured(M::kFourPointAngle, {{10, 10}, {30, 30}, {90, 10}, {70, 30}, {5, 5}});
    const CRecordingDrawContext dc = Drawn(*angle, {.penWidth = 2});
    std::vector<Segment> dotted;
    for (const CDrawRecord& r : dc.Calls(DrawCall::LineTo)) {
        if (r.state.pen.style == PenStyle::Dot) {
            EXPECT_EQ(r.state.pen.width, 2);
            dotted.emplace_back(r.from, r.point);
        }
    }
    EXPECT_EQ(dotted, (std::vector<Segment>{{{50, 50}, {30, 30}}, {{50, 50}, {70, 30}}}));
    EXPECT_EQ(Texts(dc)[0].text, "Deg:90.00°");

    // Crossing segments need none; nearly parallel ones meet far away, and
    // only the part over the picture is drawn.
    const auto crossing =
        Measured(M::kFourPointAngle, {{10, 10}, {90, 90}, {90, 10}, {10, 90}, {5, 5}});
    EXPECT_EQ(Lines(Drawn(*crossing)).size(), 2u);
    const auto far =
        Measured(M::kFourPointAngle, {{10, 10}, {90, 10}, {10, 20}, {90, 20.0001}, {5, 5}});
    for (const auto& [from, to] : Lines(Drawn(*far))) {
        EXPECT_LT(std::abs(from.x()), 1000);
        EXPECT_LT(std::abs(to.x()), 1000);
    }
}

TEST_F(ShapeDrawTest, TheAutomaticLineShowsItsGuidesUnzoomed) {
    const auto guides = Preview(M::kAutoLine, {{20, 40}, {120, 40}, {20, 90}, {120, 90}});
    const CRecordingDrawContext dc = Drawn(*guides, {.penWidth = 3, .zoom = 2.0});
    std::vector<Segment> solid;
    std::vector<Segment> dashed;
    for (const CDrawRecord& r : dc.Calls(DrawCall::LineTo)) {
        if (r.state.pen.style == PenStyle::Dash) {
            EXPECT_EQ(r.state.pen.width, 1);
            dashed.emplace_back(r.from, r.point);
        } else {
            EXPECT_EQ(r.state.pen.width, 3);
            solid.emplace_back(r.from, r.point);
        }
    }
    EXPECT_EQ(solid, (std::vector<Segment>{{{20, 40}, {120, 40}}, {{20, 90}, {120, 90}}}));
    EXPECT_EQ(dashed, (std::vector<Segment>{{{20, 46}, {120, 46}},
                                            {{20, 34}, {120, 34}},
                                            {{20, 96}, {120, 96}},
                                            {{20, 84}, {120, 84}}}));

    // Completed: the measured segment between the edges, zoomed, with bars,
    // labelled at P2.
    const auto measured = Measured(M::kAutoLine, {{20, 40}, {20, 90}, {60, 60}});
    const CRecordingDrawContext done = Drawn(*measured, {.zoom = 2.0});
    EXPECT_EQ(Lines(done)[0], Segment({40, 80}, {40, 180}));
    EXPECT_EQ(Texts(done), (std::vector<CShapeLabel>{{"L:50.00mm", 120, 120}}));
}

TEST_F(ShapeDrawTest, MarksAndTextKeepTheirSizeAtAnyZoom) {
    const auto square = Measured(M::kSquareMark, {{100, 100}});
    square->measure[0] = 3;
    const CRecordingDrawContext dc = Drawn(*square, {.zoom = 0.5});
    const std::vector<CDrawRecord> boxes = dc.Calls(DrawCall::Rectangle);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ((CDeviceBox{boxes[0].left, boxes[0].top, boxes[0].right, boxes[0].bottom}),
              (CDeviceBox{35, 35, 65, 65}));
    EXPECT_EQ(Texts(dc), (std::vector<CShapeLabel>{{"3", 43, 43}}));

    const auto circle = Measured(M::kCircleMark, {{100, 100}});
    EXPECT_EQ(Drawn(*circle).Calls(DrawCall::Ellipse)[0].right, 115);

    const auto text = Measured(M::kText, {{30, 40}});
    text->text = "Note";
    const CRecordingDrawContext note = Drawn(*text, {.zoom = 2.0});
    EXPECT_EQ(Texts(note), (std::vector<CShapeLabel>{{"Note", 60, 80}}));
    EXPECT_TRUE(note.Calls(DrawCall::LineTo).empty());
    EXPECT_TRUE(note.Calls(DrawCall::Rectangle).empty());
}

} // namespace
