#include "tests/analysis/MosaicPictures.h"
#include "tests/cli/CliTestSupport.h"

#include <QDir>

namespace {

class CliStitchTest : public ::testing::Test {
protected:
    void SetUp() override {
        const cv::Size size(200, 150);
        const cv::Mat scene = NaturalScene({420, 320}, 41);
        cuts = SerpentineCuts(2, 2, size, 0.3, 3, 6);
        for (std::size_t i = 0; i < cuts.size(); ++i) {
            tiles << home.filePath(QStringLiteral("tile%1.jpg").arg(i));
            WriteTile(CutTile(scene, cuts[i], size, 0.1, 1, 60 + i), tiles.back().toStdString());
        }
        WriteTile(CutTile(NaturalScene({300, 200}, 77), {{20, 20}, 1}, size, 0.1, 1, 5),
                  home.filePath("foreign.jpg").toStdString());
        WriteFile(home.filePath("garbage.jpg"), "not a picture");
    }

    CliRun Stitch(const QStringList& arguments) {
        return RunCli(QStringList{"stitch"} + arguments, home.path());
    }

    ScopedProgramFolder home;
    std::vector<CTileCut> cuts;
    QStringList tiles;
};

TEST_F(CliStitchTest, PrintsEveryPicturesPlaceAndNamesTheOneLeftOut) {
    const QString out = home.filePath("mosaic.tif");
    const QString foreign = home.filePath("foreign.jpg");
    const CliRun run = Stitch({"--output", out, tiles[3], tiles[1], foreign, tiles[0], tiles[2]});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(out));
    EXPECT_TRUE(run.err.contains("foreign.jpg")) << run.err.toStdString();
    const QJsonArray placed = run.json["tiles"].toArray();
    ASSERT_EQ(placed.size(), 5);
    EXPECT_GT(run.json["width"].toInt(), 200);
    EXPECT_GT(run.json["height"].toInt(), 150);
    // Positions agree with the cuts up to the mosaic's origin: the leftmost
    // and the topmost tile's.
    cv::Point2d origin = cuts[0].at;
    for (const CTileCut& cut : cuts) {
        origin = {std::min(origin.x, cut.at.x), std::min(origin.y, cut.at.y)};
    }
    for (const QJsonValue& value : placed) {
        const QJsonObject tile = value.toObject();
        const QString file = tile["file"].toString();
        SCOPED_TRACE(file.toStdString());
        EXPECT_EQ(tile["placed"].toBool(), file != foreign);
        const int index = static_cast<int>(tiles.indexOf(file));
        if (index >= 0) {
            EXPECT_NEAR(tile["x"].toDouble(), cuts[index].at.x - origin.x, 0.3);
            EXPECT_NEAR(tile["y"].toDouble(), cuts[index].at.y - origin.y, 0.3);
        }
    }
}

TEST_F(CliStitchTest, BadInputIsOneLineAndNoFile) {
    WriteFile(home.filePath("taken.png"), "already here");
    const QString out = home.filePath("out.tif");
    const struct {
        const char* name;
        QStringList arguments;
        QString output; // must stay as it was
    } cases[] = {
        {"one picture", {"--output", out, tiles[0]}, out},
        {"no output", {tiles[0], tiles[1]}, out},
        {"missing picture", {"--output", out, tiles[0], home.filePath("missing.jpg")}, out},
        {"unreadable picture", {"--output", out, tiles[0], home.filePath("garbage.jpg")}, out},
        {"output exists",
         {"--output", home.filePath("taken.png"), tiles[0], tiles[1]},
         home.filePath("taken.png")},
        {"output folder missing",
         {"--output", home.filePath("none/out.tif"), tiles[0], tiles[1]},
         home.filePath("none/out.tif")},
        {"output kind",
         {"--output", home.filePath("out.gif"), tiles[0], tiles[1]},
         home.filePath("out.gif")},
        {"unknown option", {"--output", out, "--fast", tiles[0], tiles[1]}, out},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray before = QFileInfo::exists(c.output) ? ReadFile(c.output) : QByteArray();
        const CliRun run = Stitch(c.arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_EQ(QFileInfo::exists(c.output) ? ReadFile(c.output) : QByteArray(), before);
    }
    EXPECT_EQ(QDir(home.path()).entryList({"*.part"}, QDir::Files | QDir::Hidden).size(), 0);
}

} // namespace
