#include "shapes/ShapeKinds.h"
#include "tests/tools/EdgeTestSupport.h"
#include "tests/tools/ViewTestSupport.h"
#include "tools/ToolModes.h"
#include "tools/ui/CAddTextDlg.h"

#include <cmath>
#include <optional>

#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>

namespace {

struct Step {
    QPoint at;
    Qt::MouseButton button = Qt::LeftButton;
};

struct ToolCase {
    int command;
    const char* className;
    std::vector<Step> steps;
};

// Answers the next add-text dialog once it is open: OK with `text`, or
// Cancel. A dialog that does not come within the deadline fails the test
// instead of hanging it: any other modal window is closed then, and
// answered() stays false. Polling stops when the object goes.
class TextDialogAnswer {
public:
    explicit TextDialogAnswer(std::optional<QString> text) {
        QObject::connect(&m_poll, &QTimer::timeout, &m_poll, [this, text] {
            QWidget* modal = QApplication::activeModalWidget();
            auto* dialog = qobject_cast<CAddTextDlg*>(modal);
            if (dialog == nullptr) {
                if (m_clock.hasExpired(kDeadlineMs)) {
                    m_poll.stop();
                    if (auto* other = qobject_cast<QDialog*>(modal)) {
                        other->reject();
                    } else if (modal != nullptr) {
                        modal->close();
                    }
                }
                return;
            }
            m_poll.stop();
            m_answered = true;
            if (!text) {
                dialog->reject();
                return;
            }
            dialog->findChild<QLineEdit*>(QStringLiteral("text"))->setText(*text);
            dialog->accept();
        });
        m_clock.start();
        m_poll.start(5);
    }
    bool answered() const { return m_answered; }

private:
    static constexpr qint64 kDeadlineMs = 5000;
    QTimer m_poll;
    QElapsedTimer m_clock;
    bool m_answered = false;
};

double DistanceTo(const ShapePoint& p, QPoint centre) {
    return std::hypot(p.x - centre.x(), p.y - centre.y());
}

} // namespace

TEST_F(ViewTest, EveryToolCompletesAShapeFromMouseEvents) {
    ASSERT_TRUE(Open(FlatPicture(400, 300, {200, 200, 200})));
    const std::vector<ToolCase> cases = {
        {ID_MEASURE_LINE, "CLine", {{{10, 10}}, {{110, 10}}, {{60, 30}}}},
        {ID_MEASURE_HLINE, "CHLine", {{{10, 40}}, {{110, 45}}, {{60, 60}}}},
        {ID_MEASURE_VLINE, "CVLine", {{{20, 20}}, {{25, 120}}, {{40, 60}}}},
        {ID_MEASURE_RECTANGLE, "CRectangle", {{{10, 10}}, {{70, 40}}, {{80, 50}}}},
        {ID_MEASURE_ELLIPSE, "CEllipse", {{{10, 10}}, {{70, 40}}, {{80, 50}}}},
        {ID_MEASURE_RCIRCLE, "CRCircle", {{{100, 100}}, {{140, 100}}, {{150, 150}}}},
        {ID_MEASURE_DCIRCLE, "CCircle", {{{100, 100}}, {{180, 100}}, {{150, 150}}}},
        {ID_MEASURE_TCIRCLE, "CTPCircle", {{{10, 50}}, {{50, 10}}, {{90, 50}}, {{120, 120}}}},
        {ID_MEASURE_ARC, "CArc", {{{10, 50}}, {{50, 10}}, {{90, 50}}, {{120, 120}}}},
        {ID_MEASURE_POLYGON,
         "CPolygon",
         {{{10, 10}}, {{100, 10}}, {{100, 100}}, {{100, 100}, Qt::RightButton}, {{120, 120}}}},
        {ID_MEASURE_BROKENLINE,
         "CContinualLine",
         {{{10, 10}}, {{100, 10}}, {{100, 100}}, {{100, 100}, Qt::RightButton}, {{120, 120}}}},
        {ID_MEASURE_FANGLE,
         "CFAngle",
         {{{10, 10}}, {{60, 40}}, {{20, 80}}, {{90, 30}}, {{120, 120}}}},
        {ID_MEASURE_TANGLE, "CTAngle", {{{10, 10}}, {{60, 40}}, {{20, 80}}, {{120, 120}}}},
        {ID_MEASURE_PARALLEL, "CParallel", {{{10, 10}}, {{100, 10}}, {{50, 50}}, {{120, 120}}}},
        {ID_MEASURE_DOTLINE, "CDotLine", {{{10, 10}}, {{100, 10}}, {{50, 50}}, {{120, 120}}}},
        {ID_MEASURE_TCIRCLES,
         "CTCircle",
         {{{10, 10}}, {{40, 40}}, {{100, 100}}, {{130, 130}}, {{160, 160}}}},
        {ID_MEASURE_LINECIRCLE,
         "CLineCircle",
         {{{10, 10}}, {{100, 20}}, {{150, 100}}, {{170, 130}}, {{200, 200}}}},
        {ID_MARK_SQUARE, "CSquare", {{{30, 30}}}},
        {ID_MARK_SQUARE, "CSquare", {{{60, 30}}}},
        {ID_MARK_CIRCLE, "CCquare", {{{90, 30}}}},
    };
    ResultsReceiver results;
    int serial = -1;
    for (const ToolCase& tool : cases) {
        SCOPED_TRACE(tool.className);
        if (Model().Modes().measureMode != MeasuringToolOfCommand(tool.command)->mode) {
            Command(tool.command);
        }
        const std::size_t before = ShapeCount();
        for (const Step& step : tool.steps) {
            EXPECT_EQ(ShapeCount(), before) << "completed before the last click";
            Click(step.at, step.button);
        }
        ASSERT_EQ(ShapeCount(), before + 1);
        const CShape& shape = ShapeAt(before);
        EXPECT_STREQ(shape.ClassName(), tool.className);
        EXPECT_EQ(shape.serial, serial++);
        EXPECT_EQ(shape.inProgress, 0);
        // The shape is done: the mouse is free again and the tool stays armed.
        EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
        EXPECT_EQ(Model().Modes().measureMode, MeasuringToolOfCommand(tool.command)->mode);
    }
    // Marks are numbered by kind from 0; the results pane relisted each time.
    EXPECT_EQ(ShapeAt(cases.size() - 3).measure[0], 0.0);
    EXPECT_EQ(ShapeAt(cases.size() - 2).measure[0], 1.0);
    EXPECT_EQ(ShapeAt(cases.size() - 1).measure[0], 0.0);
    EXPECT_EQ(results.Count(0, 0), static_cast<int>(cases.size()));
    EXPECT_EQ(g_resultsList.shapes.size(), cases.size());

    // The horizontal and vertical distances keep their constraint.
    EXPECT_EQ(ShapeAt(1).points[1].y, 40.0);
    EXPECT_EQ(ShapeAt(2).points[1].x, 20.0);

    // A text note asks for its text; Cancel places nothing.
    Command(ID_ADD_TEXT);
    {
        const TextDialogAnswer cancel(std::nullopt);
        Click({50, 200});
        EXPECT_TRUE(cancel.answered());
    }
    EXPECT_EQ(ShapeCount(), cases.size());
    {
        const TextDialogAnswer scratch(QStringLiteral("Scratch"));
        Click({50, 200});
        EXPECT_TRUE(scratch.answered());
    }
    ASSERT_EQ(ShapeCount(), cases.size() + 1);
    EXPECT_STREQ(ShapeAt(cases.size()).ClassName(), "CText");
    EXPECT_EQ(ShapeAt(cases.size()).text, "Scratch");
    EXPECT_EQ(ShapeAt(cases.size()).points[0], (ShapePoint{50, 200}));
    EXPECT_EQ(ShapeAt(cases.size()).serial, serial);
}

TEST_F(ViewTest, ClicksFailingACheckAreIgnoredAndTheMouseStaysCaptured) {
    ASSERT_TRUE(Open(FlatPicture(400, 300, {200, 200, 200})));
    Command(ID_MEASURE_LINE);
    Click({40, 40});
    EXPECT_EQ(QWidget::mouseGrabber(), Viewport());
    Click({40, 40}); // the second point may not repeat the first
    Click({90, 40});
    Click({60, 60});
    ASSERT_EQ(ShapeCount(), 1u);
    EXPECT_EQ(ShapeAt(0).measure[0], 50.0);

    // Four-point tools want each point moved in both directions.
    Command(ID_MEASURE_FANGLE);
    Clicks({{10, 10}, {60, 10}}); // same row: ignored
    Clicks({{60, 40}, {20, 80}, {90, 30}, {120, 120}});
    ASSERT_EQ(ShapeCount(), 2u);
    EXPECT_EQ(ShapeAt(1).points[1], (ShapePoint{60, 40}));

    // While placing, the cursor is kept inside the view: a move past its
    // edge (onto the status bar) makes the point follow the edge.
    Command(ID_MEASURE_LINE);
    Click({40, 100});
    const QRect inside = Viewport()->rect();
    Move({40, inside.bottom() + 10});
    ASSERT_NE(view->Placement().Preview(), nullptr);
    EXPECT_EQ(view->Placement().Preview()->points[1].y, inside.bottom());
}

TEST_F(ViewTest, RightClickEndsAPolygonOnlyAfterThreeVertices) {
    ASSERT_TRUE(Open(FlatPicture(400, 300, {200, 200, 200})));
    Command(ID_MEASURE_POLYGON);
    Clicks({{10, 10}, {100, 10}});
    Click({100, 10}, Qt::RightButton);
    EXPECT_FALSE(view->Placement().PointsComplete());
    Click({100, 100});
    Click({100, 100}, Qt::RightButton);
    EXPECT_TRUE(view->Placement().PointsComplete());
    Click({150, 150});
    ASSERT_EQ(ShapeCount(), 1u);
    const CShape& polygon = ShapeAt(0);
    EXPECT_EQ(polygon.points[2], (ShapePoint{100, 100}));
    EXPECT_EQ(polygon.points[3], ShapePoint{});
    EXPECT_EQ(polygon.points[10], (ShapePoint{150, 150}));
    // Half of the 90 × 90 square.
    EXPECT_EQ(polygon.measure[1], 4050.0);
}

TEST_F(ViewTest, ClicksAreConvertedWithTheZoomAndTheScrollOffset) {
    ASSERT_TRUE(Open(FlatPicture(2000, 1500, {200, 200, 200})));
    for (int i = 0; i < 7; ++i) {
        Command(ID_ZOOM_OUT);
    }
    EXPECT_EQ(Model().Zoom().zoom, 0.3);
    EXPECT_EQ(Prompt(), "30%");
    Command(ID_MARK_SQUARE);
    Click({149, 20});
    ASSERT_EQ(ShapeCount(), 1u);
    EXPECT_EQ(ShapeAt(0).points[0], (ShapePoint{497, 67}));

    Command(ID_ZOOM_NORMAL);
    EXPECT_EQ(Prompt(), "100%");
    Command(ID_MARK_SQUARE);
    view->ScrollToPosition({300, 200});
    ASSERT_EQ(view->scrollPosition(), QPoint(300, 200));
    Click({10, 20});
    ASSERT_EQ(ShapeCount(), 2u);
    EXPECT_EQ(ShapeAt(1).points[0], (ShapePoint{310, 220}));
}

TEST_F(ViewTest, TheKeyboardDrivesEveryTool) {
    ASSERT_TRUE(Open(FlatPicture(400, 300, {200, 200, 200})));
    Command(ID_MEASURE_LINE);
    Move({50, 60});
    Key(Qt::Key_Return);
    EXPECT_TRUE(view->Placement().IsPlacing());
    for (int i = 0; i < 3; ++i) {
        Key(Qt::Key_Right);
    }
    Key(Qt::Key_Down);
    Key(Qt::Key_Left);
    Key(Qt::Key_Enter);
    Key(Qt::Key_Up);
    Key(Qt::Key_Return);
    ASSERT_EQ(ShapeCount(), 1u);
    EXPECT_EQ(ShapeAt(0).points[0], (ShapePoint{50, 60}));
    EXPECT_EQ(ShapeAt(0).points[1], (ShapePoint{52, 61}));
    EXPECT_EQ(ShapeAt(0).points[2], (ShapePoint{52, 60}));

    // Escape abandons a placement under way.
    Move({100, 100});
    Key(Qt::Key_Return);
    Key(Qt::Key_Escape);
    EXPECT_FALSE(view->Placement().IsPlacing());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

TEST_F(ViewTest, TheCrosshairFollowsClicksUntilItsToolIsPickedAgain) {
    ASSERT_TRUE(Open(FlatPicture(400, 300, {200, 200, 200})));
    EXPECT_FALSE(view->CrosshairShown());
    Command(ID_CROSSLINE);
    EXPECT_TRUE(view->CrosshairShown());
    EXPECT_EQ(view->Placement().Crosshair(), QPoint(80, 80));
    Click({120, 30});
    EXPECT_EQ(view->Placement().Crosshair(), QPoint(120, 30));
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(ShapeCount(), 0u);
    const QImage shown = Viewport()->grab().toImage();
    EXPECT_EQ(shown.pixelColor(300, 30), QColor(255, 0, 0));
    EXPECT_EQ(shown.pixelColor(120, 250), QColor(255, 0, 0));
    EXPECT_EQ(shown.pixelColor(300, 250), QColor(200, 200, 200));
    Command(ID_CROSSLINE);
    EXPECT_FALSE(view->CrosshairShown());
}

TEST_F(ViewTest, TheAutomaticToolsFindTheEdgesOfThePicture) {
    // A dark disc of radius 40 around (100, 100) and, below it, a dark band
    // from row 200 to row 239.
    const CDib picture = GreyPicture(300, 300, [](int x, int y) {
        const bool disc = std::hypot(x - 100, y - 100) <= 40.0;
        return disc || (y >= 200 && y < 240) ? 20 : 230;
    });
    ASSERT_TRUE(Open(picture));
    Command(ID_AUTO_CIRCLE);
    Clicks({{100, 52}, {146, 100}, {100, 145}, {200, 150}});
    ASSERT_EQ(ShapeCount(), 1u);
    const CShape& circle = ShapeAt(0);
    EXPECT_STREQ(circle.ClassName(), "CAutoCircle");
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(DistanceTo(circle.points[i], {100, 100}), 40.0, 1.5) << i;
    }
    EXPECT_NE(circle.points[0], (ShapePoint{100, 52})); // snapped, not as clicked
    EXPECT_NEAR(circle.measure[0], 40.0, 1.5);

    // Guide lines along the band's two edges: the distance runs between them.
    Command(ID_AUTO_LINE);
    Clicks({{20, 198}, {280, 201}, {20, 242}, {280, 239}, {150, 280}});
    ASSERT_EQ(ShapeCount(), 2u);
    const CShape& line = ShapeAt(1);
    EXPECT_STREQ(line.ClassName(), "CAutoLine");
    // The dark pixels on the edges: rows 200 and 239.
    EXPECT_NEAR(line.points[0].y, 200.0, 1.0);
    EXPECT_NEAR(line.points[1].y, 239.0, 1.0);
    EXPECT_EQ(line.points[0].x, line.points[1].x);
    EXPECT_EQ(line.points[2], (ShapePoint{150, 280}));
}

TEST_F(ViewTest, ThePreviewFollowsTheMouseWithoutChangingThePicture) {
    g_parameters.linecolor = 0x0000FF; // red
    ASSERT_TRUE(Open(FlatPicture(400, 300, {255, 255, 255})));
    Command(ID_MEASURE_LINE);
    Click({20, 50});
    Move({200, 50});
    QImage shown = Viewport()->grab().toImage();
    // Not-XOR of red over white is red.
    EXPECT_EQ(shown.pixelColor(100, 50), QColor(255, 0, 0));
    Move({20, 150});
    shown = Viewport()->grab().toImage();
    EXPECT_EQ(shown.pixelColor(100, 50), QColor(255, 255, 255));
    EXPECT_EQ(shown.pixelColor(20, 100), QColor(255, 0, 0));
    Clicks({{20, 150}, {60, 100}});
    ASSERT_EQ(ShapeCount(), 1u);
    Command(ID_UNDO);
    EXPECT_EQ(ShapeCount(), 0u);
    shown = Viewport()->grab().toImage();
    EXPECT_EQ(shown.pixelColor(20, 100), QColor(255, 255, 255));
}
