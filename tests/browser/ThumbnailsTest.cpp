#include "browser/ThumbnailDecode.h"
#include "browser/ThumbnailFiles.h"
#include "browser/ThumbnailNames.h"
#include "image/BmpCodec.h"
#include "tests/browser/BrowserTestSupport.h"
#include "tests/support/TestEnvironment.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

namespace {

constexpr RgbQuad kWhite{255, 255, 255, 0};
constexpr RgbQuad kGrey{192, 192, 192, 0};

bool Near(RgbQuad a, RgbQuad b, int tolerance) {
    return std::abs(a.blue - b.blue) <= tolerance && std::abs(a.green - b.green) <= tolerance &&
           std::abs(a.red - b.red) <= tolerance;
}

CThumbnail ThumbnailOf(const QString& path) {
    CThumbnail thumbnail;
    std::string error;
    EXPECT_TRUE(MakeThumbnailFromFile(path, thumbnail, error)) << error;
    return thumbnail;
}

} // namespace

TEST(ThumbnailNames, ListsOnlyPictureNamesInNameOrderShowingLowerCase) {
    QTemporaryDir dir;
    for (const char* name :
         {"Photo.JPG", "a.jpeg", "a.png", "notes.txt", "20240102030405.bmp", "20231231235959.jpg",
          "b c.bmp", "Zeta.bmp", "alpha.BMP", "no_dot", ".hidden.jpg", "line\nbreak.jpg",
          "Ünïcode.jpg", "scan.TIFF", "cells.tif", "chart.png", "old.tif~"}) {
        WriteFile(dir.filePath(QString::fromUtf8(name)), "x");
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir("Video.jpg")); // a folder is never listed
    const QStringList names = ListThumbnailPictures(dir.path());
    EXPECT_EQ(names, (QStringList{".hidden.jpg", "20231231235959.jpg", "20240102030405.bmp",
                                  "a.png", "alpha.BMP", "b c.bmp", "cells.tif", "chart.png",
                                  "line\nbreak.jpg", "Photo.JPG", "scan.TIFF", "Zeta.bmp",
                                  QString::fromUtf8("Ünïcode.jpg")}));
    EXPECT_EQ(ThumbnailLabel("Photo.JPG"), "photo.jpg");

    EXPECT_EQ(ThumbnailPictureType("x.JPEG"), ImageType::Jpeg);
    EXPECT_EQ(ThumbnailPictureType("x.Bmp"), ImageType::Bmp);
    EXPECT_EQ(ThumbnailPictureType("x.png"), ImageType::Png);
    EXPECT_EQ(ThumbnailPictureType("x.Tif"), ImageType::Tiff);
    EXPECT_EQ(ThumbnailPictureType("x.tiff"), ImageType::Tiff);
    EXPECT_EQ(ThumbnailPictureType("x.gif"), std::nullopt);

    EXPECT_TRUE(ListThumbnailPictures(dir.filePath("missing")).isEmpty());
    EXPECT_TRUE(ListThumbnailPictures(QString()).isEmpty());
}

TEST(ThumbnailPlacement, FitsTheLongerSideCentredWithAspectKept) {
    EXPECT_EQ(PlaceThumbnail(120, 60), (ThumbnailPlacement{0, 15, 60, 30}));
    EXPECT_EQ(PlaceThumbnail(60, 120), (ThumbnailPlacement{15, 0, 30, 60}));
    EXPECT_EQ(PlaceThumbnail(500, 500), (ThumbnailPlacement{0, 0, 60, 60}));
    EXPECT_EQ(PlaceThumbnail(2592, 1944), (ThumbnailPlacement{0, 7, 60, 45}));
    // 60 × 7 / 100 = 4.2 rounds to 4, centred at (60 − 4) / 2.
    EXPECT_EQ(PlaceThumbnail(7, 100), (ThumbnailPlacement{28, 0, 4, 60}));
    // A hair-thin picture keeps one row rather than vanishing.
    EXPECT_EQ(PlaceThumbnail(10000, 1), (ThumbnailPlacement{0, 29, 60, 1}));
    EXPECT_EQ(PlaceThumbnail(0, 10), ThumbnailPlacement{});
}

TEST(ThumbnailDecode, EveryFormatDrawsItsPlacementInsideTheGreyFrame) {
    QTemporaryDir dir;
    const RgbQuad blue{200, 60, 20, 0};
    for (const auto& [name, type] :
         {std::pair{"wide.bmp", ImageType::Bmp}, std::pair{"wide.jpg", ImageType::Jpeg},
          std::pair{"wide.tif", ImageType::Tiff}, std::pair{"wide.png", ImageType::Png}}) {
        const QString path = dir.filePath(name);
        WritePicture(path, 120, 60, type, blue);
        const CThumbnail thumbnail = ThumbnailOf(path);
        SCOPED_TRACE(name);
        // Drawn 60 × 30 at (0, 15): white above and below, the picture between.
        EXPECT_EQ(ThumbnailColor(thumbnail, 30, 10), kWhite);
        EXPECT_EQ(ThumbnailColor(thumbnail, 30, 50), kWhite);
        EXPECT_TRUE(Near(ThumbnailColor(thumbnail, 30, 15), blue, 6));
        EXPECT_TRUE(Near(ThumbnailColor(thumbnail, 30, 44), blue, 6));
        EXPECT_EQ(ThumbnailColor(thumbnail, 30, 14), kWhite);
        EXPECT_EQ(ThumbnailColor(thumbnail, 30, 45), kWhite);
        for (int i = 0; i < kThumbnailSide; ++i) {
            EXPECT_EQ(ThumbnailColor(thumbnail, i, 0), kGrey);
            EXPECT_EQ(ThumbnailColor(thumbnail, 0, i), kGrey);
            EXPECT_EQ(ThumbnailColor(thumbnail, 59, i), kGrey);
        }
    }
}

TEST(ThumbnailDecode, LargePicturesShrinkToTheMeanOfTheirPixels) {
    // Top half red, bottom half green, 2592 × 1944 as the cameras take them:
    // the JPEG is decoded at 1/8, the BMP read a few rows a band.
    CDib picture = SolidPicture(2592, 1944, {0, 0, 255, 0});
    for (int row = 0; row < 972; ++row) {
        std::uint8_t* p = picture.Row(row); // stored rows: the bottom half
        for (int x = 0; x < 2592; ++x) {
            p[3 * x] = 0;
            p[3 * x + 1] = 255;
            p[3 * x + 2] = 0;
        }
    }
    QTemporaryDir dir;
    for (const auto& [name, type] :
         {std::pair{"big.bmp", ImageType::Bmp}, std::pair{"big.jpg", ImageType::Jpeg}}) {
        SCOPED_TRACE(name);
        const QString path = dir.filePath(name);
        ASSERT_TRUE(picture.Save(path.toStdU16String(), type));
        const CThumbnail thumbnail = ThumbnailOf(path);
        EXPECT_TRUE(Near(ThumbnailColor(thumbnail, 30, 12), {0, 0, 255, 0}, 8));
        EXPECT_TRUE(Near(ThumbnailColor(thumbnail, 30, 45), {0, 255, 0, 0}, 8));
        EXPECT_EQ(ThumbnailColor(thumbnail, 30, 6), kWhite);
    }
}

TEST(ThumbnailDecode, PaletteTopDownAndTinyPicturesComeOutRight) {
    QTemporaryDir dir;
    // 8-bit palette picture, read through the fast path.
    CDib gray;
    ASSERT_TRUE(gray.Create(90, 90, 8));
    std::fill_n(gray.Bits(), gray.ImageSize(), std::uint8_t{100});
    ASSERT_TRUE(gray.Save(dir.filePath("gray.bmp").toStdU16String(), ImageType::Bmp));
    EXPECT_EQ(ThumbnailColor(ThumbnailOf(dir.filePath("gray.bmp")), 30, 30),
              (RgbQuad{100, 100, 100, 0}));

    // A top-down 24-bit file: its first stored row is the top.
    CDib split = SolidPicture(4, 2, {0, 0, 255, 0});
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(EncodeBmp(split, bytes));
    const std::int32_t topDown = -2;
    std::memcpy(bytes.data() + 22, &topDown, 4);
    std::fill_n(bytes.begin() + 54, 12, std::uint8_t{0}); // first stored row black
    CThumbnail thumbnail;
    std::string error;
    ASSERT_TRUE(MakeThumbnailFromData(bytes, thumbnail, error)) << error;
    EXPECT_EQ(ThumbnailColor(thumbnail, 30, 20), (RgbQuad{0, 0, 0, 0}));
    EXPECT_EQ(ThumbnailColor(thumbnail, 30, 40), (RgbQuad{0, 0, 255, 0}));

    // Smaller than the placement: enlarged by repeating pixels.
    WritePicture(dir.filePath("dot.bmp"), 3, 3, ImageType::Bmp, {1, 2, 3, 0});
    EXPECT_EQ(ThumbnailColor(ThumbnailOf(dir.filePath("dot.bmp")), 58, 58), (RgbQuad{1, 2, 3, 0}));
}

TEST(ThumbnailDecode, HostileOrBrokenFilesFailWithoutCrashing) {
    std::vector<std::uint8_t> bmp;
    ASSERT_TRUE(EncodeBmp(SolidPicture(64, 64, {9, 9, 9, 0}), bmp));
    const auto fails = [](std::vector<std::uint8_t> data) {
        CThumbnail thumbnail;
        std::string error;
        const bool made = MakeThumbnailFromData(data, thumbnail, error);
        return !made && !error.empty();
    };
    EXPECT_TRUE(fails({}));
    EXPECT_TRUE(fails({'B'}));
    EXPECT_TRUE(fails({'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'}));
    EXPECT_TRUE(fails(std::vector<std::uint8_t>(bmp.begin(), bmp.begin() + 200))); // truncated
    auto huge = bmp;
    const std::int32_t big = 0x7FFFFFFF;
    std::memcpy(huge.data() + 18, &big, 4);
    EXPECT_TRUE(fails(huge));
    std::memcpy(huge.data() + 22, &big, 4);
    EXPECT_TRUE(fails(huge));
    auto minHeight = bmp;
    const std::int32_t smallest = INT32_MIN;
    std::memcpy(minHeight.data() + 22, &smallest, 4);
    EXPECT_TRUE(fails(minHeight));
    auto farOffset = bmp;
    const std::uint32_t far = 0xFFFFFFF0u;
    std::memcpy(farOffset.data() + 10, &far, 4);
    EXPECT_TRUE(fails(farOffset));
    auto rle = bmp; // run-length coding is for 4 and 8-bit pictures only
    rle[30] = 1;
    EXPECT_TRUE(fails(rle));
    EXPECT_TRUE(fails({0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J', 'F', 'I', 'F'}));

    // Every prefix of a real JPEG either fails or makes a thumbnail.
    std::vector<std::uint8_t> jpeg;
    ASSERT_TRUE(SolidPicture(80, 80, {1, 2, 3, 0}).Encode(ImageType::Jpeg, jpeg));
    for (std::size_t size = 0; size < jpeg.size(); size += 17) {
        CThumbnail thumbnail;
        std::string error;
        MakeThumbnailFromData(std::span(jpeg.data(), size), thumbnail, error);
    }
    // The kept crash and fuzz inputs of the picture decoders.
    int tried = 0;
    for (const char* folder : {"afl-testcases", "jpeg-decoder-crashtest", "bmpsuite"}) {
        QDirIterator it(QStringLiteral(MARNELO_TEST_DATA_DIR "/") + folder, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext() && tried < 2000) {
            CThumbnail thumbnail;
            std::string error;
            MakeThumbnailFromFile(it.next(), thumbnail, error);
            ++tried;
        }
    }
    EXPECT_GT(tried, 100);
}

// An RLE8 file of `width` × `height` with a black and a red palette entry
// whose only data is `runs` (an end of picture is added).
std::vector<std::uint8_t> Rle8File(std::int32_t width, std::int32_t height,
                                   const std::vector<std::uint8_t>& runs) {
    constexpr std::size_t kPixels = 14 + 40 + 8;
    std::vector<std::uint8_t> file(kPixels + runs.size() + 2, 0);
    const auto put = [&file](std::size_t at, std::uint32_t value) {
        std::memcpy(file.data() + at, &value, 4);
    };
    file[0] = 'B';
    file[1] = 'M';
    put(2, static_cast<std::uint32_t>(file.size()));
    put(10, kPixels);
    put(14, 40);
    put(18, static_cast<std::uint32_t>(width));
    put(22, static_cast<std::uint32_t>(height));
    file[26] = 1;
    file[28] = 8;
    put(30, 1); // RLE8
    put(46, 2);
    file[14 + 40 + 6] = 255; // entry 1: red
    std::copy(runs.begin(), runs.end(), file.begin() + kPixels);
    file.back() = 1; // end of picture
    return file;
}

TEST(ThumbnailDecode, RunLengthPicturesAreSampledNotDecodedWhole) {
    // Small ones come out as their pixels decoded whole and stored plainly.
    for (const char* name : {"g/pal8rle.bmp", "g/pal4rle.bmp", "q/pal8rletrns.bmp",
                             "q/pal4rletrns.bmp", "q/pal8rlecut.bmp", "q/pal4rlecut.bmp"}) {
        SCOPED_TRACE(name);
        QFile file(QStringLiteral(MARNELO_TEST_DATA_DIR "/bmpsuite/") + name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const std::span data(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                             static_cast<std::size_t>(bytes.size()));
        CDib whole;
        ASSERT_TRUE(DecodeBmp(data, whole, {}));
        std::vector<std::uint8_t> plain;
        ASSERT_TRUE(EncodeBmp(whole, plain));
        CThumbnail sampled;
        CThumbnail expected;
        std::string error;
        ASSERT_TRUE(MakeThumbnailFromData(data, sampled, error)) << error;
        ASSERT_TRUE(MakeThumbnailFromData(plain, expected, error)) << error;
        EXPECT_EQ(sampled.bgr, expected.bgr);
    }
    // Declared sizes far beyond the whole decoder's limit, held by a few
    // bytes: a red run on the bottom row, the rest black.
    for (const auto& [width, height] : {std::pair{2097279, 64}, std::pair{60000, 60000}}) {
        SCOPED_TRACE(width);
        CThumbnail thumbnail;
        std::string error;
        ASSERT_TRUE(MakeThumbnailFromData(Rle8File(width, height, {255, 1}), thumbnail, error))
            << error;
        // A hair-thin picture takes the thumbnail's middle row, 29.
        EXPECT_EQ(ThumbnailColor(thumbnail, 30, 29), (RgbQuad{0, 0, 0, 0}));
    }
    // An OS/2 header cut short still announces run-length data:
    // 16 777 216 × 100 pixels in 53 bytes.
    std::vector<std::uint8_t> shortHeader = Rle8File(1, 1, {});
    shortHeader.resize(53);
    const std::uint32_t os2[] = {32, 0x01000000, 100};
    std::memcpy(shortHeader.data() + 14, os2, sizeof os2);
    std::fill_n(shortHeader.begin() + 10, 4, 0); // pixels after one palette entry, at 50
    shortHeader[51] = 1;                         // end of picture
    CThumbnail cut;
    std::string why;
    ASSERT_TRUE(MakeThumbnailFromData(shortHeader, cut, why)) << why;

    // A run covering the whole of a small picture's bottom row shows.
    CThumbnail red;
    std::string error;
    ASSERT_TRUE(MakeThumbnailFromData(Rle8File(200, 1, {200, 1}), red, error)) << error;
    EXPECT_EQ(ThumbnailColor(red, 30, 29), (RgbQuad{0, 0, 255, 0}));
}

TEST(ThumbnailDecode, CancellingStopsTheDecode) {
    QTemporaryDir dir;
    for (const auto& [name, type] :
         {std::pair{"c.bmp", ImageType::Bmp}, std::pair{"c.jpg", ImageType::Jpeg}}) {
        WritePicture(dir.filePath(name), 1000, 800, type);
        CThumbnail thumbnail;
        std::string error;
        EXPECT_FALSE(
            MakeThumbnailFromFile(dir.filePath(name), thumbnail, error, [] { return true; }));
        EXPECT_EQ(error, "cancelled");
    }
}

TEST(ThumbnailFiles, SaveAsCopiesTheSameFormatAndConvertsAnother) {
    QTemporaryDir dir;
    const QString source = dir.filePath("x.bmp");
    WritePicture(source, 30, 20, ImageType::Bmp);
    std::string error;

    ASSERT_TRUE(SavePictureAs(source, dir.filePath("y.BMP"), error)) << error;
    EXPECT_EQ(ReadFile(dir.filePath("y.BMP")), ReadFile(source));

    ASSERT_TRUE(SavePictureAs(source, dir.filePath("y.jpg"), error)) << error;
    CDib converted;
    ASSERT_TRUE(converted.Load(dir.filePath("y.jpg").toStdU16String(), ImageType::Jpeg));
    EXPECT_EQ(converted.Type(), ImageType::Jpeg);
    EXPECT_EQ(converted.Width(), 30);

    ASSERT_TRUE(SavePictureAs(dir.filePath("y.jpg"), dir.filePath("z.bmp"), error)) << error;
    EXPECT_TRUE(ReadFile(dir.filePath("z.bmp")).startsWith("BM"));

    // A converted TIFF or PNG carries the source's own scale, else the one
    // in force.
    const CPictureScale inForce{100.0, "um", "Lens"};
    ASSERT_TRUE(SavePictureAs(source, dir.filePath("scaled.tif"), error, inForce)) << error;
    ASSERT_TRUE(SavePictureAs(dir.filePath("scaled.tif"), dir.filePath("scaled.png"), error,
                              CPictureScale{7.0, "cm", ""}))
        << error;
    for (const char* name : {"scaled.tif", "scaled.png"}) {
        CDib scaled;
        ASSERT_TRUE(scaled.Load(dir.filePath(name).toStdU16String(), ImageType::Unknown)) << name;
        EXPECT_EQ(scaled.Scale(), inForce) << name;
    }

    // A broken source leaves an existing target whole.
    WriteFile(dir.filePath("broken.jpg"), "not a picture");
    const QByteArray before = ReadFile(dir.filePath("z.bmp"));
    EXPECT_FALSE(SavePictureAs(dir.filePath("broken.jpg"), dir.filePath("z.bmp"), error));
    EXPECT_EQ(ReadFile(dir.filePath("z.bmp")), before);
    EXPECT_FALSE(SavePictureAs(dir.filePath("gone.bmp"), dir.filePath("w.bmp"), error));
    EXPECT_FALSE(QFile::exists(dir.filePath("w.bmp")));
}

// Sets an environment variable (or removes it, for a null value) until the
// end of the scope.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const QString& value)
        : m_name(name)
        , m_had(qEnvironmentVariableIsSet(name))
        , m_old(qgetenv(name)) {
        if (value.isNull()) {
            qunsetenv(name);
        } else {
            qputenv(name, value.toLocal8Bit());
        }
    }
    ~ScopedVariable() {
        if (m_had) {
            qputenv(m_name, m_old);
        } else {
            qunsetenv(m_name);
        }
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

TEST(ThumbnailFiles, TheRealTrashTakesPicturesOnAFreshAccountOrKeepsThem) {
    // (data folder: unset means ~/.local/share; where the picture must land,
    // relative to the temporary folder, or nothing when it must stay)
    const struct {
        const char* dataHome;
        const char* trashed;
    } cases[] = {
        {nullptr, "home/.local/share/Trash/files/p.jpg"},
        {"data", "data/Trash/files/p.jpg"},
        {"blocked/data", nullptr}, // "blocked" is a file: no data folder can be made
        {"odd", nullptr},          // "odd/Trash" is a file: Qt uses the current folder
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dataHome ? c.dataHome : "~/.local/share");
        QTemporaryDir dir;
        ASSERT_TRUE(QDir(dir.path()).mkpath("home") && QDir(dir.path()).mkpath("work") &&
                    QDir(dir.path()).mkpath("pictures"));
        WriteFile(dir.filePath("blocked"), "x");
        WriteFile(dir.filePath("odd/Trash"), "x");
        WriteFile(dir.filePath("pictures/p.jpg"), "picture");
        const ScopedVariable home("HOME", dir.filePath("home"));
        const ScopedVariable data("XDG_DATA_HOME",
                                  c.dataHome ? dir.filePath(c.dataHome) : QString());
        // Qt falls back to the current folder: let that be one of ours.
        const QString previous = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(dir.filePath("work")));
        QString why;
        const bool removed = RemovePicture(dir.filePath("pictures/p.jpg"), &why);
        QDir::setCurrent(previous);
        EXPECT_EQ(removed, c.trashed != nullptr) << why.toStdString();
        EXPECT_EQ(QFile::exists(dir.filePath("pictures/p.jpg")), c.trashed == nullptr);
        if (c.trashed != nullptr) {
            EXPECT_TRUE(QFile::exists(dir.filePath(c.trashed)));
        } else {
            EXPECT_FALSE(why.isEmpty());
        }
        EXPECT_TRUE(QDir(dir.filePath("work")).isEmpty());
    }
}

TEST(ThumbnailFiles, RemovingGoesToTheTrashAndTouchesOnlyTheNamedFiles) {
    QTemporaryDir dir;
    QStringList trashed;
    bool trashWorks = true;
    SetTrashMover([&](const QString& path) {
        if (!trashWorks) {
            return false;
        }
        trashed << QFileInfo(path).fileName();
        return QFile::rename(path, dir.filePath("trash-" + QFileInfo(path).fileName()));
    });
    for (const char* name : {"a.bmp", "b.jpg", "notes.txt", "c.jpg"}) {
        WriteFile(dir.filePath(name), "x");
    }
    ASSERT_TRUE(QDir(dir.path()).mkpath("Video"));
    ASSERT_TRUE(QDir(dir.path()).mkpath("d.jpg"));

    EXPECT_EQ(RemovePictures(dir.path(), {"a.bmp", "b.jpg", "d.jpg", "missing.bmp"}), 2);
    EXPECT_EQ(trashed, (QStringList{"a.bmp", "b.jpg"}));
    EXPECT_TRUE(QFile::exists(dir.filePath("notes.txt")));
    EXPECT_TRUE(QFileInfo(dir.filePath("Video")).isDir());
    EXPECT_TRUE(QFileInfo(dir.filePath("d.jpg")).isDir());

    // Without a trash the file is kept, and the reason given.
    trashWorks = false;
    QString why;
    EXPECT_FALSE(RemovePicture(dir.filePath("c.jpg"), &why));
    EXPECT_TRUE(QFile::exists(dir.filePath("c.jpg")));
    EXPECT_TRUE(why.contains(dir.filePath("c.jpg"))) << why.toStdString();
    why.clear();
    EXPECT_EQ(RemovePictures(dir.path(), {"c.jpg"}, &why), 0);
    EXPECT_FALSE(why.isEmpty());
    SetTrashMover({});
}
