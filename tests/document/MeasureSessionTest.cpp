#include "document/MeasureSession.h"

#include "calibration/Calibration.h"
#include "core/Parameters.h"
#include "shapes/ShapeFactory.h"
#include "shapes/ShapeKinds.h"
#include "tests/document/SessionTestSupport.h"
#include "tests/support/TestEnvironment.h"

#include <clocale>
#include <gtest/gtest.h>

// The session format a picture's measurements are kept in: what is written
// reads back as the same shapes, and what is malformed is refused with a
// message that names the place.

namespace {

struct CalibrationCase {
    const char* unit;
    double scale;
};

class MeasureSessionTest : public ::testing::Test {
protected:
    ~MeasureSessionTest() override { g_calibration = CCurrentCalibration{}; }
};

std::vector<std::unique_ptr<CShape>> Build(const std::vector<CSessionShape>& records) {
    std::vector<std::unique_ptr<CShape>> shapes;
    for (const CSessionShape& record : records) {
        shapes.push_back(BuildSessionShape(record, 1200, 900));
        EXPECT_NE(shapes.back(), nullptr) << record.mode;
        shapes.back()->ComputeResults();
    }
    return shapes;
}

CMeasureSession SessionOf(const std::vector<std::unique_ptr<CShape>>& shapes) {
    CMeasureSession session;
    session.calibrationName = QStringLiteral("Objective 10×, \"B\"");
    session.unit = g_calibration.unit;
    session.scale = g_calibration.scale;
    session.decimals = 3;
    session.pictureFile = QStringLiteral("grains, 1.bmp");
    session.width = 1200;
    session.height = 900;
    session.pictureSha256 = QByteArray(32, '\xab');
    for (const auto& shape : shapes) {
        const std::optional<CSessionShape> record = SessionShapeOf(*shape);
        EXPECT_TRUE(record.has_value()) << shape->ClassName();
        session.shapes.push_back(*record);
    }
    return session;
}

// A valid session with one distance line, to be spoiled by the cases below.
QByteArray ValidSession() {
    return R"({"version": 1,
  "image": {"file": "a.bmp", "width": 200, "height": 100,
            "sha256": "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff"},
  "calibration": {"name": "", "unit": "mm", "scale": 60},
  "decimals": 2,
  "shapes": [{"mode": 108, "serial": -1, "points": [[10, 20], [70, 20], [40, 30]], "mark": 0}]})";
}

} // namespace

TEST_F(MeasureSessionTest, EveryKindReadsBackAsTheSameShapesAtTwoCalibrations) {
    for (const CalibrationCase& calibration :
         {CalibrationCase{"mm", 60.0}, CalibrationCase{"um", 123.456789}}) {
        SCOPED_TRACE(calibration.unit);
        g_calibration.unit = QString::fromLatin1(calibration.unit);
        UnitFactor();
        g_calibration.scale = calibration.scale;
        std::vector<CSessionShape> records = EveryKindShapes();
        records[3].exportMark = 1;
        records[5].points[0] = {80.123456789012345, 270.1}; // not a short decimal
        const auto shapes = Build(records);
        const CMeasureSession written = SessionOf(shapes);

        QString error;
        const std::optional<CMeasureSession> read =
            ParseMeasureSession(SerializeMeasureSession(written), &error);
        ASSERT_TRUE(read.has_value()) << error.toStdString();
        EXPECT_EQ(read->calibrationName, written.calibrationName);
        EXPECT_EQ(read->unit, written.unit);
        EXPECT_EQ(read->scale, written.scale);
        EXPECT_EQ(read->decimals, 3);
        EXPECT_EQ(read->pictureFile, written.pictureFile);
        EXPECT_EQ(read->pictureSha256, written.pictureSha256);
        ASSERT_EQ(read->shapes, written.shapes);

        const auto rebuilt = Build(read->shapes);
        for (std::size_t i = 0; i < shapes.size(); ++i) {
            SCOPED_TRACE(shapes[i]->ClassName());
            EXPECT_EQ(rebuilt[i]->kind, shapes[i]->kind);
            EXPECT_EQ(rebuilt[i]->serial, shapes[i]->serial);
            EXPECT_EQ(rebuilt[i]->points, shapes[i]->points);
            EXPECT_EQ(rebuilt[i]->measure, shapes[i]->measure);
            EXPECT_EQ(rebuilt[i]->result, shapes[i]->result);
            EXPECT_EQ(rebuilt[i]->text, shapes[i]->text);
            EXPECT_EQ(rebuilt[i]->exportMark, shapes[i]->exportMark);
            const auto labels = rebuilt[i]->Labels(CDrawParams{});
            const auto expected = shapes[i]->Labels(CDrawParams{});
            ASSERT_EQ(labels.size(), expected.size());
            for (std::size_t k = 0; k < labels.size(); ++k) {
                EXPECT_EQ(labels[k].text, expected[k].text);
            }
        }
    }
}

TEST_F(MeasureSessionTest, NumbersAreWrittenWithADotWhateverTheLocale) {
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8"); // may be missing; C then
    CMeasureSession session;
    session.scale = 60.5;
    session.pictureSha256 = QByteArray(32, '\0');
    CSessionShape line;
    line.mode = MeasureMode::kLine;
    line.points = {{1.5, 2.25}, {3, 4}, {5, 6}};
    session.shapes.push_back(line);
    const QByteArray json = SerializeMeasureSession(session);
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_TRUE(json.contains("\"scale\": 60.5")) << json.toStdString();
    EXPECT_TRUE(json.contains("[1.5, 2.25]")) << json.toStdString();
}

TEST_F(MeasureSessionTest, HostileSessionsAreRefusedWithTheirPlace) {
    const QByteArray valid = ValidSession();
    QString error;
    ASSERT_TRUE(ParseMeasureSession(valid, &error).has_value()) << error.toStdString();

    const auto spoiled = [&valid](const char* from, const char* to) {
        QByteArray bytes = valid;
        EXPECT_TRUE(bytes.contains(from)) << from;
        return bytes.replace(from, to);
    };
    const struct {
        QByteArray json;
        const char* message;
    } cases[] = {
        {"", "malformed JSON"},
        {"[1, 2]", "a measurement session is a JSON object"},
        {valid.left(valid.size() / 2), "malformed JSON"},
        {spoiled(R"("version": 1,)", ""), "version: missing"},
        {spoiled(R"("version": 1,)", R"("version": 7,)"), "version: made by a newer Marnelo"},
        {spoiled(R"("version": 1,)", R"("version": "1",)"), "version: expected a whole number"},
        {spoiled(R"("version": 1,)", R"("version": 0.5,)"), "version: expected a whole number"},
        {spoiled(R"("decimals": 2)", R"("decimals": 2, "zoom": 1)"), "unknown key \"zoom\""},
        {spoiled(R"("mode": 108)", R"("mode": 140)"), "shapes[0].mode: 140 is not the mode"},
        {spoiled(R"("mode": 108)", R"("mode": 1e300)"), "shapes[0].mode: expected a whole"},
        {spoiled(R"([40, 30]])", R"([40, 30], [1, 1]])"), "CLine needs 3 points"},
        {spoiled(R"([[10, 20], [70, 20], [40, 30]])", "[]"), "CLine needs 3 points"},
        {spoiled(R"([10, 20])", R"([10, 1e300])"), "shapes[0].points[0]: the point lies too far"},
        {spoiled(R"([10, 20])", R"([10, 1e999])"), ""},
        {spoiled(R"([10, 20])", R"([10, NaN])"), "malformed JSON"},
        {spoiled(R"([10, 20])", R"([10, "20"])"), "shapes[0].points[0]: a point is two numbers"},
        {spoiled(R"([10, 20])", R"([10, 20, 30])"), "shapes[0].points[0]: a point is two"},
        {spoiled(R"("mark": 0)", R"("mark": 2)"), "shapes[0].mark"},
        {spoiled(R"("mark": 0)", R"("mark": 0, "text": "x")"), "only text notes"},
        {spoiled(R"("mark": 0)", R"("mark": 0, "number": 3)"), "only marks"},
        {spoiled(R"("serial": -1)", R"("serial": 4e9)"), "shapes[0].serial"},
        {spoiled(R"(, "mark": 0}])", R"(}, 5])"), "shapes[1]: expected an object"},
        {spoiled(R"("shapes": [)", R"("shapes": {"a": [)") + "}", "shapes: expected an array"},
        {spoiled("aabbccddeeff\"", "aabbccddeef\""), "image.sha256: expected 64 hexadecimal"},
        {spoiled("aabbccddeeff\"", "aabbccddeefg\""), "image.sha256: expected 64 hexadecimal"},
        {spoiled("\"width\": 200", "\"width\": 0"), "image.width"},
        {spoiled("\"width\": 200", "\"width\": 5000000"), "image.width"},
        {spoiled(R"("unit": "mm")", R"("unit": "inch")"), "calibration.unit: unknown unit"},
        {spoiled(R"("scale": 60)", R"("scale": 0)"), "calibration.scale"},
        {spoiled(R"("scale": 60)", R"("scale": -1e308)"), "calibration.scale"},
        {spoiled(R"("decimals": 2)", R"("decimals": 16)"), "decimals"},
        {spoiled(R"("mode": 108)", R"("mode": 121)"), "CText needs 1 points"},
        {spoiled(R"("calibration": {"name": "", "unit": "mm", "scale": 60})",
                 R"("calibration": 60)"),
         "calibration: expected an object"},
        {QByteArray(100000, '[') + QByteArray(100000, ']'), "malformed JSON"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json.left(200).toStdString());
        error.clear();
        EXPECT_FALSE(ParseMeasureSession(c.json, &error).has_value());
        EXPECT_TRUE(error.contains(QLatin1String(c.message))) << error.toStdString();
    }

    // A text note needs its text; a polygon 3 to 10 vertices and its anchor.
    const QByteArray note =
        spoiled(R"("mode": 108, "serial": -1, "points": [[10, 20], [70, 20], [40, 30]])",
                R"("mode": 121, "points": [[10, 20]], "text": "")");
    EXPECT_FALSE(ParseMeasureSession(note, &error).has_value());
    EXPECT_TRUE(error.contains("a text note needs a text")) << error.toStdString();
    const QByteArray polygon = spoiled(R"("mode": 108)", R"("mode": 113)");
    EXPECT_FALSE(ParseMeasureSession(polygon, &error).has_value());
    EXPECT_TRUE(error.contains("CPolygon needs 3 to 10 vertices")) << error.toStdString();
}

TEST(ShapeCountersTest, NewShapesNumberOnAfterKeptOnes) {
    std::vector<std::unique_ptr<CShape>> shapes;
    EXPECT_EQ(CShapeCounters::After(shapes).nextSerial, -1);
    CShapeParams params;
    params.points[0] = {5, 5};
    params.markNumber = 7;
    shapes.push_back(CreateShape(MeasureMode::kSquareMark, params));
    shapes.back()->serial = 12;
    params.markNumber = 2;
    shapes.push_back(CreateShape(MeasureMode::kCircleMark, params));
    shapes.back()->serial = 3;
    const CShapeCounters counters = CShapeCounters::After(shapes);
    EXPECT_EQ(counters.nextSerial, 13);
    EXPECT_EQ(counters.nextSquareMark, 8);
    EXPECT_EQ(counters.nextCircleMark, 3);
}
