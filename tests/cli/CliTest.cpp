#include "calibration/Calibration.h"
#include "shapes/ShapeFactory.h"
#include "tests/cli/CliTestSupport.h"

#include <QColor>
#include <QFile>
#include <QSettings>

namespace {

TEST_F(CliTest, MeasuresWithTheInitialCalibrationByDefault) {
    const CliRun run = Measure(R"({"shapes": [
        {"mode": 108, "points": [[10, 20], [70, 20], [40, 30]]},
        {"mode": 113, "points": [[10, 10], [70, 10], [70, 70], [10, 70], [5, 5]], "mark": 1},
        {"mode": 188, "points": [[10, 50], [50, 10], [90, 50], [5, 5]]},
        {"mode": 138, "points": [[10, 20], [40, 99], [5, 5]]}
    ]})");
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty());

    const QJsonObject line = Shape(run, 0);
    EXPECT_EQ(line["serial"].toInt(), -1);
    EXPECT_EQ(line["kind"].toInt(), 1);
    EXPECT_EQ(line["class"].toString(), "CLine");
    EXPECT_EQ(Numbers(line["measure"]), (std::vector<double>{60, 0, 0}));
    EXPECT_EQ(Numbers(line["result"]), (std::vector<double>{10, 0, 0, 0}));
    EXPECT_EQ(line["mark"].toInt(), 0);

    // The polygon's anchor is reported last, as it was given.
    const QJsonObject polygon = Shape(run, 1);
    EXPECT_EQ(polygon["serial"].toInt(), 0);
    EXPECT_EQ(polygon["points"].toArray().size(), 5);
    EXPECT_EQ(Numbers(polygon["points"].toArray()[4]), (std::vector<double>{5, 5}));
    EXPECT_EQ(Numbers(polygon["result"]), (std::vector<double>{40, 100, 0, 0}));
    EXPECT_EQ(polygon["mark"].toInt(), 1);

    // Non-terminating values read back exactly as computed in this process.
    const QJsonObject circle = Shape(run, 2);
    const CUnitConversion initial;
    EXPECT_EQ(circle["result"].toArray()[0].toDouble(), initial.Length(40.0));
    EXPECT_EQ(circle["result"].toArray()[1].toDouble(), kShapeTwoPi * initial.Length(40.0));
    EXPECT_EQ(circle["result"].toArray()[2].toDouble(), kShapePi * initial.Area(1600.0));

    // The horizontal distance keeps its second point on the first one's row.
    const QJsonObject horizontal = Shape(run, 3);
    EXPECT_EQ(Numbers(horizontal["points"].toArray()[1]), (std::vector<double>{40, 20}));
    EXPECT_EQ(horizontal["result"].toArray()[0].toDouble(), 5.0);

    const QJsonObject calibration = run.json["calibration"].toObject();
    EXPECT_EQ(calibration["unit"].toString(), "mm");
    EXPECT_EQ(calibration["factor"].toDouble(), 10.0);
    EXPECT_EQ(calibration["scale"].toDouble(), 60.0);
    EXPECT_EQ(calibration["reference"].toDouble(), 2.0);
    EXPECT_EQ(calibration["last_line"].toDouble(), 5.0);
    EXPECT_EQ(run.json["decimals"].toInt(), 6);
}

TEST_F(CliTest, TakesUnitAndScaleDecimalsAndNumbersMarks) {
    const CliRun run = Measure(R"({"calibration": {"unit": "UM", "scale": 1200},
        "decimals": 2, "image": {"width": 1920, "height": 1080},
        "shapes": [
            {"mode": 120, "points": [[10, 10]]},
            {"mode": 130, "points": [[20, 10]]},
            {"mode": 120, "points": [[30, 10]]},
            {"mode": 121, "points": [[40, 10]], "text": "Gap \"A\" µm\n"}
        ]})");
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(Numbers(Shape(run, 0)["measure"])[0], 0.0);
    EXPECT_EQ(Numbers(Shape(run, 1)["measure"])[0], 0.0);
    EXPECT_EQ(Numbers(Shape(run, 2)["measure"])[0], 1.0);
    EXPECT_EQ(Shape(run, 3)["text"].toString(), "Gap \"A\" µm\n");
    EXPECT_EQ(Shape(run, 3)["serial"].toInt(), 2);
    const QJsonObject calibration = run.json["calibration"].toObject();
    EXPECT_EQ(calibration["unit"].toString(), "UM");
    EXPECT_EQ(calibration["factor"].toDouble(), 10000.0);
    EXPECT_EQ(calibration["scale"].toDouble(), 1200.0);
    EXPECT_EQ(calibration["last_line"].toDouble(), 2.0);
    EXPECT_EQ(run.json["decimals"].toInt(), 2);
}

TEST_F(CliTest, SavedSerialsNumbersAndPicturesAreKept) {
    ASSERT_TRUE(QImage(40, 30, QImage::Format_RGB888).save(home.filePath("p.bmp")));
    const CliRun run = Measure(R"({"version": 1,
        "image": {"file": "p.bmp", "width": 40, "height": 30,
                  "sha256": "0000000000000000000000000000000000000000000000000000000000000000"},
        "calibration": {"name": "Objective 4x", "unit": "um", "scale": 1200},
        "shapes": [
            {"mode": 120, "serial": 7, "number": 4, "points": [[10, 10]]},
            {"mode": 120, "points": [[20, 10]]},
            {"mode": 108, "serial": 2, "points": [[1, 2], [3, 4], [5, 6]]},
            {"mode": 108, "points": [[1, 2], [3, 4], [5, 6]]}
        ]})");
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("image.sha256: the picture was changed")) << run.err.toStdString();
    EXPECT_EQ(Shape(run, 0)["serial"].toInt(), 7);
    EXPECT_EQ(Numbers(Shape(run, 0)["measure"])[0], 4.0);
    EXPECT_EQ(Shape(run, 1)["serial"].toInt(), 8);
    EXPECT_EQ(Numbers(Shape(run, 1)["measure"])[0], 5.0);
    EXPECT_EQ(Shape(run, 2)["serial"].toInt(), 2);
    EXPECT_EQ(Shape(run, 3)["serial"].toInt(), 9);
    EXPECT_EQ(run.json["calibration"]["name"].toString(), "Objective 4x");

    // A CSV report holds no picture.
    WriteFile(home.filePath("session.json"), R"({"shapes": [{"mode": 120, "points": [[1, 1]]}]})");
    const CliRun csv = RunCli({"measure", home.filePath("session.json"), "--report",
                               home.filePath("out.csv"), "--picture"},
                              home.path());
    EXPECT_EQ(csv.exitCode, 2);
    EXPECT_TRUE(csv.err.contains("no picture")) << csv.err.toStdString();
    EXPECT_FALSE(QFile::exists(home.filePath("out.csv")));
}

TEST_F(CliTest, UsesAStoredCalibration) {
    WriteFile(home.filePath("lab/data.xml"),
              "<LOBRIN><Calibration name=\"Data\">"
              "<caldata name=\"CAL1\" Unit=\"um\" ValueX=\"1200.000000\" ValueY=\"1.0\"/>"
              "</Calibration></LOBRIN>");
    WriteFile(home.filePath("lab/session.json"),
              R"({"calibration": {"store": "data.xml", "name": "cal1"},
                  "shapes": [{"mode": 108, "points": [[10, 10], [130, 10], [5, 5]]}]})");
    const CliRun run = RunCli({"measure", home.filePath("lab/session.json")}, home.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(Shape(run, 0)["result"].toArray()[0].toDouble(), 120.0 * 10000.0 / 1200.0);
    const QJsonObject calibration = run.json["calibration"].toObject();
    EXPECT_EQ(calibration["name"].toString(), "cal1");
    EXPECT_EQ(calibration["unit"].toString(), "um");
    EXPECT_EQ(calibration["reference"].toDouble(), 1.0);

    // Without a store the program folder's data.xml is used.
    WriteFile(home.filePath("data.xml"), ReadFile(home.filePath("lab/data.xml")));
    const CliRun fromHome = Measure(R"({"calibration": {"name": "CAL1"}})");
    ASSERT_EQ(fromHome.exitCode, 0) << fromHome.err.toStdString();
    EXPECT_EQ(fromHome.json["calibration"].toObject()["scale"].toDouble(), 1200.0);
    EXPECT_EQ(fromHome.json["shapes"].toArray().size(), 0);
}

TEST_F(CliTest, ReadsStandardInputAndTheDecimalsSetting) {
    {
        QSettings store(QStringLiteral("LOBRIN"), QStringLiteral("Marnelo"));
        store.setValue("Parameter/measuredecimal", 3);
    }
    const CliRun run = RunCli({"measure", "-"}, home.path(), "{}");
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.json["decimals"].toInt(), 3);
    EXPECT_TRUE(run.json["shapes"].toArray().isEmpty());
}

TEST_F(CliTest, BadSessionsFailWithOneLineAndStatusTwo) {
    struct Case {
        const char* session;
        const char* mentions;
    };
    const Case cases[] = {
        {"{\"shapes\": [", "malformed JSON"},
        {"[1, 2]", "JSON object"},
        {"", "malformed JSON"},
        {R"({"shapes": [{"mode": 140, "points": []}]})", "Bad Element code"},
        {R"({"shapes": [{"mode": 108, "points": [[1, 2], [3, 4]]}]})", "needs 3 points"},
        {R"({"shapes": [{"mode": 113, "points": [[1, 2], [3, 4], [5, 6]]}]})", "3 to 10 vertices"},
        {R"({"shapes": [{"mode": 108, "points": [[1, 2], [3], [5, 6]]}]})", "shapes[0].points[1]"},
        {R"({"shapes": [{"mode": 108, "points": [[1, 2], ["3", 4], [5, 6]]}]})", "two numbers"},
        {R"({"shapes": [{"mode": 108, "points": [[1, 2], [3, 1e999], [5, 6]]}]})", "malformed"},
        {R"({"shapes": [{"points": [[1, 2]]}]})", "mode is missing"},
        {R"({"shapes": [{"mode": 108.5, "points": []}]})", "shapes[0].mode"},
        {R"({"shapes": [{"mode": 108}]})", "shapes[0].points"},
        {R"({"shapes": {"mode": 108}})", "shapes"},
        {R"({"shapes": [{"mode": 121, "points": [[1, 2]]}]})", "needs a text"},
        {R"({"shapes": [{"mode": 108, "points": [[1, 2], [3, 4], [5, 6]], "text": "x"}]})",
         "only text notes"},
        {R"({"shapes": [{"mode": 108, "points": [[1, 2], [3, 4], [5, 6]], "mark": 2}]})",
         "shapes[0].mark"},
        {R"({"shape": []})", "unknown key \"shape\""},
        {R"({"calibration": {"unit": "µm"}})", "unknown unit"},
        {R"({"calibration": {"scale": 0}})", "calibration.scale"},
        {R"({"calibration": {"scale": "60"}})", "calibration.scale"},
        {R"({"calibration": {"unit": "mm", "name": "CAL1"}})", "either"},
        {R"({"calibration": {"store": "data.xml"}})", "name"},
        {R"({"calibration": {"store": "absent.xml", "name": "CAL1"}})", "cannot load"},
        {R"({"calibration": {"name": "CAL1"}})", "cannot load"},
        {R"({"decimals": 16})", "decimals"},
        {R"({"image": {"width": 0}})", "image.width"},
        {R"({"version": 2})", "newer version"},
        {R"({"version": 0})", "version"},
        {R"({"image": {"sha256": "abc"}})", "image.sha256"},
        {R"({"shapes": [{"mode": 108, "points": [[1, 2], [3, 4], [5, 6]], "number": 1}]})",
         "only marks"},
        {R"({"shapes": [{"mode": 120, "points": [[1, 2]], "serial": 1.5}]})", "shapes[0].serial"},
    };
    for (const Case& c : cases) {
        const CliRun run = Measure(c.session);
        EXPECT_EQ(run.exitCode, 2) << c.session;
        EXPECT_TRUE(run.out.isEmpty()) << c.session;
        EXPECT_TRUE(run.err.startsWith("marnelo-cli: ")) << run.err.toStdString();
        EXPECT_TRUE(run.err.endsWith('\n'));
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.mentions)) << c.session << " -> " << run.err.toStdString();
    }
}

TEST_F(CliTest, UnknownNamesInTheStoreAndUnreadableFiles) {
    WriteFile(home.filePath("data.xml"),
              "<LOBRIN><Calibration><caldata name=\"Zero\" Unit=\"mm\" ValueX=\"0\" "
              "ValueY=\"1\"/></Calibration></LOBRIN>");
    for (const char* name : {"Absent", "Zero"}) {
        const CliRun run = Measure(QByteArray(R"({"calibration": {"name": ")") + name + R"("}})");
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains("not a usable calibration")) << run.err.toStdString();
    }

    const CliRun missing = RunCli({"measure", home.filePath("none.json")}, home.path());
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_TRUE(missing.err.contains("cannot read")) << missing.err.toStdString();
    const CliRun folder = RunCli({"measure", home.path()}, home.path());
    EXPECT_EQ(folder.exitCode, 2);
    EXPECT_TRUE(folder.err.contains("folder")) << folder.err.toStdString();

    for (const QStringList& arguments :
         {QStringList{}, QStringList{"measure"}, QStringList{"weigh", "x.json"}}) {
        const CliRun usage = RunCli(arguments, home.path());
        EXPECT_EQ(usage.exitCode, 2);
        EXPECT_TRUE(usage.err.startsWith("usage: marnelo-cli measure"));
    }
    const CliRun help = RunCli({"--help"}, home.path());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("usage: marnelo-cli measure"));
}

TEST_F(CliTest, ReportsTheLabelsEachShapeDraws) {
    const CliRun run = Measure(R"({"decimals": 3, "shapes": [
        {"mode": 109, "points": [[10, 10], [70, 40], [100, 200]]},
        {"mode": 120, "points": [[50, 60]]},
        {"mode": 121, "points": [[40, 10]], "text": "Gap \"A\""}
    ]})");
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const auto labels = [&run](int index) {
        QStringList lines;
        for (const QJsonValue& label : Shape(run, index)["labels"].toArray()) {
            const QJsonObject object = label.toObject();
            lines << QStringLiteral("%1 %2 %3")
                         .arg(object["x"].toInt())
                         .arg(object["y"].toInt())
                         .arg(object["text"].toString());
        }
        return lines;
    };
    // mm at 60 pixels per cm: 60 × 30 pixels are 10 × 5 mm.
    EXPECT_EQ(labels(0), (QStringList{"100 168 W:10.000mm", "100 184 H:5.000mm",
                                      "100 200 C:30.000mm", "100 216 A:50.000mm²"}));
    EXPECT_EQ(labels(1), QStringList{"43 53 0"});
    EXPECT_EQ(labels(2), QStringList{"40 10 Gap \"A\""});
}

TEST_F(CliTest, TheOverviewSessionKeepsItsLabels) {
    const QString session = QStringLiteral(MARNELO_TEST_DATA_DIR "/cli/overview.json");
    const CliRun run = RunCli({"measure", session}, home.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QStringList drawn;
    const QJsonArray shapes = run.json["shapes"].toArray();
    for (qsizetype i = 0; i < shapes.size(); ++i) {
        for (const QJsonValue& label : shapes[i].toObject()["labels"].toArray()) {
            const QJsonObject object = label.toObject();
            drawn << QStringLiteral("%1\t%2\t%3\t%4")
                         .arg(i)
                         .arg(object["x"].toInt())
                         .arg(object["y"].toInt())
                         .arg(object["text"].toString());
        }
    }
    QStringList expected;
    const QString file = QString::fromUtf8(
        ReadFile(QStringLiteral(MARNELO_TEST_DATA_DIR "/cli/overview-labels.txt")));
    for (const QString& line : file.split(u'\n', Qt::SkipEmptyParts)) {
        if (!line.startsWith(u'#')) {
            expected << line;
        }
    }
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(drawn, expected);

    // Every kind's result rows, as checked by hand against the labels.
    QStringList rows;
    for (const QJsonValue& row : run.json["results"].toArray()) {
        rows << row.toString();
    }
    QStringList expectedRows;
    const QString rowFile = QString::fromUtf8(
        ReadFile(QStringLiteral(MARNELO_TEST_DATA_DIR "/cli/overview-results.txt")));
    for (const QString& line : rowFile.split(u'\n', Qt::SkipEmptyParts)) {
        if (!line.startsWith(u'#')) {
            expectedRows << line;
        }
    }
    EXPECT_EQ(rows, expectedRows);

    const CliRun render = RunCli({"render", session, home.filePath("out.bmp")}, home.path());
    ASSERT_EQ(render.exitCode, 0) << render.err.toStdString();
    EXPECT_EQ(Rendered().size(), QSize(1200, 900));
}

TEST_F(CliTest, RendersOnAWhitePictureInTheCurrentDrawingStyle) {
    {
        QSettings store(QStringLiteral("LOBRIN"), QStringLiteral("Marnelo"));
        store.setValue("Parameter/linecolor", 0xFF0000); // blue
        store.setValue("Parameter/linewidth", 3);
    }
    WriteFile(home.filePath("out.bmp"), "an older picture");
    const CliRun run = Render(R"({"image": {"width": 100, "height": 60},
        "shapes": [{"mode": 138, "points": [[10, 20], [70, 20], [90, 50]]}]})");
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    const QImage picture = Rendered();
    ASSERT_EQ(picture.size(), QSize(100, 60));
    for (const int y : {19, 20, 21}) {
        EXPECT_EQ(picture.pixelColor(40, y), QColor(Qt::blue)) << y;
    }
    EXPECT_EQ(picture.pixelColor(40, 30), QColor(Qt::white));
    EXPECT_EQ(picture.pixelColor(0, 0), QColor(Qt::white));
}

TEST_F(CliTest, RendersOnTheSessionsPicture) {
    QImage grey(50, 40, QImage::Format_RGB32);
    grey.fill(QColor(128, 128, 128));
    ASSERT_TRUE(grey.save(home.filePath("grey.bmp")));
    const QByteArray line = R"("shapes": [{"mode": 138, "points": [[10, 20], [40, 20], [5, 5]]}])";

    // The picture gives the size.
    CliRun run = Render(R"({"image": {"file": "grey.bmp"}, )" + line + "}");
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QImage picture = Rendered();
    ASSERT_EQ(picture.size(), QSize(50, 40));
    EXPECT_EQ(picture.pixelColor(25, 20), QColor(Qt::red));
    EXPECT_EQ(picture.pixelColor(25, 35), QColor(128, 128, 128));

    // A picture that cannot be read (here one in a format the application
    // does not open) stops the command with the decoder's reason and leaves
    // the last picture as it was.
    ASSERT_TRUE(grey.save(home.filePath("grey.ppm")));
    run = Render(R"({"image": {"file": "grey.ppm", "width": 30, "height": 25}, )" + line + "}");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err.count('\n'), 1);
    EXPECT_TRUE(run.err.contains("cannot read the picture")) << run.err.toStdString();
    EXPECT_EQ(Rendered().size(), QSize(50, 40));

    // A size that disagrees with the picture is a mistake in the session.
    run = Render(R"({"image": {"file": "grey.bmp", "width": 60}})");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("image: the picture")) << run.err.toStdString();
}

TEST_F(CliTest, RenderFailuresLeaveNoPicture) {
    const QString absentFolder = home.filePath("absent/out.bmp");
    WriteFile(home.filePath("session.json"), "{}");
    const CliRun unwritable =
        RunCli({"render", home.filePath("session.json"), absentFolder}, home.path());
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_TRUE(unwritable.err.contains("cannot write")) << unwritable.err.toStdString();
    EXPECT_FALSE(QFile::exists(absentFolder));

    const CliRun bad = Render(R"({"shapes": [{"mode": 108}]})");
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_FALSE(QFile::exists(home.filePath("out.bmp")));

    const CliRun usage = RunCli({"render", home.filePath("session.json")}, home.path());
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_TRUE(usage.err.contains("marnelo-cli render")) << usage.err.toStdString();
}

} // namespace
