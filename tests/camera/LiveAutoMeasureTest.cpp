#include "camera/LiveAutoMeasure.h"

#include "camera/LivePresenter.h"
#include "image/Dib.h"
#include "tests/camera/FrameTestSupport.h"
#include "tools/EdgeTools.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>

#include <QImage>

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr QRgb kRed = 0xFF0000; // the default line colour 0x0000FF

// A light frame with dark parts where `dark(x, y)` holds, y counted from the top.
CTestFrame PaintedFrame(const std::function<bool(int, int)>& dark) {
    CTestFrame frame(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        const int row = kHeight - 1 - y;
        for (int x = 0; x < kWidth; ++x) {
            std::uint8_t* p =
                frame.bytes.data() + static_cast<std::size_t>(row) * frame.stride + x * 3;
            const std::uint8_t level = dark(x, y) ? 30 : 220;
            p[0] = level;
            p[1] = level;
            p[2] = level;
        }
    }
    return frame;
}

// A dark disc of radius 60 around (160, 120).
CTestFrame DiscFrame() {
    return PaintedFrame([](int x, int y) { return std::hypot(x - 160.0, y - 120.0) <= 60.0; });
}

// A dark band over rows 70 to 149.
CTestFrame BandFrame() {
    return PaintedFrame([](int, int y) { return y >= 70 && y < 150; });
}

CLiveViewParams View(int code, double zoom, int scrollX, int scrollY) {
    CLiveViewParams view;
    view.adjustCode = code;
    view.zoom = zoom;
    view.scrollX = scrollX;
    view.scrollY = scrollY;
    return view;
}

// Frame pixels as the live view reports clicks: surface pixels of the view.
std::vector<QPoint> OnSurface(const std::vector<QPoint>& framePoints, const CLiveViewParams& view) {
    std::vector<QPoint> points;
    for (const QPoint& p : framePoints) {
        points.emplace_back(static_cast<int>(std::lround(p.x() * view.zoom)) - view.scrollX,
                            static_cast<int>(std::lround(p.y() * view.zoom)) - view.scrollY);
    }
    return points;
}

CInProgressShape Clicks(int kind, std::vector<QPoint> surfacePoints) {
    CInProgressShape shape;
    shape.kind = kind;
    shape.points = std::move(surfacePoints);
    return shape;
}

class LiveAutoMeasureTest : public ::testing::Test {
protected:
    void TearDown() override {
        SetLiveViewParams(CLiveViewParams{});
        SetInProgressShape(CInProgressShape{});
    }

    QImage Present(const CTestFrame& frame, const CLiveViewParams& view,
                   const CInProgressShape& shape) {
        SetLiveViewParams(view);
        SetInProgressShape(shape);
        EXPECT_EQ(presenter.PresentFrame(frame.View()), 1);
        QImage shown;
        presenter.TakeLatest(shown);
        return shown;
    }

    CLivePresenter presenter{nullptr};
};

// Three clicks just inside the disc, to its left, top and right.
const std::vector<QPoint> kDiscClicks{{105, 120}, {160, 66}, {214, 124}};

TEST_F(LiveAutoMeasureTest, CircleClicksSnapToTheSameEdgeAtAnyZoomAndScroll) {
    const CTestFrame frame = DiscFrame();
    std::vector<std::optional<QPoint>> atZoomOne;
    for (const CLiveViewParams& view : {View(108, 1.0, 0, 0), View(108, 2.0, 90, 50)}) {
        SCOPED_TRACE(view.zoom);
        const QImage shown =
            Present(frame, view, Clicks(LiveKind::kAutoCircle, OnSurface(kDiscClicks, view)));
        const auto snapped = presenter.AutoMeasure().SnappedPoints();
        ASSERT_EQ(snapped.size(), 3u);
        for (const auto& point : snapped) {
            ASSERT_TRUE(point.has_value());
            // On the disc's border, where the strongest contrast is.
            EXPECT_NEAR(std::hypot(point->x() - 160.0, point->y() - 120.0), 60.0, 1.5);
            // The cross: its arms 10 surface pixels around the snapped point.
            const int sx = static_cast<int>(std::lround(point->x() * view.zoom)) - view.scrollX;
            const int sy = static_cast<int>(std::lround(point->y() * view.zoom)) - view.scrollY;
            if (QRect(0, 0, shown.width(), shown.height()).contains(sx + 8, sy + 8)) {
                EXPECT_EQ(shown.pixel(sx + 8, sy) & 0xFFFFFF, kRed);
                EXPECT_EQ(shown.pixel(sx, sy + 8) & 0xFFFFFF, kRed);
            }
        }
        if (atZoomOne.empty()) {
            atZoomOne = snapped;
        } else {
            EXPECT_EQ(snapped, atZoomOne);
        }
        // Next run with a fresh tool.
        Present(frame, View(0, 1.0, 0, 0), CInProgressShape{});
    }
}

TEST_F(LiveAutoMeasureTest, SnapsAsTheEdgeToolOnTheWholeFrameEvenAtItsBorders) {
    // Edges everywhere, also close to the borders: a disc and a frame of
    // dark lines two pixels in.
    const CTestFrame frame = PaintedFrame([](int x, int y) {
        return std::hypot(x - 160.0, y - 120.0) <= 60.0 || x == 2 || y == 2 || x == kWidth - 3 ||
               y == kHeight - 3;
    });
    CDib whole;
    ASSERT_TRUE(whole.Create(kWidth, kHeight, 24));
    for (int row = 0; row < kHeight; ++row) {
        std::memcpy(whole.Row(row),
                    frame.bytes.data() + static_cast<std::size_t>(row) * frame.stride,
                    static_cast<std::size_t>(kWidth) * 3);
    }
    const std::vector<std::vector<QPoint>> clickSets{
        {{0, 0}, {10, 12}, {319, 239}},
        {{105, 120}, {160, 66}, {300, 5}},
        {{-3, 50}, {330, 100}, {25, 230}},
    };
    for (const auto& clicks : clickSets) {
        Present(frame, View(108, 1.0, 0, 0), Clicks(LiveKind::kAutoCircle, clicks));
        const auto snapped = presenter.AutoMeasure().SnappedPoints();
        ASSERT_EQ(snapped.size(), clicks.size());
        for (std::size_t i = 0; i < clicks.size(); ++i) {
            EXPECT_EQ(snapped[i], SnapToEdge(whole, clicks[i]))
                << clicks[i].x() << ", " << clicks[i].y();
        }
        Present(frame, View(0, 1.0, 0, 0), CInProgressShape{});
    }
}

TEST_F(LiveAutoMeasureTest, SnappedPointsAreHeldUntilTheToolRestarts) {
    const CLiveViewParams view = View(108, 1.0, 0, 0);
    const CTestFrame disc = DiscFrame();
    const CTestFrame blank = PaintedFrame([](int, int) { return false; });
    const std::vector<QPoint> two(kDiscClicks.begin(), kDiscClicks.begin() + 2);

    Present(disc, view, Clicks(LiveKind::kAutoCircle, two));
    const auto held = presenter.AutoMeasure().SnappedPoints();
    ASSERT_EQ(held.size(), 2u);
    ASSERT_TRUE(held[0] && held[1]);

    // The picture loses its edges: what was found stays, the new click finds nothing.
    Present(blank, view, Clicks(LiveKind::kAutoCircle, kDiscClicks));
    auto now = presenter.AutoMeasure().SnappedPoints();
    ASSERT_EQ(now.size(), 3u);
    EXPECT_EQ(now[0], held[0]);
    EXPECT_EQ(now[1], held[1]);
    EXPECT_FALSE(now[2].has_value());

    // A click that is not found is searched again on the next frame.
    Present(disc, view, Clicks(LiveKind::kAutoCircle, kDiscClicks));
    now = presenter.AutoMeasure().SnappedPoints();
    ASSERT_EQ(now.size(), 3u);
    EXPECT_TRUE(now[2].has_value());

    // The shape is cleared: everything is forgotten, even when the same
    // clicks come back over a picture without edges.
    Present(blank, view, CInProgressShape{});
    EXPECT_TRUE(presenter.AutoMeasure().SnappedPoints().empty());
    Present(blank, view, Clicks(LiveKind::kAutoCircle, two));
    now = presenter.AutoMeasure().SnappedPoints();
    ASSERT_EQ(now.size(), 2u);
    EXPECT_FALSE(now[0] || now[1]);

    // Another tool forgets them too.
    Present(disc, view, Clicks(LiveKind::kAutoCircle, two));
    Present(disc, View(110, 1.0, 0, 0), Clicks(LiveKind::kAutoCircle, two));
    EXPECT_TRUE(presenter.AutoMeasure().SnappedPoints().empty());
}

// Two rough lines a few pixels off the band's upper and lower borders.
const std::vector<QPoint> kBandGuides{{60, 67}, {260, 67}, {60, 152}, {260, 152}};

TEST_F(LiveAutoMeasureTest, EdgeLinesAreFoundAtAnyZoomAndHeldUntilAGuideMoves) {
    const CTestFrame band = BandFrame();
    std::optional<CEdgeSegment> atZoomOne;
    for (const CLiveViewParams& view : {View(110, 1.0, 0, 0), View(110, 1.5, 30, 40)}) {
        SCOPED_TRACE(view.zoom);
        // Three guide points are not enough to search.
        const std::vector<QPoint> surface = OnSurface(kBandGuides, view);
        Present(band, view, Clicks(LiveKind::kAutoLine, {surface.begin(), surface.begin() + 3}));
        EXPECT_FALSE(presenter.AutoMeasure().LineResult());

        const QImage shown = Present(band, view, Clicks(LiveKind::kAutoLine, surface));
        const auto line = presenter.AutoMeasure().LineResult();
        ASSERT_TRUE(line.has_value());
        // From the middle of the upper border straight down to the lower one.
        EXPECT_NEAR(line->a.y(), 70, 1);
        EXPECT_NEAR(line->b.y(), 149, 1);
        EXPECT_NEAR(line->a.x(), 160, 3);
        EXPECT_NEAR(line->b.x(), line->a.x(), 2);
        // The segment found is drawn on the surface, across the band's middle.
        const int sx = static_cast<int>(std::lround(line->a.x() * view.zoom)) - view.scrollX;
        const int sy = static_cast<int>(std::lround(110 * view.zoom)) - view.scrollY;
        int red = 0;
        for (int x = sx - 3; x <= sx + 3; ++x) {
            red += (shown.pixel(x, sy) & 0xFFFFFF) == kRed ? 1 : 0;
        }
        EXPECT_GE(red, 1);
        if (atZoomOne) {
            EXPECT_EQ(*line, *atZoomOne);
        } else {
            atZoomOne = line;
        }
        Present(band, View(0, 1.0, 0, 0), CInProgressShape{});
    }

    // Held while the picture changes; searched again once a guide moves.
    const CLiveViewParams view = View(110, 1.0, 0, 0);
    const CTestFrame blank = PaintedFrame([](int, int) { return false; });
    Present(band, view, Clicks(LiveKind::kAutoLine, kBandGuides));
    Present(blank, view, Clicks(LiveKind::kAutoLine, kBandGuides));
    EXPECT_EQ(presenter.AutoMeasure().LineResult(), atZoomOne);
    std::vector<QPoint> moved = kBandGuides;
    moved[3] += QPoint(0, 1);
    Present(blank, view, Clicks(LiveKind::kAutoLine, moved));
    EXPECT_FALSE(presenter.AutoMeasure().LineResult());
}

TEST_F(LiveAutoMeasureTest, OtherToolsAndClicksOffThePictureFindNothing) {
    const CTestFrame disc = DiscFrame();
    // A live adjustment is no automatic tool.
    Present(disc, View(105, 1.0, 0, 0), Clicks(LiveKind::kAutoCircle, kDiscClicks));
    EXPECT_TRUE(presenter.AutoMeasure().SnappedPoints().empty());
    // Clicks mapped past the frame's border are kept but snap to nothing.
    const CLiveViewParams view = View(108, 0.5, 0, 0);
    Present(disc, view, Clicks(LiveKind::kAutoCircle, {{-5, 10}, {400, 300}, {10, 10}}));
    const auto snapped = presenter.AutoMeasure().SnappedPoints();
    ASSERT_EQ(snapped.size(), 3u);
    EXPECT_FALSE(snapped[0] || snapped[1] || snapped[2]);
}

TEST(LiveSurfaceToFrameTest, RoundsToTheNearestFramePixel) {
    // (surface pixel, scroll, zoom, frame pixel)
    const struct {
        int surface;
        int scroll;
        double zoom;
        int frame;
    } cases[] = {
        {201, 0, 2.0, 101},                                     // 100.5 rounds up
        {200, 0, 2.0, 100}, {199, 0, 2.0, 100}, {1, 4, 3.0, 2}, // 1.67 rounds up
        {7, 3, 0.5, 20},    {-1, 0, 2.0, 0},    {-3, 0, 2.0, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LiveSurfaceToFrame(c.surface, c.scroll, c.zoom), c.frame)
            << c.surface << " + " << c.scroll << " at " << c.zoom;
    }
}

} // namespace
