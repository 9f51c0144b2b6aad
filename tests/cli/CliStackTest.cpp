#include "analysis/focus/FocusImage.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/FocusStackMaker.h"

#include <cmath>
#include <tiffio.h>

#include <QDir>

namespace {

constexpr int kSlices = 4;

// A small focus series with a known surface, written as PNG files.
class CliStackTest : public ::testing::Test {
protected:
    void SetUp() override {
        sharp = TexturePicture(std::string(MARNELO_TEST_DATA_DIR) +
                                   "/libjpeg-turbo-testimages/testorig.jpg",
                               240, 160, 1.5);
        depth = SurfaceDepth(sharp.size(), 0.5, kSlices - 1.5);
        for (int k = 0; k < kSlices; ++k) {
            const QString path = home.filePath(QStringLiteral("slice-%1.png").arg(k));
            ASSERT_TRUE(
                BgrToDib(DefocusedSlice(sharp, depth, k)).Save(path.toStdString(), ImageType::Png));
            slices << path;
        }
        ASSERT_TRUE(QDir(home.path()).mkdir("out"));
    }

    QString Out(const QString& name) const { return home.filePath("out/" + name); }

    ScopedProgramFolder home;
    cv::Mat sharp, depth;
    QStringList slices;
};

struct CFloatPicture {
    std::uint32_t width = 0, height = 0;
    std::uint16_t bits = 0, format = 0, samples = 0;
    std::vector<float> values;
};

CFloatPicture ReadFloatTiff(const QString& path) {
    CFloatPicture picture;
    TIFF* tiff = TIFFOpen(path.toLocal8Bit().constData(), "r");
    if (tiff == nullptr) {
        return picture;
    }
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &picture.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &picture.height);
    TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &picture.bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &picture.format);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &picture.samples);
    if (picture.bits == 32 && picture.samples == 1) {
        picture.values.resize(static_cast<std::size_t>(picture.width) * picture.height);
        for (std::uint32_t y = 0; y < picture.height; ++y) {
            TIFFReadScanline(tiff, picture.values.data() + std::size_t{y} * picture.width, y, 0);
        }
    }
    TIFFClose(tiff);
    return picture;
}

} // namespace

TEST_F(CliStackTest, MergesTheSeriesAndWritesTheHeightsInTheUnit) {
    const CliRun run = RunCli(QStringList{"stack", "--output", Out("merged.png"), "--height-map",
                                          Out("height.tif"), "--z-step", "2.5", "--unit", "um"} +
                                  slices,
                              home.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.json["slices"].toInt(), kSlices);
    EXPECT_EQ(run.json["width"].toInt(), 240);
    EXPECT_EQ(run.json["height"].toInt(), 160);
    const QJsonArray alignments = run.json["alignments"].toArray();
    ASSERT_EQ(alignments.size(), kSlices);
    EXPECT_EQ(alignments[2].toObject()["file"].toString(), slices[2]);
    EXPECT_TRUE(alignments[2].toObject()["aligned"].toBool());
    EXPECT_EQ(alignments[2].toObject()["scale"].toDouble(), 1.0);
    const QJsonObject range = run.json["heightRange"].toObject();
    EXPECT_EQ(range["unit"].toString(), "um");
    EXPECT_GE(range["low"].toDouble(), 0.0);
    EXPECT_LE(range["high"].toDouble(), (kSlices - 1) * 2.5);
    EXPECT_TRUE(QFileInfo(Out("merged.png")).isFile());

    const CFloatPicture heights = ReadFloatTiff(Out("height.tif"));
    EXPECT_EQ(heights.bits, 32);
    EXPECT_EQ(heights.samples, 1);
    EXPECT_EQ(heights.format, SAMPLEFORMAT_IEEEFP);
    ASSERT_EQ(heights.width, 240u);
    ASSERT_EQ(heights.height, 160u);
    std::size_t unknown = 0;
    double error = 0;
    for (std::uint32_t y = 0; y < heights.height; ++y) {
        for (std::uint32_t x = 0; x < heights.width; ++x) {
            const float h = heights.values[std::size_t{y} * heights.width + x];
            if (std::isnan(h)) {
                ++unknown;
            } else {
                error +=
                    std::abs(h - 2.5 * depth.at<float>(static_cast<int>(y), static_cast<int>(x)));
            }
        }
    }
    const std::size_t total = heights.values.size();
    EXPECT_NEAR(run.json["unknownFraction"].toDouble(), static_cast<double>(unknown) / total, 1e-9);
    ASSERT_LT(unknown, total);
    EXPECT_LT(error / static_cast<double>(total - unknown), 2.5 * 0.3);
}

TEST_F(CliStackTest, DrawsTheHeightMapInFalseColourWithItsLegend) {
    const CliRun run = RunCli(
        QStringList{"stack", "--output", Out("merged.jpg"), "--height-map", Out("height.png")} +
            slices,
        home.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.json["heightRange"].toObject()["unit"].toString(), "slices");
    const QImage map(Out("height.png"));
    EXPECT_EQ(map.height(), 160);
    EXPECT_GT(map.width(), 240 + 60);
    EXPECT_TRUE(QImage(Out("merged.jpg")).size() == QSize(240, 160));
}

TEST_F(CliStackTest, RefusesBadInputWithOneLineAndNoFile) {
    WriteFile(home.filePath("text.png"), "not a picture");
    ASSERT_TRUE(BgrToDib(cv::Mat(80, 60, CV_8UC3, cv::Scalar(1, 2, 3)))
                    .Save(home.filePath("small.png").toStdString(), ImageType::Png));
    WriteFile(Out("taken.png"), "x");
    const QString out = Out("merged.png");
    struct Case {
        QStringList arguments;
        const char* says;
    };
    const Case cases[] = {
        {{"--output", out, slices[0]}, "at least two"},
        {{"--output", out, slices[0], home.filePath("missing.png")}, "missing.png"},
        {{"--output", out, slices[0], home.filePath("text.png")}, "text.png"},
        {{"--output", out, slices[0], slices[1], home.filePath("small.png")}, "small.png"},
        {{"--output", home.filePath("no/such/out.png"), slices[0], slices[1]}, "--output"},
        {{"--output", Out("taken.png"), slices[0], slices[1]}, "exists"},
        {{"--output", Out("merged.txt"), slices[0], slices[1]}, "--output"},
        {{"--output", out, "--height-map", home.filePath("no/such/h.tif"), slices[0], slices[1]},
         "--height-map"},
        {{"--output", out, "--z-step", "2", slices[0], slices[1]}, "--unit"},
        {{"--output", out, "--z-step", "-1", "--unit", "um", slices[0], slices[1]}, "--z-step"},
        {{slices[0], slices[1]}, "--output"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const CliRun run = RunCli(QStringList{"stack"} + c.arguments, home.path());
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
        EXPECT_EQ(QDir(home.filePath("out")).entryList(QDir::Files), QStringList{"taken.png"});
    }
}
