#include "core/ImageFormats.h"

#include <gtest/gtest.h>

TEST(ImageDialogSetup, PreselectsTheGivenFormat) {
    const ImageDialogSetup jpeg = MakeImageDialogSetup(ImageDialogMode::Save, kImageFormatJpeg);
    EXPECT_EQ(jpeg.title, QStringLiteral("Save image file"));
    ASSERT_EQ(jpeg.filters.size(), 4);
    EXPECT_EQ(jpeg.filters[0], QStringLiteral("BMP files (*.bmp)"));
    EXPECT_EQ(jpeg.filters[1], QStringLiteral("JPG files (*.jpg *.jpeg)"));
    EXPECT_EQ(jpeg.filters[2], QStringLiteral("TIFF files (*.tif *.tiff)"));
    EXPECT_EQ(jpeg.filters[3], QStringLiteral("PNG files (*.png)"));
    EXPECT_EQ(jpeg.initialFilter, 1);
    EXPECT_EQ(jpeg.defaultSuffix, QStringLiteral("jpg"));
    EXPECT_EQ(jpeg.formatIds[jpeg.initialFilter], kImageFormatJpeg);

    for (int id : {0, kImageFormatBmp, 2, 99}) {
        const ImageDialogSetup setup = MakeImageDialogSetup(ImageDialogMode::Open, id);
        EXPECT_EQ(setup.title, QStringLiteral("Open image file"));
        EXPECT_EQ(setup.initialFilter, 0) << id;
        ASSERT_EQ(setup.filters.size(), 5) << id;
        EXPECT_EQ(setup.filters[0],
                  QStringLiteral("All pictures (*.bmp *.jpg *.jpeg *.tif *.tiff *.png)"));
        EXPECT_EQ(setup.formatIds[0], kImageFormatAny);
        EXPECT_EQ(setup.defaultSuffix, QStringLiteral("bmp")) << id;
    }
}

TEST(ImageDialogSetup, EachSaveFormatHasItsFilterAndExtension) {
    const struct {
        int id;
        const char* suffix;
    } cases[] = {{kImageFormatBmp, "bmp"},
                 {kImageFormatJpeg, "jpg"},
                 {kImageFormatTiff, "tif"},
                 {kImageFormatPng, "png"}};
    for (const auto& c : cases) {
        const ImageDialogSetup setup = MakeImageDialogSetup(ImageDialogMode::Save, c.id);
        EXPECT_EQ(setup.formatIds[setup.initialFilter], c.id);
        EXPECT_EQ(setup.defaultSuffix, QLatin1String(c.suffix)) << c.id;
        // Choosing the filter in the dialog gives a typed name the same extension.
        EXPECT_EQ(SuffixOfFilter(setup.filters[setup.initialFilter]), QLatin1String(c.suffix));
    }
    EXPECT_EQ(SuffixOfFilter(QStringLiteral("All files (*)")), QString());
}
