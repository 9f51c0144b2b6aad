#include "core/ImageFormats.h"

#include <gtest/gtest.h>

TEST(ImageDialogSetup, PreselectsTheGivenFormat) {
    const ImageDialogSetup jpeg = MakeImageDialogSetup(ImageDialogMode::Save, kImageFormatJpeg);
    EXPECT_EQ(jpeg.title, QStringLiteral("Save image file"));
    ASSERT_EQ(jpeg.filters.size(), 2);
    EXPECT_EQ(jpeg.filters[0], QStringLiteral("BMP files (*.bmp)"));
    EXPECT_EQ(jpeg.filters[1], QStringLiteral("JPG files (*.jpg *.jpeg)"));
    EXPECT_EQ(jpeg.initialFilter, 1);
    EXPECT_EQ(jpeg.defaultSuffix, QStringLiteral("jpg"));
    EXPECT_EQ(jpeg.formatIds[jpeg.initialFilter], kImageFormatJpeg);

    for (int id : {0, kImageFormatBmp, 2, 99}) {
        const ImageDialogSetup setup = MakeImageDialogSetup(ImageDialogMode::Open, id);
        EXPECT_EQ(setup.title, QStringLiteral("Open image file"));
        EXPECT_EQ(setup.initialFilter, 0) << id;
        ASSERT_EQ(setup.filters.size(), 3) << id;
        EXPECT_EQ(setup.filters[0], QStringLiteral("All pictures (*.bmp *.jpg *.jpeg)"));
        EXPECT_EQ(setup.formatIds[0], kImageFormatAny);
        EXPECT_EQ(setup.defaultSuffix, QStringLiteral("bmp")) << id;
    }
}
