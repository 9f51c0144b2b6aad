#include "image/Dib.h"
#include "tests/image/ImageTestSupport.h"
#include "tests/image/PictureFixtures.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

// Other programs' readers (tifffile, Pillow, OpenCV) open what we write with
// the right size, pixels and resolution, and we open what they write.

namespace {

constexpr int kReaderMissing = 3;
constexpr double kPixelsPerCentimetre = 1234.5678;

// The Python that has the Debian packages: the system's own before any other.
QString Python() {
    if (QFile::exists(QStringLiteral("/usr/bin/python3"))) {
        return QStringLiteral("/usr/bin/python3");
    }
    return QStandardPaths::findExecutable(QStringLiteral("python3"));
}

std::string PathIn(const QTemporaryDir& dir, const char* name) {
    return dir.filePath(QString::fromLatin1(name)).toStdString();
}

} // namespace

TEST(PictureInterop, OtherReadersAndWritersAgreeWithOurs) {
    if (Python().isEmpty()) {
        GTEST_SKIP() << "python3 is not installed; the other programs' readers cannot run";
    }
    QTemporaryDir dir;
    const SampleKind rgb{3, 8};
    CDib colour = MakePicture(66, 24, [&](int x, int y) { return ExpectedColor(rgb, x, y); });
    colour.SetScale(CPictureScale{kPixelsPerCentimetre, "um", "Objective"});
    ASSERT_TRUE(colour.Save(PathIn(dir, "ours.tif"), ImageType::Tiff));
    ASSERT_TRUE(colour.Save(PathIn(dir, "ours.png"), ImageType::Png));
    CDib grey;
    grey.Create(66, 24, 8);
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 66; ++x) {
            grey.Row(grey.StoredRow(y))[x] =
                static_cast<std::uint8_t>(ExpectedColor({1, 8}, x, y).red);
        }
    }
    ASSERT_TRUE(grey.Save(PathIn(dir, "ours-grey.tif"), ImageType::Tiff));

    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(Python(), {QStringLiteral(MARNELO_SOURCE_DIR "/tests/image/picture_interop.py"),
                             dir.path(), QString::number(kPixelsPerCentimetre, 'g', 10)});
    ASSERT_TRUE(process.waitForFinished(60000));
    const std::string output = process.readAll().toStdString();
    if (process.exitCode() == kReaderMissing) {
        GTEST_SKIP() << "python3-tifffile, python3-pil, python3-opencv or python3-numpy is "
                        "missing: "
                     << output;
    }
    ASSERT_EQ(process.exitCode(), 0) << output;

    const struct {
        const char* name;
        SampleKind samples;
        std::optional<CPictureScale> scale;
    } foreign[] = {
        {"foreign-imagej.tif", {1, 16}, CPictureScale{20000, "um", ""}},
        {"foreign-tiles.tif", rgb, CPictureScale{100, "cm", ""}},
        {"foreign-pillow.png", rgb, CPictureScale{100, "cm", ""}},
        {"foreign-pillow.tif", rgb, std::nullopt},
        {"foreign-opencv.png", rgb, std::nullopt},
        {"foreign-opencv.tif", rgb, std::nullopt},
    };
    for (const auto& file : foreign) {
        SCOPED_TRACE(file.name);
        CDib dib;
        ASSERT_TRUE(dib.Load(PathIn(dir, file.name), ImageType::Unknown)) << dib.LastError();
        const CDib expected =
            MakePicture(66, 24, [&](int x, int y) { return ExpectedColor(file.samples, x, y); });
        EXPECT_TRUE(SameColors(dib, expected));
        ASSERT_EQ(dib.Scale().has_value(), file.scale.has_value());
        if (file.scale) {
            EXPECT_NEAR(dib.Scale()->pixelsPerCentimetre, file.scale->pixelsPerCentimetre, 1e-3);
            EXPECT_EQ(dib.Scale()->unit, file.scale->unit);
        }
    }
}
