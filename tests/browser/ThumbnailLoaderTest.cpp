#include "browser/CThumbnailLoader.h"
#include "tests/browser/BrowserTestSupport.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

// Everything the loader reported, in order.
struct Reports {
    std::mutex lock;
    std::vector<std::pair<std::uint64_t, QStringList>> listings;
    std::vector<std::tuple<std::uint64_t, QString, std::optional<CThumbnail>>> thumbnails;
    std::vector<std::pair<std::uint64_t, std::shared_ptr<const CDib>>> pictures;

    ThumbnailLoaderCallbacks Callbacks() {
        return {[this](std::uint64_t generation, const QString&, const QStringList& names) {
                    std::lock_guard guard(lock);
                    listings.emplace_back(generation, names);
                },
                [this](std::uint64_t generation, const QString& name,
                       const std::optional<CThumbnail>& thumbnail) {
                    std::lock_guard guard(lock);
                    thumbnails.emplace_back(generation, name, thumbnail);
                },
                [this](std::uint64_t request, const QString&,
                       const std::shared_ptr<const CDib>& picture) {
                    std::lock_guard guard(lock);
                    pictures.emplace_back(request, picture);
                }};
    }
    QStringList NamesOf(std::uint64_t generation) {
        QStringList names;
        for (const auto& [g, name, thumbnail] : thumbnails) {
            if (g == generation) {
                names << name;
            }
        }
        return names;
    }
};

} // namespace

TEST(ThumbnailLoader, ListsFirstThenHandsOverEachThumbnailInOrder) {
    QTemporaryDir dir;
    WritePicture(dir.filePath("b.jpg"), 80, 40, ImageType::Jpeg);
    WritePicture(dir.filePath("A.bmp"), 40, 80, ImageType::Bmp);
    WriteFile(dir.filePath("corrupt.jpg"), "\xFF\xD8 garbage");
    WriteFile(dir.filePath("notes.txt"), "keep");
    Reports reports;
    CThumbnailLoader loader(reports.Callbacks());
    const std::uint64_t generation = loader.Load(dir.path());
    ASSERT_NE(generation, 0u);
    loader.WaitUntilIdle();

    ASSERT_EQ(reports.listings.size(), 1u);
    EXPECT_EQ(reports.listings[0].second, (QStringList{"A.bmp", "b.jpg", "corrupt.jpg"}));
    ASSERT_EQ(reports.thumbnails.size(), 3u);
    EXPECT_EQ(reports.NamesOf(generation), reports.listings[0].second);
    EXPECT_TRUE(std::get<2>(reports.thumbnails[0]).has_value());
    EXPECT_TRUE(std::get<2>(reports.thumbnails[1]).has_value());
    // The corrupt picture keeps its item, without a thumbnail.
    EXPECT_FALSE(std::get<2>(reports.thumbnails[2]).has_value());

    // The whole picture of a selection, decoded ahead of thumbnails.
    const std::uint64_t request = loader.DecodePicture(dir.filePath("b.jpg"));
    loader.WaitUntilIdle();
    ASSERT_EQ(reports.pictures.size(), 1u);
    EXPECT_EQ(reports.pictures[0].first, request);
    ASSERT_NE(reports.pictures[0].second, nullptr);
    EXPECT_EQ(reports.pictures[0].second->Width(), 80);
}

TEST(ThumbnailLoader, ANewLoadCancelsTheOneUnderWay) {
    QTemporaryDir dir;
    for (int i = 0; i < 40; ++i) {
        WritePicture(dir.filePath(QStringLiteral("p%1.bmp").arg(i, 2, 10, QChar(u'0'))), 1200, 900,
                     i % 2 ? ImageType::Bmp : ImageType::Jpeg);
    }
    Reports reports;
    CThumbnailLoader loader(reports.Callbacks());
    const std::uint64_t first = loader.Load(dir.path());
    const std::uint64_t second = loader.Load(dir.path());
    const std::uint64_t third = loader.Load(dir.path());
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);
    loader.WaitUntilIdle();

    // Only the last load finished; it made every thumbnail exactly once.
    ASSERT_FALSE(reports.listings.empty());
    EXPECT_EQ(reports.listings.back().first, third);
    EXPECT_EQ(reports.NamesOf(third), reports.listings.back().second);
    EXPECT_EQ(reports.listings.back().second.size(), 40);
    EXPECT_LT(reports.NamesOf(first).size() + reports.NamesOf(second).size(), 80);
}

TEST(ThumbnailLoader, UnchangedFilesComeFromTheCacheAndChangedOnesAreRemade) {
    QTemporaryDir dir;
    WritePicture(dir.filePath("a.bmp"), 50, 50, ImageType::Bmp, {0, 0, 255, 0});
    Reports reports;
    CThumbnailLoader loader(reports.Callbacks());
    loader.Load(dir.path());
    loader.WaitUntilIdle();
    const std::uint64_t again = loader.Load(dir.path());
    loader.WaitUntilIdle();
    ASSERT_EQ(reports.thumbnails.size(), 2u);
    EXPECT_EQ(std::get<2>(reports.thumbnails[1])->bgr, std::get<2>(reports.thumbnails[0])->bgr);

    // Written again under the same name: Refresh makes it anew.
    WritePicture(dir.filePath("a.bmp"), 50, 50, ImageType::Bmp, {0, 255, 0, 0});
    loader.Refresh("a.bmp");
    loader.WaitUntilIdle();
    ASSERT_EQ(reports.thumbnails.size(), 3u);
    EXPECT_EQ(std::get<0>(reports.thumbnails[2]), again);
    EXPECT_EQ(ThumbnailColor(*std::get<2>(reports.thumbnails[2]), 30, 30), (RgbQuad{0, 255, 0, 0}));
}

TEST(ThumbnailLoader, MissingFolderListsNothingAndStopsPromptlyWhenDestroyed) {
    Reports reports;
    QTemporaryDir dir;
    {
        CThumbnailLoader loader(reports.Callbacks());
        loader.Load(QStringLiteral("/nonexistent/marnelo/SaveFile"));
        loader.WaitUntilIdle();
        ASSERT_EQ(reports.listings.size(), 1u);
        EXPECT_TRUE(reports.listings[0].second.isEmpty());

        for (int i = 0; i < 20; ++i) {
            WritePicture(dir.filePath(QStringLiteral("%1.jpg").arg(i)), 1600, 1200,
                         ImageType::Jpeg);
        }
        loader.Load(dir.path());
    } // destroyed in the middle of the load
    EXPECT_LE(reports.thumbnails.size(), 20u);
}
