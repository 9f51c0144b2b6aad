#include "camera/VideoShape.h"
#include "tests/camera/LiveViewTestSupport.h"
#include "tools/ui/CAddTextDlg.h"

#include <cmath>
#include <vector>

#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>

namespace {

// One tool drawn with the mouse: left clicks in frame pixels, optionally a
// right click after `rightAfter` of them, and the points the live record
// must hold (frame pixels).
struct KindCase {
    int command;
    int kind;
    std::vector<QPoint> clicks;
    std::vector<ShapePoint> expected;
    int rightAfter = -1;
    QPoint right{};
};

const QPoint A(100, 100), B(220, 160), C(160, 260), D(280, 120), L(140, 300);

ShapePoint P(QPoint p) {
    return {static_cast<double>(p.x()), static_cast<double>(p.y())};
}

std::vector<KindCase> Cases() {
    namespace K = LiveKind;
    return {
        {ID_MEASURE_LINE, K::kLine, {A, B, L}, {P(A), P(B), P(L)}},
        {ID_MEASURE_HLINE, K::kHorizontalLine, {A, B, L}, {P(A), {220, 100}, P(L)}},
        {ID_MEASURE_VLINE, K::kVerticalLine, {A, B, L}, {P(A), {100, 160}, P(L)}},
        {ID_MEASURE_RECTANGLE, K::kRectangle, {A, B, L}, {P(A), P(B), P(L)}},
        {ID_MEASURE_ELLIPSE, K::kEllipse, {A, B, L}, {P(A), P(B), P(L)}},
        {ID_MEASURE_DCIRCLE, K::kCircle, {A, B, L}, {P(A), P(B), P(L)}},
        {ID_MEASURE_RCIRCLE, K::kRadiusCircle, {A, B, L}, {P(A), P(B), P(L)}},
        {ID_MEASURE_TCIRCLE, K::kThreePointCircle, {A, B, C, L}, {P(A), P(B), P(C), P(L)}},
        {ID_MEASURE_ARC, K::kArc, {A, B, C, L}, {P(A), P(B), P(C), P(L)}},
        {ID_MEASURE_TANGLE, K::kThreePointAngle, {A, B, C, L}, {P(A), P(B), P(C), P(L)}},
        {ID_MEASURE_PARALLEL, K::kParallel, {A, B, C, L}, {P(A), P(B), P(C), P(L)}},
        {ID_MEASURE_DOTLINE, K::kPointLine, {A, B, C, L}, {P(A), P(B), P(C), P(L)}},
        {ID_AUTO_CIRCLE, K::kAutoCircle, {A, B, C, L}, {P(A), P(B), P(C), P(L)}},
        {ID_MEASURE_FANGLE, K::kFourPointAngle, {A, B, C, D, L}, {P(A), P(B), P(C), P(D), P(L)}},
        {ID_MEASURE_TCIRCLES, K::kTwoCircles, {A, B, C, D, L}, {P(A), P(B), P(C), P(D), P(L)}},
        {ID_MEASURE_LINECIRCLE, K::kLineCircle, {A, B, C, D, L}, {P(A), P(B), P(C), P(D), P(L)}},
        // The automatic line measures between the middles of its two guide
        // lines when it finds no edges.
        {ID_AUTO_LINE,
         K::kAutoLine,
         {{100, 100}, {100, 200}, {300, 100}, {300, 200}, L},
         {{100, 150}, {300, 150}, P(L)}},
        {ID_MEASURE_POLYGON, K::kPolygon, {A, B, C, L}, {P(A), P(B), P(C), P(L)}, 3, D},
        {ID_MEASURE_BROKENLINE, K::kFoldLine, {A, B, C, L}, {P(A), P(B), P(C), P(L)}, 3, D},
        {ID_MARK_SQUARE, K::kSquareMark, {A}, {P(A)}},
        {ID_MARK_CIRCLE, K::kCircleMark, {B}, {P(B)}},
    };
}

// Answers the next add-text dialog with `text` once it is open; a dialog
// that does not come within five seconds leaves answered() false.
class TextDialogAnswer {
public:
    explicit TextDialogAnswer(QString text) {
        QObject::connect(&m_poll, &QTimer::timeout, &m_poll, [this, text] {
            auto* dialog = qobject_cast<CAddTextDlg*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                if (m_clock.hasExpired(5000)) {
                    m_poll.stop();
                }
                return;
            }
            m_poll.stop();
            m_answered = true;
            dialog->findChild<QLineEdit*>(QStringLiteral("text"))->setText(text);
            dialog->accept();
        });
        m_clock.start();
        m_poll.start(5);
    }
    bool answered() const { return m_answered; }

private:
    QTimer m_poll;
    QElapsedTimer m_clock;
    bool m_answered = false;
};

class LiveMeasuringTest : public LiveViewTest {
protected:
    void SetUp() override { ASSERT_NE(Open(), nullptr); }
    void TearDown() override { g_liveShapes.shapes.clear(); }

    // The client point showing a frame pixel at the view's zoom and scroll.
    QPoint Client(QPoint frame) const {
        const double zoom = view->Zoom();
        return QPoint(static_cast<int>(std::lround(frame.x() * zoom)),
                      static_cast<int>(std::lround(frame.y() * zoom))) -
               view->scrollPosition();
    }

    // Draws every tool of the table and checks each live record.
    void DrawEveryKind() {
        for (const KindCase& c : Cases()) {
            SCOPED_TRACE(c.kind);
            Command(c.command);
            ASSERT_EQ(Doc().LiveKind(), c.kind);
            const std::size_t before = g_liveShapes.shapes.size();
            for (std::size_t i = 0; i < c.clicks.size(); ++i) {
                if (static_cast<int>(i) == c.rightAfter) {
                    Click(Client(c.right), Qt::RightButton);
                }
                Click(Client(c.clicks[i]));
            }
            ASSERT_EQ(g_liveShapes.shapes.size(), before + 1);
            const CVideoShap& shape = *g_liveShapes.shapes.back();
            EXPECT_EQ(shape.kind, c.kind);
            EXPECT_EQ(shape.ordinal, static_cast<int>(before));
            EXPECT_EQ(shape.points, c.expected);
            EXPECT_FALSE(view->Placement().IsPlacing());
            EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
        }
        // The painter draws what was published.
        EXPECT_EQ(TakeOverlaySnapshot().shapes->size(), g_liveShapes.shapes.size());
        EXPECT_EQ(TakeOverlaySnapshot().inProgress.kind, 0);
    }
};

TEST_F(LiveMeasuringTest, EveryKindCompletesInFramePixelsAtZoomOne) {
    DrawEveryKind();
}

TEST_F(LiveMeasuringTest, EveryKindCompletesInFramePixelsZoomedAndScrolled) {
    for (int step = 0; step < 5; ++step) {
        Command(ID_ZOOM_IN);
    }
    ASSERT_DOUBLE_EQ(view->Zoom(), 1.5);
    view->ScrollToPosition(QPoint(40, 30));
    ASSERT_EQ(view->scrollPosition(), QPoint(40, 30));
    EXPECT_EQ(LiveViewParams().scrollX, 40);
    EXPECT_EQ(LiveViewParams().scrollY, 30);
    DrawEveryKind();
}

TEST_F(LiveMeasuringTest, TheShapeBeingDrawnFollowsTheMouseInSurfacePixels) {
    for (int step = 0; step < 5; ++step) {
        Command(ID_ZOOM_IN);
    }
    view->ScrollToPosition(QPoint(40, 30));
    Command(ID_MEASURE_LINE);
    Click(Client(A));
    EXPECT_EQ(QWidget::mouseGrabber(), Viewport());
    Move(Client(B));
    CInProgressShape drawn = TakeOverlaySnapshot().inProgress;
    EXPECT_EQ(drawn.kind, LiveKind::kLine);
    ASSERT_EQ(drawn.points.size(), 2u);
    EXPECT_EQ(drawn.points[0], Client(A));
    EXPECT_EQ(drawn.points[1], Client(B));
    // Its length is held in frame pixels, whatever the zoom.
    EXPECT_NEAR(drawn.measured[0], std::hypot(120.0, 60.0), 1e-9);

    // Scrolling keeps it on the picture.
    view->ScrollToPosition(QPoint(0, 0));
    drawn = TakeOverlaySnapshot().inProgress;
    EXPECT_EQ(drawn.points[0], Client(A));

    Key(Qt::Key_Escape);
    EXPECT_FALSE(view->Placement().IsPlacing());
    EXPECT_EQ(TakeOverlaySnapshot().inProgress.kind, 0);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    Click(Client(B));
    Click(Client(C));
    Click(Client(L));
    ASSERT_EQ(g_liveShapes.shapes.size(), 1u);
    EXPECT_EQ(g_liveShapes.shapes[0]->points, (std::vector<ShapePoint>{P(B), P(C), P(L)}));
}

TEST_F(LiveMeasuringTest, ClicksBesideTheZoomedPictureAreIgnored) {
    for (int step = 0; step < 5; ++step) {
        Command(ID_ZOOM_OUT);
    }
    ASSERT_DOUBLE_EQ(view->Zoom(), 0.5);
    ASSERT_GT(Viewport()->width(), 330);
    Command(ID_MARK_SQUARE);
    // The picture is 320 × 240 on screen: column 320 is beside it.
    Click(QPoint(320, 100));
    Click(QPoint(100, 240));
    EXPECT_TRUE(g_liveShapes.shapes.empty());
    Click(QPoint(319, 239));
    ASSERT_EQ(g_liveShapes.shapes.size(), 1u);
    EXPECT_EQ(g_liveShapes.shapes[0]->points, (std::vector<ShapePoint>{{638, 478}}));

    // A line started on the picture ends on it: the cursor is kept there.
    Command(ID_MEASURE_LINE);
    Click(QPoint(50, 50));
    Click(QPoint(600, 400));
    Click(QPoint(60, 60));
    ASSERT_EQ(g_liveShapes.shapes.size(), 2u);
    EXPECT_EQ(g_liveShapes.shapes[1]->points[1], (ShapePoint{638, 478}));
}

TEST_F(LiveMeasuringTest, TextNotesAskForTheirText) {
    Command(ID_ADD_TEXT);
    {
        const TextDialogAnswer answer(QStringLiteral("burr"));
        Click(Client(C));
        EXPECT_TRUE(answer.answered());
    }
    ASSERT_EQ(g_liveShapes.shapes.size(), 1u);
    EXPECT_EQ(g_liveShapes.shapes[0]->kind, LiveKind::kText);
    EXPECT_EQ(g_liveShapes.shapes[0]->labelText, "burr");
    EXPECT_EQ(g_liveShapes.shapes[0]->points, (std::vector<ShapePoint>{P(C)}));
}

TEST_F(LiveMeasuringTest, TheCrosshairGoesWhereClickedAndTheAreaToolSelects) {
    Command(ID_CROSSLINE);
    EXPECT_TRUE(LiveViewParams().crosshair);
    Click(Client(B));
    EXPECT_EQ(LiveViewParams().crosshairPosition, QPointF(220, 160));
    EXPECT_TRUE(g_liveShapes.shapes.empty());
    Command(ID_CROSSLINE);
    EXPECT_FALSE(LiveViewParams().crosshair);

    Command(ID_AREA_EDGE);
    EXPECT_EQ(Doc().LiveKind(), 100);
    EXPECT_EQ(LiveViewParams().adjustCode, 0);
    Drag(Client(B), Client(A));
    EXPECT_EQ(LiveViewParams().adjustRect, QRect(QPoint(100, 100), QPoint(220, 160)));
    EXPECT_EQ(LiveViewParams().adjustCode, 100);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    Click(Client(C), Qt::RightButton);
    EXPECT_FALSE(LiveViewParams().adjustRect.isValid());

    // The automatic tools hand their code to the pipeline while armed.
    Command(ID_AUTO_CIRCLE);
    EXPECT_EQ(LiveViewParams().adjustCode, 108);
    Command(ID_AUTO_CIRCLE);
    EXPECT_EQ(LiveViewParams().adjustCode, 0);
}

TEST_F(LiveMeasuringTest, TheKeyboardMovesByOnePixelAndClicks) {
    Command(ID_MEASURE_LINE);
    Move(Client(A));
    QTest::keyClick(view, Qt::Key_Enter);
    for (int i = 0; i < 5; ++i) {
        Key(Qt::Key_Right);
    }
    Key(Qt::Key_Down);
    Key(Qt::Key_Left);
    Key(Qt::Key_Return);
    Key(Qt::Key_Up);
    Key(Qt::Key_Return);
    ASSERT_EQ(g_liveShapes.shapes.size(), 1u);
    EXPECT_EQ(g_liveShapes.shapes[0]->points,
              (std::vector<ShapePoint>{{100, 100}, {104, 101}, {104, 100}}));
}

} // namespace
