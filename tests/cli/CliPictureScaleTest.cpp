#include "image/Dib.h"
#include "image/ImagePath.h"
#include "tests/cli/CliTestSupport.h"

// The scale a picture file carries, going into a measurement and coming out
// with every picture the command line writes.

namespace {

std::filesystem::path PathOf(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

// A 40 × 30 black picture whose file carries `scale`.
void WritePicture(const QString& path, const std::optional<CPictureScale>& scale) {
    CDib picture;
    ASSERT_TRUE(picture.Create(40, 30, 24));
    picture.SetScale(scale);
    const std::optional<ImageType> type = ImageTypeForPath(PathOf(path));
    ASSERT_TRUE(type.has_value());
    ASSERT_TRUE(picture.Save(PathOf(path), *type)) << picture.LastError();
}

std::optional<CPictureScale> ScaleOf(const QString& path) {
    CDib picture;
    EXPECT_TRUE(picture.Load(PathOf(path), ImageType::Unknown)) << picture.LastError();
    return picture.Scale();
}

TEST_F(CliTest, MeasuresWithThePicturesOwnScaleWhenTheSessionNamesNone) {
    WritePicture(home.filePath("own.tif"), CPictureScale{500.0, "um", "Lens 10x"});
    WritePicture(home.filePath("own.png"), CPictureScale{500.0, "um", "Lens 10x"});
    WritePicture(home.filePath("plain.bmp"), std::nullopt);
    const struct {
        const char* file;
        const char* calibration;
        double scale;
        const char* unit;
        double factor;
    } cases[] = {{"own.tif", "", 500.0, "um", 10000.0},
                 {"own.png", "", 500.0, "um", 10000.0},
                 // The session's calibration wins over the picture's.
                 {"own.tif", R"("calibration": {"unit": "mm", "scale": 80},)", 80.0, "mm", 10.0},
                 {"plain.bmp", "", 60.0, "mm", 10.0}};
    for (const auto& c : cases) {
        const CliRun run = Measure(QStringLiteral(R"({%1 "image": "%2",
            "shapes": [{"mode": 108, "points": [[5, 10], [35, 10], [5, 5]]}]})")
                                       .arg(QLatin1String(c.calibration), QLatin1String(c.file))
                                       .toUtf8());
        ASSERT_EQ(run.exitCode, 0) << c.file << run.err.toStdString();
        const QJsonObject calibration = run.json["calibration"].toObject();
        EXPECT_EQ(calibration["scale"].toDouble(), c.scale) << c.file << c.calibration;
        EXPECT_EQ(calibration["unit"].toString(), QLatin1String(c.unit)) << c.file;
        EXPECT_DOUBLE_EQ(Shape(run, 0)["result"].toArray()[0].toDouble(), 30.0 * c.factor / c.scale)
            << c.file;
    }
}

TEST_F(CliTest, PicturesWrittenCarryTheCalibrationInForce) {
    WritePicture(home.filePath("plain.bmp"), std::nullopt);
    WriteFile(home.filePath("calibrated.json"),
              R"({"image": "plain.bmp", "calibration": {"unit": "um", "scale": 1200}})");
    WriteFile(home.filePath("uncalibrated.json"), R"({"image": "plain.bmp"})");
    WriteFile(home.filePath("live.json"), R"({"calibration": {"unit": "um", "scale": 400}})");
    const struct {
        QStringList arguments;
        const char* out;
        std::optional<CPictureScale> scale;
    } cases[] = {
        {{"measure", "calibrated.json", "--save"}, "saved.tif", CPictureScale{1200.0, "um", ""}},
        {{"measure", "calibrated.json", "--save"}, "saved.png", CPictureScale{1200.0, "um", ""}},
        {{"measure", "uncalibrated.json", "--save"}, "plain.png", std::nullopt},
        {{"snapshot", "--session", "live.json", "--device", "virtual:0"},
         "shot.tif",
         CPictureScale{400.0, "um", ""}},
        {{"snapshot", "--device", "virtual:0"}, "shot.png", std::nullopt},
    };
    for (const auto& c : cases) {
        QStringList arguments;
        for (const QString& argument : c.arguments) {
            arguments << (argument.endsWith(".json") ? home.filePath(argument) : argument);
        }
        // The output goes where each command takes it.
        arguments.insert(arguments[0] == "measure" ? 3 : 1, home.filePath(c.out));
        const CliRun run = RunCli(arguments, home.path());
        ASSERT_EQ(run.exitCode, 0) << c.out << run.err.toStdString();
        EXPECT_EQ(ScaleOf(home.filePath(c.out)), c.scale) << c.out;
    }
}

} // namespace
