#include "framework/PostedEvents.h"
#include "shapes/ShapeKinds.h"
#include "tests/document/StillDocumentTestSupport.h"

#include <cstring>

#include <QCoreApplication>
#include <QObject>

namespace {

namespace M = MeasureMode;

// Stands in for the results pane: counts the refresh requests it is posted.
class ResultsPane : public QObject {
public:
    ResultsPane()
        : m_registration(ReceiverRole::ResultsView, this) {}
    int Refreshes() {
        QCoreApplication::sendPostedEvents(this);
        return m_refreshes;
    }

protected:
    void customEvent(QEvent* event) override {
        if (event->type() == CPostedEvent::Type()) {
            const auto* posted = static_cast<CPostedEvent*>(event);
            if (posted->message() == UM_REFRESH_RESULTS && posted->wParam() == 0 &&
                posted->lParam() == 0) {
                ++m_refreshes;
            }
        }
    }

private:
    CReceiverRegistration m_registration;
    int m_refreshes = 0;
};

bool SamePixels(const CDib& a, const CDib& b) {
    return a.ImageSize() == b.ImageSize() && std::memcmp(a.Bits(), b.Bits(), a.ImageSize()) == 0;
}

} // namespace

TEST_F(StillDocumentTest, CommandsArmAndClearTheModesAsTheToolsDo) {
    auto document = Opened(NoisePicture(30, 20, 2));
    document->OnToolCommand(ID_AREA_SHARPEN);
    EXPECT_EQ(document->Modes().areaMode, 3);
    const CToolCommandOutcome measuring = document->OnToolCommand(ID_MEASURE_LINE);
    EXPECT_TRUE(measuring.hint.has_value());
    EXPECT_EQ(document->Modes().measureMode, M::kLine);
    EXPECT_EQ(document->Modes().areaMode, 0);
    document->OnToolCommand(ID_AREA_BRIGHTER);
    EXPECT_EQ(document->Modes().measureMode, 0);
    EXPECT_EQ(document->Modes().areaMode, 8);

    // Zooming clears both; five steps in from 1:1 make 150%.
    for (int i = 0; i < 5; ++i) {
        document->OnToolCommand(ID_MEASURE_RECTANGLE);
        document->ZoomIn();
        EXPECT_EQ(document->Modes().measureMode, 0);
    }
    EXPECT_EQ(document->ZoomStatusText(), QStringLiteral("150%"));
    document->OnToolCommand(ID_AREA_EDGE);
    document->ZoomOut();
    EXPECT_EQ(document->Modes().areaMode, 0);
    document->OnToolCommand(ID_AREA_EDGE);
    document->ZoomNormal();
    EXPECT_EQ(document->Modes().areaMode, 0);
    EXPECT_EQ(document->Zoom().zoom, 1.0);

    // Without an armed area tool a dragged rectangle starts nothing.
    EXPECT_FALSE(document->StartAreaAdjustment(PictureRect{1, 1, 10, 10}));
    EXPECT_FALSE(document->IsModified());
    EXPECT_FALSE(document->CancelAreaMode());
}

TEST_F(StillDocumentTest, FlipsTurnTheWholePictureAtOnce) {
    const CDib picture = NoisePicture(31, 17, 9);
    auto document = Opened(picture);
    document->OnToolCommand(ID_AREA_SMOOTH);
    const CToolCommandOutcome outcome = document->OnToolCommand(ID_FLIP_VERTICAL);
    EXPECT_TRUE(outcome.handled);
    EXPECT_EQ(document->Modes().areaMode, 4); // a flip leaves the armed tool
    document->Picture().WaitUntilIdle();
    EXPECT_TRUE(document->IsModified());
    CDib mirrored(picture);
    MirrorLeftRight(mirrored);
    EXPECT_TRUE(SamePixels(document->Picture().Read().image(), mirrored));

    document->OnToolCommand(ID_FLIP_HORIZONTAL);
    document->Picture().WaitUntilIdle();
    FlipUpsideDown(mirrored);
    EXPECT_TRUE(SamePixels(document->Picture().Read().image(), mirrored));
}

TEST_F(StillDocumentTest, UndoRemovesTheLastShapeAndTellsTheResultsPane) {
    ResultsPane pane;
    auto document = Opened(FlatPicture(50, 40, Rgb{1, 2, 3}));

    // Nothing to undo: the modes are cleared all the same, the pane is not told.
    document->OnToolCommand(ID_AREA_RELIEF);
    EXPECT_FALSE(document->Undo());
    EXPECT_EQ(document->Modes().areaMode, 0);
    EXPECT_EQ(pane.Refreshes(), 0);

    document->AddShape(Completed(M::kLine, {{5, 5}, {20, 5}, {10, 10}}, 50, 40));
    document->AddShape(Completed(M::kRectangle, {{5, 5}, {20, 20}, {25, 25}}, 50, 40));
    document->AddShape(nullptr);
    ASSERT_EQ(document->Shapes().Count(), 2u);
    RefillResultsList(document->Shapes());
    document->OnToolCommand(ID_MEASURE_LINE);
    EXPECT_TRUE(document->Undo());
    EXPECT_EQ(document->Modes().measureMode, 0);
    ASSERT_EQ(document->Shapes().Count(), 1u);
    EXPECT_STREQ(document->Shapes().At(0).ClassName(), "CLine");
    EXPECT_EQ(g_resultsList.shapes.size(), 1u);
    EXPECT_EQ(pane.Refreshes(), 1);

    EXPECT_FALSE(document->RemoveShapeAt(3));
    EXPECT_TRUE(document->RemoveShapeAt(0));
    EXPECT_TRUE(g_resultsList.shapes.empty());
}

TEST_F(StillDocumentTest, CancelGivesBackThePictureAsLoadedWhileShapesStay) {
    const CDib picture = NoisePicture(64, 48, 4);
    auto document = Opened(picture);
    document->AddShape(Completed(M::kLine, {{5, 5}, {20, 5}, {10, 10}}, 64, 48));

    document->OnToolCommand(ID_AREA_SHARPEN);
    ASSERT_TRUE(document->StartAreaAdjustment(PictureRect{2, 2, 30, 20}));
    document->OnToolCommand(ID_AREA_BRIGHTER);
    ASSERT_TRUE(document->StartAreaAdjustment(PictureRect{20, 10, 60, 40}));
    document->AddShape(Completed(M::kSquareMark, {{40, 30}}, 64, 48));
    document->Picture().WaitUntilIdle();
    EXPECT_FALSE(SamePixels(document->Picture().Read().image(), picture));

    EXPECT_TRUE(document->CancelAreaMode());
    EXPECT_EQ(document->Modes().areaMode, 0);
    EXPECT_EQ(document->Modes().measureMode, 0);
    EXPECT_TRUE(SamePixels(document->Picture().Read().image(), picture));
    EXPECT_FALSE(document->Picture().Read()->HasSelection());
    EXPECT_EQ(document->Shapes().Count(), 2u);
    EXPECT_FALSE(document->CancelAreaMode());
}

TEST_F(StillDocumentTest, PaintingWhileAdjustmentsRunShowsWholePictures) {
    const Rgb color{10, 20, 30};
    const QRgb plain = qRgb(10, 20, 30);
    const QRgb inverted = qRgb(245, 235, 225);
    auto document = Opened(FlatPicture(320, 240, color));
    document->OnToolCommand(ID_AREA_NEGATIVE);
    // Each inversion swaps the whole picture; a paint must show one of them.
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(document->StartAreaAdjustment(PictureRect{0, 0, 319, 239}));
    }
    int paints = 0;
    while (document->Picture().IsBusy() || paints < 20) {
        const double zoom = paints % 2 == 0 ? 1.0 : 0.5;
        const int width = ScaledLength(zoom, 320);
        const int height = ScaledLength(zoom, 240);
        const auto surface = CQImageDrawSurface::Create(width, height);
        ASSERT_TRUE(surface);
        document->Render(surface->Context(), {.zoom = zoom}, width, height, ShapeSelection::All);
        const QImage& image = surface->Image();
        const QRgb first = image.pixel(0, 0);
        ASSERT_TRUE(first == plain || first == inverted);
        for (int y = 0; y < height; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < width; ++x) {
                ASSERT_EQ(row[x], first) << x << "," << y << " in paint " << paints;
            }
        }
        ++paints;
    }
    document->Picture().WaitUntilIdle();
    EXPECT_TRUE(SameColors(document->Picture().Read().image(), FlatPicture(320, 240, color)));

    // A document destroyed while adjustments are queued waits for them.
    for (int i = 0; i < 3; ++i) {
        document->StartAreaAdjustment(PictureRect{0, 0, 319, 239});
    }
    document.reset();
}
