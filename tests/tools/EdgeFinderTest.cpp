#include "image/StillPicture.h"
#include "shapes/ShapeKinds.h"
#include "tests/tools/EdgeTestSupport.h"
#include "tests/tools/PlacementTestSupport.h"
#include "tools/CDibEdgeFinder.h"
#include "tools/EdgeTools.h"

namespace M = MeasureMode;

namespace {

// Dark bands on white: the first band's last dark row is 39, the second's
// first is 80.
CDib Bands() {
    return GreyPicture(200, 120, [](int, int y) { return y < 40 || y >= 80 ? 10 : 240; });
}

class EdgeFinderPlacementTest : public PlacementTest {
protected:
    // The automatic line over the bands at zoom 2: guide lines along the two
    // edges, then the label.
    std::unique_ptr<CShape> PlaceAutoLine(CDibEdgeFinder& finder) {
        placement.SetEdgeFinder(&finder);
        return Place(M::kAutoLine, {{40, 76}, {360, 80}, {40, 162}, {360, 158}, {300, 120}}, 2.0);
    }
};

} // namespace

TEST_F(EdgeFinderPlacementTest, AutoLineMeasuresBetweenTheEdgesOfATwentyFourBitPicture) {
    const CDib bands = Bands();
    CDibEdgeFinder finder(bands);
    const auto line = PlaceAutoLine(finder);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->points[0].y, 39);
    EXPECT_EQ(line->points[1].y, 80);
    EXPECT_EQ(line->points[0].x, line->points[1].x);
}

TEST_F(EdgeFinderPlacementTest, AutoToolsKeepTheClicksOnAnEightBitPicture) {
    const CDib bands = EightBitCopy(Bands());
    CDibEdgeFinder finder(bands);
    const auto line = PlaceAutoLine(finder);
    ASSERT_NE(line, nullptr);
    // Midpoints (200, 78) and (200, 160) of the guide lines, halved.
    EXPECT_EQ(PointsOf(*line, 2), (std::vector<ShapePoint>{{100, 39}, {100, 80}}));

    const auto circle = Place(M::kAutoCircle, {{20, 30}, {60, 45}, {100, 30}, {60, 70}});
    ASSERT_NE(circle, nullptr);
    EXPECT_EQ(PointsOf(*circle, 3), (std::vector<ShapePoint>{{20, 30}, {60, 45}, {100, 30}}));
}

// Over a still document's picture the finder reads the picture displayed now.
TEST(EdgeFinderTest, SearchesTheStillPictureDisplayedNow) {
    ScopedProgramFolder home;
    const std::filesystem::path file = home.filePath("bands.bmp").toStdString();
    ASSERT_TRUE(Bands().Save(file, ImageType::Bmp));
    CStillPicture still;
    CDibEdgeFinder finder(still);
    EXPECT_EQ(finder.SnapToEdge({100, 30}, kEdgeSnapRadius), std::nullopt); // nothing opened
    ASSERT_TRUE(still.Open(file, ImageType::Bmp));
    // Ring 10 meets the white band first in its lowest row, leftmost.
    EXPECT_EQ(finder.SnapToEdge({100, 30}, kEdgeSnapRadius), QPoint(99, 40));
    const std::optional<CEdgeSegment> found =
        finder.TwoLinePerpendicular({20, 38}, {180, 40}, {20, 81}, {180, 79}, 1.0);
    ASSERT_TRUE(found);
    EXPECT_EQ(found, TwoLinePerpendicular(Bands(), {20, 38}, {180, 40}, {20, 81}, {180, 79}, 1.0));
}
