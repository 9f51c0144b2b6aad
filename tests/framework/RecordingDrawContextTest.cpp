#include "framework/RecordingDrawContext.h"

#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

TEST(RecordingDrawContext, KeepsEveryCallWithItsArgumentsAndTheSelectionInEffect) {
    CRecordingDrawContext dc;
    const CPen redPen{PenStyle::Solid, 2, MakeColorref(255, 0, 0)};
    dc.SetPen(redPen);
    dc.SetBrush(Brush::Hollow);
    dc.Rectangle(1, 2, 30, 40);
    dc.Line(5, 6, 7, 8);
    dc.LineTo(9, 10);
    dc.Arc(0, 0, 21, 21, 20, 10, 10, 0);
    dc.SetPixel(3, 4, 0x123456);
    CLogFont font;
    font.height = 24;
    dc.SetFont(font);
    dc.TextOut(11, 12, QStringLiteral("L:1.00mm"));
    dc.DrawCenteredText(0, 0, 24, 24, QStringLiteral("7"));

    std::vector<DrawCall> calls;
    for (const CDrawRecord& record : dc.Records()) {
        calls.push_back(record.call);
    }
    EXPECT_EQ(calls,
              (std::vector<DrawCall>{DrawCall::SetPen, DrawCall::SetBrush, DrawCall::Rectangle,
                                     DrawCall::MoveTo, DrawCall::LineTo, DrawCall::LineTo,
                                     DrawCall::Arc, DrawCall::SetPixel, DrawCall::SetFont,
                                     DrawCall::TextOut, DrawCall::DrawCenteredText}));

    const CDrawRecord rectangle = dc.Calls(DrawCall::Rectangle).at(0);
    EXPECT_EQ(rectangle.left, 1);
    EXPECT_EQ(rectangle.bottom, 40);
    EXPECT_EQ(rectangle.state.pen, redPen);
    EXPECT_EQ(rectangle.state.brush, Brush::Hollow);

    // Each LineTo knows where it started: the MoveTo, then the previous end.
    const auto lines = dc.Calls(DrawCall::LineTo);
    EXPECT_EQ(lines.at(0).from, QPoint(5, 6));
    EXPECT_EQ(lines.at(0).point, QPoint(7, 8));
    EXPECT_EQ(lines.at(1).from, QPoint(7, 8));

    const CDrawRecord arc = dc.Calls(DrawCall::Arc).at(0);
    EXPECT_EQ(arc.start, QPoint(20, 10));
    EXPECT_EQ(arc.end, QPoint(10, 0));
    EXPECT_EQ(dc.Calls(DrawCall::SetPixel).at(0).color, 0x123456u);

    const CDrawRecord text = dc.Calls(DrawCall::TextOut).at(0);
    EXPECT_EQ(text.point, QPoint(11, 12));
    EXPECT_EQ(text.state.font.height, 24);
    EXPECT_EQ(dc.Texts(), QStringList({QStringLiteral("L:1.00mm"), QStringLiteral("7")}));
}

TEST(RecordingDrawContext, GuardsRestoreTheSelectionInnermostFirst) {
    CRecordingDrawContext dc;
    const CDrawState initial = dc.State();
    {
        CDrawStateGuard outer(dc);
        dc.SetPen({PenStyle::Dash, 1, 255});
        dc.SetBrush(Brush::Hollow);
        dc.SetTextColor(0xFF00);
        dc.SetBackgroundMode(BackgroundMode::Transparent);
        dc.SetRasterMode(RasterMode::NotXorPen);
        const CDrawState outerState = dc.State();
        {
            CDrawStateGuard inner(dc);
            CLogFont font;
            font.height = 30;
            dc.SetFont(font);
            dc.SetPen({PenStyle::Dot, 3, 0});
            EXPECT_EQ(dc.SavedDepth(), 2);
        }
        EXPECT_TRUE(dc.State() == outerState);
    }
    EXPECT_TRUE(dc.State() == initial);
    EXPECT_EQ(dc.SavedDepth(), 0);
    EXPECT_EQ(dc.UnmatchedRestores(), 0);

    // A restore with nothing saved changes nothing but is noticed.
    dc.SetTextColor(0xFF);
    dc.RestoreState();
    EXPECT_EQ(dc.State().textColor, 0xFFu);
    EXPECT_EQ(dc.UnmatchedRestores(), 1);
}
