#include "tests/cli/CliTestSupport.h"

#include <cmath>

#include <QColor>
#include <QFile>
#include <QSettings>

namespace {

class CliActionsTest : public ::testing::Test {
protected:
    CliRun Measure(const QByteArray& session, const QStringList& extra = {}) {
        WriteFile(home.filePath("session.json"), session);
        return RunCli(QStringList{"measure", home.filePath("session.json")} + extra, home.path());
    }

    static QJsonObject Shape(const CliRun& run, int index) {
        return run.json["shapes"].toArray()[index].toObject();
    }
    static std::vector<std::vector<double>> Points(const QJsonObject& shape) {
        std::vector<std::vector<double>> points;
        for (const QJsonValue& point : shape["points"].toArray()) {
            points.push_back({point[0].toDouble(), point[1].toDouble()});
        }
        return points;
    }

    // A BMP of `size` whose pixel at (x, y) is grey level grey(x, y).
    void WritePicture(const QString& name, QSize size, const std::function<int(int, int)>& grey) {
        QImage picture(size, QImage::Format_RGB32);
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                const int v = grey(x, y);
                picture.setPixel(x, y, qRgb(v, v, v));
            }
        }
        ASSERT_TRUE(picture.save(home.filePath(name), "BMP"));
    }

    ScopedProgramFolder home;
};

} // namespace

TEST_F(CliActionsTest, ClicksGoThroughThePlacementAsMouseClicksDo) {
    const CliRun run = Measure(R"({"zoom": 0.3, "image": {"width": 2000, "height": 1500},
        "actions": [
            {"mode": 120, "clicks": [[149, 20]]},
            {"mode": 108, "clicks": [[30, 30], [30, 30], [60, 30], [45, 45]]},
            {"mode": 130, "clicks": [[10, 10]]},
            {"mode": 120, "clicks": [[20, 10]]},
            {"mode": 113, "clicks": [[10, 10], [100, 10], [100, 100], [120, 120]],
             "right_click_after": 3},
            {"mode": 121, "clicks": [[50, 50]], "text": "note"},
            {"undo": true},
            {"mode": 108, "points": [[10, 10], [70, 10], [40, 40]]},
            {"mode": 114, "clicks": [[10, 10], [100, 10], [100, 100], [10, 100]],
             "right_click_after": 2}
        ]})");
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    // The fold line never got its label: the clicks left it unfinished.
    EXPECT_EQ(run.err.count('\n'), 1);
    EXPECT_TRUE(run.err.contains("actions[8]: the clicks leave a shape unfinished"))
        << run.err.toStdString();

    const QJsonArray shapes = run.json["shapes"].toArray();
    ASSERT_EQ(shapes.size(), 6);
    // 149 / 0.3 + 0.5 = 497.17.
    EXPECT_EQ(Points(Shape(run, 0)), (std::vector<std::vector<double>>{{497, 67}}));
    // The repeated point was ignored.
    EXPECT_EQ(Points(Shape(run, 1)),
              (std::vector<std::vector<double>>{{100, 100}, {200, 100}, {150, 150}}));
    EXPECT_EQ(Shape(run, 1)["measure"].toArray()[0].toDouble(), 100.0);
    // Square and circle marks are numbered separately.
    EXPECT_EQ(Shape(run, 0)["class"].toString(), "CSquare");
    EXPECT_EQ(Shape(run, 0)["measure"].toArray()[0].toDouble(), 0.0);
    EXPECT_EQ(Shape(run, 2)["class"].toString(), "CCquare");
    EXPECT_EQ(Shape(run, 2)["measure"].toArray()[0].toDouble(), 0.0);
    EXPECT_EQ(Shape(run, 3)["measure"].toArray()[0].toDouble(), 1.0);
    // The right click after the third vertex ended the polygon.
    EXPECT_EQ(Shape(run, 4)["class"].toString(), "CPolygon");
    EXPECT_EQ(Points(Shape(run, 4)),
              (std::vector<std::vector<double>>{{33, 33}, {333, 33}, {333, 333}, {400, 400}}));
    // The text note was undone; serials run on, shared with direct shapes.
    EXPECT_EQ(Shape(run, 5)["class"].toString(), "CLine");
    std::vector<int> serials;
    for (const QJsonValue& shape : shapes) {
        serials.push_back(shape.toObject()["serial"].toInt());
    }
    EXPECT_EQ(serials, (std::vector<int>{-1, 0, 1, 2, 3, 5}));
}

TEST_F(CliActionsTest, TheAutomaticToolsSearchTheSessionsPicture) {
    // A dark disc of radius 40 around (100, 100) and a dark band over rows
    // 200 to 239.
    WritePicture("edges.bmp", {300, 300}, [](int x, int y) {
        return std::hypot(x - 100, y - 100) <= 40.0 || (y >= 200 && y < 240) ? 20 : 230;
    });
    const CliRun run = Measure(R"({"image": "edges.bmp", "actions": [
        {"mode": 123, "clicks": [[100, 52], [146, 100], [100, 145], [200, 150]]},
        {"mode": 122, "clicks": [[20, 198], [280, 201], [20, 242], [280, 239], [150, 280]]}
    ]})");
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject circle = Shape(run, 0);
    EXPECT_EQ(circle["class"].toString(), "CAutoCircle");
    const auto points = Points(circle);
    ASSERT_EQ(points.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(std::hypot(points[i][0] - 100, points[i][1] - 100), 40.0, 1.5) << i;
    }
    EXPECT_NE(points[0], (std::vector<double>{100, 52}));
    EXPECT_NEAR(circle["measure"].toArray()[0].toDouble(), 40.0, 1.5);

    const auto line = Points(Shape(run, 1));
    ASSERT_EQ(line.size(), 3u);
    EXPECT_NEAR(line[0][1], 200.0, 1.0);
    EXPECT_NEAR(line[1][1], 239.0, 1.0);
    EXPECT_EQ(line[2], (std::vector<double>{150, 280}));

    // Without a picture the tools keep the clicks: the line measures between
    // the midpoints of its guide lines.
    const CliRun blank = Measure(R"({"actions": [
        {"mode": 122, "clicks": [[20, 198], [280, 202], [20, 242], [280, 238], [150, 280]]}
    ]})");
    ASSERT_EQ(blank.exitCode, 0) << blank.err.toStdString();
    EXPECT_EQ(Points(Shape(blank, 0)),
              (std::vector<std::vector<double>>{{150, 200}, {150, 240}, {150, 280}}));
}

TEST_F(CliActionsTest, SaveWritesThePictureWithTheShapesBurnedIn) {
    {
        QSettings store(QStringLiteral("LOBRIN"), QStringLiteral("Marnelo"));
        store.setValue("Parameter/linecolor", 0xFF0000); // blue
        // Wide enough to keep its colour through JPEG's colour subsampling.
        store.setValue("Parameter/linewidth", 5);
    }
    WritePicture("shot.bmp", {120, 80}, [](int, int) { return 255; });
    const QByteArray session = R"({"image": "shot.bmp", "actions": [
        {"mode": 138, "clicks": [[10, 40], [110, 40], [60, 60]]}]})";
    CliRun run = Measure(session, {"--save", home.filePath("out.bmp")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.json["shapes"].toArray().size(), 1);
    const QByteArray bmp = ReadFile(home.filePath("out.bmp"));
    ASSERT_TRUE(bmp.startsWith("BM"));
    QImage saved = QImage::fromData(bmp, "BMP");
    ASSERT_EQ(saved.size(), QSize(120, 80));
    EXPECT_EQ(saved.pixelColor(60, 40), QColor(Qt::blue));
    EXPECT_EQ(saved.pixelColor(60, 30), QColor(Qt::white));

    run = Measure(session, {"--save", home.filePath("out.jpg")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    saved = QImage(home.filePath("out.jpg"), "JPG");
    ASSERT_EQ(saved.size(), QSize(120, 80));
    EXPECT_GT(saved.pixelColor(60, 40).blue(), 200);
    EXPECT_LT(saved.pixelColor(60, 40).red(), 80);

    // What cannot be saved says why and writes nothing.
    run = Measure(R"({"shapes": []})", {"--save", home.filePath("none.bmp")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("no picture")) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    run = Measure(session, {"--save", home.filePath("out.gif")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_FALSE(QFile::exists(home.filePath("out.gif")));
    run = Measure(session, {"--save", home.filePath("absent/out.bmp")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("cannot write")) << run.err.toStdString();
    run = Measure(session, {"--keep", home.filePath("out.bmp")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.startsWith("usage: marnelo-cli measure"));
}

TEST_F(CliActionsTest, BadActionsFailWithOneLineNamingThem) {
    struct Case {
        const char* session;
        const char* mentions;
    };
    const Case cases[] = {
        {R"({"actions": {"mode": 108}})", "actions: expected an array"},
        {R"({"actions": [{"mode": 109, "clicks": [[1, 2]], "points": []}]})", "actions[0]"},
        {R"({"actions": [{"mode": 5, "clicks": [[1, 2]]}]})", "not the mode of a tool"},
        {R"({"actions": [{"clicks": [[1, 2]]}]})", "mode is missing"},
        {R"({"actions": [{"mode": 108}]})", "actions[0].clicks"},
        {R"({"actions": [{"mode": 108, "clicks": [[1.5, 2]]}]})", "two whole numbers"},
        {R"({"actions": [{"mode": 108, "clicks": [[1, 2]], "right_click_after": 2}]})",
         "right_click_after"},
        {R"({"actions": [{"mode": 121, "clicks": [[1, 2]]}]})", "needs a text"},
        {R"({"actions": [{"mode": 108, "clicks": [[1, 2]], "text": "x"}]})", "only text notes"},
        {R"({"actions": [{"undo": false}]})", "actions[0].undo"},
        {R"({"actions": [{"undo": true, "mode": 108}]})", "unknown key"},
        {R"({"actions": [7]})", "actions[0]: expected an object"},
        {R"({"zoom": 2})", "zoom"},
        {R"({"zoom": "1"})", "zoom"},
        {R"({"image": 5})", "image"},
    };
    for (const Case& c : cases) {
        const CliRun run = Measure(c.session);
        EXPECT_EQ(run.exitCode, 2) << c.session;
        EXPECT_TRUE(run.out.isEmpty()) << c.session;
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.mentions)) << c.session << " -> " << run.err.toStdString();
    }
}
