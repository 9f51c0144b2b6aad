#include "tests/cli/CliTestSupport.h"
#include "tests/reports/ReportReaders.h"

#include <QDir>
#include <QRect>

namespace {

// A 60 × 40 picture, grey 220, with dark squares of 10, 6 and 4 pixels, the
// last on the left border.
const QRect kSquares[] = {{5, 5, 10, 10}, {30, 20, 6, 6}, {0, 30, 4, 4}};

std::vector<double> Numbers(const QJsonValue& array) {
    std::vector<double> numbers;
    for (const QJsonValue& value : array.toArray()) {
        numbers.push_back(value.toDouble());
    }
    return numbers;
}

class CliParticlesTest : public ::testing::Test {
protected:
    void SetUp() override {
        QImage picture(60, 40, QImage::Format_RGB888);
        picture.fill(QColor(220, 220, 220));
        for (const QRect& square : kSquares) {
            for (int y = square.top(); y <= square.bottom(); ++y) {
                for (int x = square.left(); x <= square.right(); ++x) {
                    picture.setPixelColor(x, y, QColor(30, 30, 30));
                }
            }
        }
        ASSERT_TRUE(picture.save(home.filePath("squares.bmp")));
        ASSERT_TRUE(QDir(home.path()).mkdir("out"));
    }

    CliRun Particles(const QStringList& options) {
        return RunCli(QStringList{"particles", home.filePath("squares.bmp")} + options,
                      home.path());
    }

    QString Out(const QString& name) const { return home.filePath("out/" + name); }

    ScopedProgramFolder home;
};

TEST_F(CliParticlesTest, PrintsEveryParticleInTheCalibratedUnit) {
    const CliRun run = Particles({"--imagej", "--scale", "2", "--unit", "mm"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.json["count"].toInt(), 3);
    EXPECT_EQ(run.json["unit"].toString(), "mm");
    const int threshold = run.json["threshold"].toInt();
    EXPECT_GE(threshold, 30);
    EXPECT_LT(threshold, 220);
    const QJsonObject first = run.json["particles"].toArray()[0].toObject();
    EXPECT_EQ(first["id"].toInt(), 1);
    EXPECT_DOUBLE_EQ(first["area"].toDouble(), 25);                       // 100 px² at 2 px per mm
    EXPECT_DOUBLE_EQ(first["min_feret"].toDouble(), 5);                   // 10 px
    EXPECT_EQ(Numbers(first["centroid"]), (std::vector<double>{10, 10})); // picture px
    EXPECT_EQ(Numbers(first["bbox"]), (std::vector<double>{5, 5, 10, 10}));
    EXPECT_FALSE(first["touches_edge"].toBool());
    for (const char* key : {"perimeter", "circularity", "feret", "feret_angle"}) {
        EXPECT_TRUE(first[key].isDouble()) << key;
    }
    EXPECT_TRUE(run.json["particles"].toArray()[2].toObject()["touches_edge"].toBool());
    const QJsonObject summary = run.json["summary"].toObject();
    EXPECT_EQ(summary["count"].toInt(), 3);
    EXPECT_DOUBLE_EQ(summary["area"].toObject()["max"].toDouble(), 25);
    EXPECT_DOUBLE_EQ(summary["area"].toObject()["min"].toDouble(), 4);
    EXPECT_DOUBLE_EQ(summary["area_fraction"].toDouble(), (100.0 + 36 + 16) / (60 * 40));
}

TEST_F(CliParticlesTest, OptionsSelectTheParticles) {
    WriteFile(home.filePath("data.xml"),
              R"(<LOBRIN><Calibration name="Data"><caldata name="Lens" Unit="um" ValueX="20" )"
              R"(ValueY="1"/></Calibration></LOBRIN>)");
    struct Case {
        QStringList options;
        int count;
        double largestArea;
        const char* unit;
    };
    const Case cases[] = {
        {{}, 3, 100, "px"},
        {{"--exclude-edges"}, 2, 100, "px"},
        {{"--min-area", "20", "--max-area", "50"}, 1, 36, "px"},
        {{"--threshold", "29"}, 0, 0, "px"},
        {{"--threshold", "30", "--imagej"}, 3, 100, "px"},
        {{"--objects", "light", "--threshold", "default", "--imagej"}, 1, 2400 - 152, "px"},
        {{"--calibration", "lens", "--imagej"}, 3, 100 * 500.0 * 500.0, "um"}, // 20 px per cm
        {{"--split", "--fill-holes", "--flatten", "8", "--threshold", "triangle", "--imagej"},
         3,
         100,
         "px"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options.join(' ').toStdString());
        const CliRun run = Particles(c.options);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.json["count"].toInt(), c.count);
        EXPECT_EQ(run.json["unit"].toString(), c.unit);
        if (c.count > 0) {
            EXPECT_NEAR(run.json["summary"].toObject()["area"].toObject()["max"].toDouble(),
                        c.largestArea, 0.05 * c.largestArea);
        }
    }
}

TEST_F(CliParticlesTest, WritesTableOutlinesAndReport) {
    const CliRun run = Particles(
        {"--csv", Out("p.csv"), "--save", Out("p.bmp"), "--report", Out("p.xlsx"), "--imagej"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QList<QByteArray> lines = ReadFile(Out("p.csv")).split('\n');
    ASSERT_GE(lines.size(), 5);
    EXPECT_TRUE(lines[0].startsWith("\xEF\xBB\xBF"
                                    "Number,Area (px²),Perimeter (px)"));
    EXPECT_TRUE(lines[1].startsWith("1,100,")) << lines[1].toStdString();
    EXPECT_TRUE(lines[4].trimmed().isEmpty()); // the summary follows after an empty line

    const QImage saved(Out("p.bmp"));
    ASSERT_EQ(saved.size(), QSize(60, 40));
    // The outline runs along the square's pixel edges in the line colour (red).
    EXPECT_EQ(saved.pixelColor(20, 5), QColor(220, 220, 220));
    EXPECT_EQ(saved.pixelColor(10, 5), QColor(255, 0, 0));

    const SheetCells cells = ReadXlsxCells(Out("p.xlsx"));
    EXPECT_EQ(cells.at({5, 0}), SheetValue(QStringLiteral("Number")));
    EXPECT_EQ(cells.at({6, 1}), SheetValue(100.0));

    // A picture never replaces a file.
    const CliRun again = Particles({"--save", Out("p.bmp")});
    EXPECT_EQ(again.exitCode, 2);
}

TEST_F(CliParticlesTest, BadInputIsOneLineAndNoFile) {
    WriteFile(home.filePath("text.bmp"), "not a picture");
    const QString csv = Out("p.csv");
    struct Case {
        QStringList arguments;
        const char* says;
    };
    const Case cases[] = {
        {{"particles", home.filePath("missing.bmp"), "--csv", csv}, "cannot read the picture"},
        {{"particles", home.filePath("text.bmp"), "--csv", csv}, "cannot read the picture"},
        {{"particles", home.filePath("squares.bmp"), "--threshold", "256", "--csv", csv},
         "--threshold"},
        {{"particles", home.filePath("squares.bmp"), "--threshold", "-1", "--csv", csv},
         "--threshold"},
        {{"particles", home.filePath("squares.bmp"), "--min-area", "5", "--max-area", "2", "--csv",
          csv},
         "--min-area"},
        {{"particles", home.filePath("squares.bmp"), "--save", Out("p.bmp"), "--csv",
          home.filePath("no/such/folder.csv")},
         "--csv"},
        {{"particles", home.filePath("squares.bmp"), "--csv", csv, "--report", Out("p.txt")},
         "--report"},
        {{"particles", home.filePath("squares.bmp"), "--scale", "2", "--csv", csv}, "--unit"},
        {{"particles", home.filePath("squares.bmp"), "--calibration", "none", "--csv", csv},
         "--calibration"},
        {{"particles", home.filePath("squares.bmp"), "--split", "yes", "--csv", csv}, "unexpected"},
        {{"particles"}, "picture"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const CliRun run = RunCli(c.arguments, home.path());
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
        EXPECT_EQ(QDir(home.filePath("out")).entryList(QDir::Files), QStringList{});
    }
}

} // namespace
