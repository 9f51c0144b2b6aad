#include "image/StillPicture.h"

#include "tests/image/ImageTestSupport.h"

#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <thread>

#include <QTemporaryDir>

namespace {

struct Recorder {
    std::atomic<int> changed{0};
    std::atomic<int> finished{0};
    std::atomic<int> lastProgress{-1};
    AdjustmentCallbacks Callbacks() {
        return AdjustmentCallbacks{[this](int p) { lastProgress = p; }, [this] { ++changed; },
                                   [this] {
                                       ++finished;
                                   }};
    }
};

std::filesystem::path SavedPicture(const QTemporaryDir& dir, const CDib& dib) {
    const std::filesystem::path path = dir.filePath("picture.bmp").toStdString();
    EXPECT_TRUE(dib.Save(path, ImageType::Bmp));
    return path;
}

bool SamePixels(const CDib& a, const CDib& b) {
    return a.ImageSize() == b.ImageSize() && std::memcmp(a.Bits(), b.Bits(), a.ImageSize()) == 0;
}

} // namespace

TEST(StillPicture, AdjustmentsRunInOrderAndCancelRestoresTheOpenedPicture) {
    QTemporaryDir dir;
    const CDib original = NoisePicture(64, 48, 3);
    Recorder recorder;
    CStillPicture picture(recorder.Callbacks());
    ASSERT_TRUE(picture.Open(SavedPicture(dir, original), ImageType::Bmp));

    picture.Start(AreaOperation::Sharpen, PictureRect{2, 2, 30, 20});
    picture.Start(AreaOperation::Brighter, PictureRect{20, 10, 60, 40});
    picture.Start(AreaOperation::Mirror, std::nullopt);
    picture.WaitUntilIdle();
    EXPECT_FALSE(picture.IsBusy());
    EXPECT_EQ(recorder.changed, 3);
    EXPECT_EQ(recorder.finished, 3);
    EXPECT_EQ(recorder.lastProgress, 100);

    // The same steps one after the other on a copy give the same picture.
    CDib expected(original);
    SelectPictureRect(expected, PictureRect{2, 2, 30, 20});
    Sharpen(expected);
    SelectPictureRect(expected, PictureRect{20, 10, 60, 40});
    AdjustBrightness(expected, 25);
    MirrorLeftRight(expected);
    EXPECT_TRUE(SamePixels(picture.Read().image(), expected));
    EXPECT_EQ(picture.Read()->Selection(), expected.Selection());

    picture.RestoreBackup();
    EXPECT_TRUE(SamePixels(picture.Read().image(), original));
    EXPECT_TRUE(SamePixels(picture.Backup(), original));
}

TEST(StillPicture, StoppingLeavesThePictureAsItWas) {
    QTemporaryDir dir;
    const CDib original = NoisePicture(1500, 1200, 4);
    CStillPicture picture;
    ASSERT_TRUE(picture.Open(SavedPicture(dir, original), ImageType::Bmp));
    for (int i = 0; i < 5; ++i) {
        picture.Start(AreaOperation::Smooth, std::nullopt);
    }
    picture.StopAdjustments();
    EXPECT_FALSE(picture.IsBusy());
    EXPECT_TRUE(SamePixels(picture.Read().image(), original));
    // Destroying a picture with queued work stops it too.
    {
        CStillPicture busy;
        ASSERT_TRUE(busy.Open(SavedPicture(dir, original), ImageType::Bmp));
        busy.Start(AreaOperation::Smooth, std::nullopt);
        busy.Start(AreaOperation::Relief, std::nullopt);
    }
    EXPECT_FALSE(picture.Open(dir.filePath("none.bmp").toStdString(), ImageType::Bmp));
    EXPECT_FALSE(picture.LastError().empty());
    EXPECT_TRUE(SamePixels(picture.Read().image(), original)); // a failed open keeps it
}

TEST(StillPicture, PaintersNeverSeeAHalfReplacedPicture) {
    QTemporaryDir dir;
    const CDib original = FlatPicture(300, 200, Rgb{10, 20, 30});
    CStillPicture picture;
    ASSERT_TRUE(picture.Open(SavedPicture(dir, original), ImageType::Bmp));
    // Each inversion flips every byte; a painter must see all or nothing.
    for (int i = 0; i < 16; ++i) {
        picture.Start(AreaOperation::InverseColor, std::nullopt);
    }
    int paints = 0;
    while (picture.IsBusy() || paints < 50) {
        const auto access = picture.Read();
        const std::uint8_t* bits = access->Bits();
        const std::uint8_t first = bits[0];
        ASSERT_TRUE(first == 30 || first == 225);
        for (int row = 0; row < access->Height(); ++row) {
            const std::uint8_t* pixels = access->Row(row);
            for (int x = 0; x < access->Width(); ++x) {
                ASSERT_EQ(pixels[3 * x], first);
            }
        }
        ++paints;
    }
    picture.WaitUntilIdle();
    EXPECT_TRUE(SamePixels(picture.Read().image(), original)); // an even count of inversions
}
