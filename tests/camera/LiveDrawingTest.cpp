#include "camera/LiveDrawing.h"

#include "calibration/Calibration.h"
#include "camera/LiveScaleBar.h"
#include "core/Parameters.h"
#include "framework/QImageDrawContext.h"
#include "framework/RecordingDrawContext.h"

#include <gtest/gtest.h>

namespace {

TEST(LiveDrawingTest, CrosshairFollowsTheZoomAcrossTheZoomedFrame) {
    g_parameters.linecolor = 0x123456;
    CLiveViewParams view;
    view.zoom = 1.5;
    view.crosshair = true; // at (80, 80) from the start
    // On a real surface: exactly the pixels of row 120 and column 120 across
    // the zoomed 960 × 720 frame, in the line colour, whatever pen was set.
    QImage surface(1000, 760, QImage::Format_RGB32);
    surface.fill(Qt::white);
    {
        CQImageDrawContext dc(surface);
        dc.SetPen(CPen{PenStyle::Dash, 5, 0x00FF00});
        dc.SetRasterMode(RasterMode::NotXorPen);
        DrawCrosshair(dc, view, 640, 480, CurrentLiveDrawingStyle());
    }
    const QRgb line = qRgb(0x56, 0x34, 0x12);
    for (int y = 0; y < surface.height(); ++y) {
        for (int x = 0; x < surface.width(); ++x) {
            const bool on = (y == 120 && x < 960) || (x == 120 && y < 720);
            ASSERT_EQ(surface.pixel(x, y), on ? line : qRgb(255, 255, 255)) << x << ", " << y;
        }
    }

    view.crosshair = false;
    CRecordingDrawContext off;
    DrawCrosshair(off, view, 640, 480, CurrentLiveDrawingStyle());
    EXPECT_TRUE(off.Records().empty());
}

TEST(LiveDrawingTest, RecordingNoticeIsGreenAtTheCornerOnlyWhileSet) {
    CLiveViewParams view;
    CRecordingDrawContext idle;
    DrawRecordingNotice(idle, view, CurrentLiveDrawingStyle());
    EXPECT_TRUE(idle.Calls(DrawCall::TextOut).empty());

    view.recordingNotice = "Recording...";
    CRecordingDrawContext dc;
    DrawRecordingNotice(dc, view, CurrentLiveDrawingStyle());
    const auto texts = dc.Calls(DrawCall::TextOut);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].point, QPoint(3, 5));
    EXPECT_EQ(texts[0].text, "Recording...");
    EXPECT_EQ(texts[0].state.textColor, 0x00FF00u);
    EXPECT_EQ(dc.SavedDepth(), 0);
    EXPECT_EQ(dc.State().textColor, 0u);
}

TEST(LiveDrawingTest, LiveShapesDrawAsTheirStillShapesWithoutSideEffects) {
    g_parameters.measuredecimal = 1;
    g_calibration.lastLineLength = -7.0;
    CVideoShap line;
    line.kind = LiveKind::kLine;
    line.measured = {60, 0, 0};
    line.points = {{10, 20}, {70, 20}, {40, 30}};
    line.lineColor = 0x0000FF;
    line.lineWidth = 2;
    const std::vector<CVideoShap> shapes{line};

    CRecordingDrawContext dc;
    DrawLiveShapes(dc, shapes, 2.0, 5, 6, CurrentLiveDrawingStyle());
    // At the initial calibration (mm, 60 px/cm) 60 pixels are 10 mm; the
    // label sits at the zoomed, shifted anchor.
    const auto texts = dc.Calls(DrawCall::TextOut);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "L:10.0mm");
    EXPECT_EQ(texts[0].point, QPoint(2 * 40 - 5, 2 * 30 - 6));
    const auto lines = dc.Calls(DrawCall::LineTo);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front().from, QPoint(2 * 10 - 5, 2 * 20 - 6));
    EXPECT_EQ(lines.front().state.pen.width, 2);
    EXPECT_EQ(g_calibration.lastLineLength, -7.0);
    EXPECT_EQ(dc.SavedDepth(), 0);
}

TEST(LiveDrawingTest, MarksAreTwentyPixelsWithTheirNumberCentred) {
    CVideoShap square;
    square.kind = LiveKind::kSquareMark;
    square.measured = {3, 0, 0};
    square.points = {{50, 40}};
    CVideoShap circle = square;
    circle.kind = LiveKind::kCircleMark;
    circle.measured = {4, 0, 0};
    const std::vector<CVideoShap> shapes{square, circle};

    CRecordingDrawContext dc;
    DrawLiveShapes(dc, shapes, 1.0, 0, 0, CurrentLiveDrawingStyle());
    const auto boxes = dc.Calls(DrawCall::Rectangle);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(QRect(QPoint(boxes[0].left, boxes[0].top), QPoint(boxes[0].right, boxes[0].bottom)),
              QRect(QPoint(40, 30), QPoint(60, 50)));
    ASSERT_EQ(dc.Calls(DrawCall::Ellipse).size(), 1u);
    const auto numbers = dc.Calls(DrawCall::DrawCenteredText);
    ASSERT_EQ(numbers.size(), 2u);
    EXPECT_EQ(numbers[0].text, "3");
    EXPECT_EQ(numbers[1].text, "4");
    EXPECT_EQ(numbers[0].left, 38);
    EXPECT_EQ(numbers[0].right, 62);
}

// The streaming thread draws in the style it was handed: labels, the
// crosshair and the scale bar take nothing from the current calibration or
// settings, which the GUI may be changing meanwhile.
TEST(LiveDrawingTest, OverlayDrawsInTheStyleHandedInNotTheCurrentOne) {
    g_calibration = CCurrentCalibration{};
    g_parameters = CParameters{};
    CLiveDrawingStyle style;
    style.labels = CLabelStyle{CUnitConversion{10000.0, 120.0}, QStringLiteral("um"), 1, 20};
    style.lineColor = 0x00AB00;
    style.scaleBar = true;
    CVideoShap line;
    line.kind = LiveKind::kLine;
    line.measured = {60, 0, 0};
    line.points = {{10, 10}, {70, 10}, {40, 20}};

    CRecordingDrawContext dc;
    DrawLiveShapes(dc, std::vector<CVideoShap>{line}, 1.0, 0, 0, style);
    const auto labels = dc.Calls(DrawCall::TextOut);
    ASSERT_FALSE(labels.empty());
    EXPECT_EQ(labels.back().text, QStringLiteral("L:5000.0um"));
    EXPECT_EQ(labels.back().state.font.height, 20);

    CLiveViewParams view;
    view.crosshair = true;
    CRecordingDrawContext cross;
    DrawCrosshair(cross, view, 640, 480, style);
    const auto strokes = cross.Calls(DrawCall::LineTo);
    ASSERT_FALSE(strokes.empty());
    EXPECT_EQ(strokes.back().state.pen.color, COLORREF{0x00AB00});

    CRecordingDrawContext bar;
    DrawLiveScaleBar(bar, view, 640, 480, style); // the setting itself is off
    EXPECT_FALSE(bar.Texts().empty());
    EXPECT_TRUE(bar.Texts().back().endsWith(QStringLiteral("um")));
}

TEST(LiveDrawingTest, EveryLiveKindButTheCrosshairHasAStillShape) {
    for (int kind :
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 19, 20, 21, 66, 88}) {
        EXPECT_NE(StillModeOfLiveKind(kind), 0) << kind;
    }
    EXPECT_EQ(StillModeOfLiveKind(LiveKind::kCrosshair), 0);
    EXPECT_EQ(StillModeOfLiveKind(100), 0);
}

TEST(LiveDrawingTest, AutomaticLineGuidesStayWhereTheyWereDrawnAtAnyZoom) {
    CLiveViewParams view;
    view.zoom = 2.0;
    view.scrollX = 30;
    view.scrollY = 40;
    CInProgressShape shape;
    shape.kind = LiveKind::kAutoLine;
    shape.points = {{50, 60}, {250, 60}};
    CRecordingDrawContext dc;
    DrawInProgressShape(dc, shape, view, CurrentLiveDrawingStyle());
    const auto lines = dc.Calls(DrawCall::LineTo);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front().from, QPoint(50, 60));
    EXPECT_EQ(lines.front().point, QPoint(250, 60));
}

} // namespace
