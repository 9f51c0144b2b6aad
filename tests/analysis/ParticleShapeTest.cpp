#include "analysis/particles/ParticleShape.h"

#include "document/MeasureSession.h"
#include "framework/RecordingDrawContext.h"
#include "tests/analysis/ParticlePictures.h"

#include <gtest/gtest.h>

namespace {

CParticleResult Analysed() {
    const Box a{4, 4, 12, 10};
    const Box b{20, 6, 26, 18};
    return AnalyseParticles(
        ObjectPicture(
            32, 24, [=](double x, double y) { return a.Holds(x, y) || b.Holds(x, y); }, 220, 40, 4),
        CParticleOptions{}, CParticleScale{0.5, "mm"});
}

std::unique_ptr<CParticleShape> ShapeOf(const CParticle& particle, int serial) {
    CShapeParams params;
    params.imgWidth = 32;
    params.imgHeight = 24;
    auto shape = std::make_unique<CParticleShape>(particle, CParticleScale{0.5, "mm"}, params);
    CompleteShape(*shape, serial);
    return shape;
}

TEST(ParticleShape, KeepsPixelMeasuresAndConvertsThem) {
    const CParticle particle = Analysed().particles.at(0);
    const auto shape = ShapeOf(particle, 3);
    EXPECT_NEAR(shape->Pixels().area, particle.area * 4, 1e-9); // 0.5 mm per pixel
    EXPECT_NEAR(shape->Pixels().feret, particle.feret * 2, 1e-9);
    const CParticle converted = shape->Converted(CUnitConversion{10, 20}); // 20 px per cm in mm
    EXPECT_NEAR(converted.area, particle.area, 1e-9);
    EXPECT_NEAR(converted.minFeret, particle.minFeret, 1e-9);
    EXPECT_EQ(converted.outline, particle.outline); // positions stay picture pixels
}

TEST(ParticleShape, SessionsSaveAndLoadParticlesWhole) {
    CMeasureSession session;
    session.width = 32;
    session.height = 24;
    session.pictureFile = QStringLiteral("grains.bmp");
    session.pictureSha256 = QByteArray(32, '\x5a');
    std::vector<std::unique_ptr<CParticleShape>> shapes;
    for (const CParticle& particle : Analysed().particles) {
        shapes.push_back(ShapeOf(particle, static_cast<int>(shapes.size()) + 7));
        shapes.back()->exportMark = 1;
        session.shapes.push_back(*SessionShapeOf(*shapes.back()));
    }
    QString error;
    const std::optional<CMeasureSession> read =
        ParseMeasureSession(SerializeMeasureSession(session), &error);
    ASSERT_TRUE(read) << error.toStdString();
    ASSERT_EQ(read->shapes.size(), shapes.size());
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        EXPECT_EQ(read->shapes[i], session.shapes[i]);
        const std::unique_ptr<CShape> built = BuildSessionShape(read->shapes[i], 32, 24);
        const auto* particle = dynamic_cast<const CParticleShape*>(built.get());
        ASSERT_NE(particle, nullptr);
        EXPECT_EQ(particle->Pixels(), shapes[i]->Pixels());
        EXPECT_EQ(built->serial, shapes[i]->serial);
        EXPECT_EQ(built->exportMark, 1);
    }
}

TEST(ParticleShape, RefusesBrokenParticleRecords) {
    const QByteArray head =
        R"({"version": 1, "image": {"file": "a.bmp", "width": 9, "height": 9, "sha256": ")" +
        QByteArray(64, 'a') +
        R"("}, "calibration": {"unit": "mm", "scale": 60}, "decimals": 2, "shapes": [)";
    const QByteArray good =
        R"("id": 1, "area": 4, "perimeter": 8, "circularity": 0.7, "feret": 2.8, "min_feret": 2,
           "feret_angle": 45, "centroid": [2, 2], "bbox": [1, 1, 2, 2], "touches_edge": false)";
    struct Case {
        QByteArray shape;
        const char* says;
    };
    const Case cases[] = {
        {R"({"mode": 200, "points": [[2, 2]]})", "shapes[0].particle: expected an object"},
        {R"({"mode": 200, "particle": {)" + good + R"(, "outline": [[1, 1], [3, 1]]}})",
         "shapes[0].particle.outline: expected 3"},
        {R"({"mode": 200, "particle": {)" + good + R"(, "outline": [[1, 1], [3, 1], [3, "x"]]}})",
         "shapes[0].particle.outline[2]"},
        {R"({"mode": 200, "particle": {"area": -1}})", "shapes[0].particle.id"},
        {R"({"mode": 108, "points": [[0, 0], [1, 1], [0, 1]], "particle": {}})", "only particles"},
    };
    for (const Case& c : cases) {
        QString error;
        EXPECT_FALSE(ParseMeasureSession(head + c.shape + "]}", &error)) << c.shape.data();
        EXPECT_TRUE(error.contains(QLatin1String(c.says))) << error.toStdString();
    }
}

TEST(ParticleShape, OutlinesAndNumbersAreDrawnAtTheZoom) {
    const CParticleResult result = Analysed();
    CRecordingDrawContext shapeContext;
    ShapeOf(result.particles.at(1), 0)->Draw(shapeContext, 1, 2.0);
    EXPECT_GE(shapeContext.Calls(DrawCall::LineTo).size(), 4u);
    EXPECT_EQ(shapeContext.Texts(), QStringList{"2"});

    CRecordingDrawContext dc;
    DrawParticleOutlines(dc, result, CParticleStyle{.penWidth = 2}, 2.0, 4, 0);
    EXPECT_EQ(dc.Texts(), (QStringList{"1", "2"}));
    EXPECT_EQ(dc.SavedDepth(), 0);
    int right = 0;
    for (const CDrawRecord& line : dc.Calls(DrawCall::LineTo)) {
        right = std::max(right, line.point.x());
        EXPECT_EQ(line.state.pen.width, 2);
    }
    EXPECT_NEAR(right, 2 * 26 - 4, 1); // the second square's right side, zoomed and moved
}

} // namespace
