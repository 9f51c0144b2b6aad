#include "framework/ui/FileDialog.h"

#include "framework/ui/DesktopOpener.h"

#include <gtest/gtest.h>

namespace {

class FileDialogTest : public ::testing::Test {
protected:
    ~FileDialogTest() override { SetFileDialogResponder({}); }
};

} // namespace

TEST_F(FileDialogTest, ImageDialogAsksWithTheFormatsAndMapsTheAnswerBack) {
    std::vector<FileDialogRequest> requests;
    std::optional<FileDialogAnswer> answer = FileDialogAnswer{QStringLiteral("/p/b.jpg"), 2};
    SetFileDialogResponder([&](const FileDialogRequest& request) {
        requests.push_back(request);
        return answer;
    });

    int format = 3;
    QString path = QStringLiteral("/start");
    ASSERT_TRUE(DoImageFileDialog(nullptr, ImageDialogMode::Open, format, path));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].title, "Open image file");
    // Opening shows every picture first, whatever the format of the last one.
    EXPECT_EQ(requests[0].filters,
              (QStringList{"All pictures (*.bmp *.jpg *.jpeg *.tif *.tiff *.png)",
                           "BMP files (*.bmp)", "JPG files (*.jpg *.jpeg)",
                           "TIFF files (*.tif *.tiff)", "PNG files (*.png)"}));
    EXPECT_EQ(requests[0].initialFilter, 0);
    EXPECT_EQ(requests[0].defaultSuffix, "jpg");
    EXPECT_EQ(requests[0].path, "/start");
    EXPECT_TRUE(requests[0].fileMustExist);
    EXPECT_EQ(path, "/p/b.jpg");
    EXPECT_EQ(format, 3);

    answer = FileDialogAnswer{QStringLiteral("/p/c.bmp"), 0};
    format = 0;
    ASSERT_TRUE(DoImageFileDialog(nullptr, ImageDialogMode::Save, format, path));
    EXPECT_EQ(requests[1].title, "Save image file");
    EXPECT_EQ(requests[1].initialFilter, 0);
    EXPECT_FALSE(requests[1].fileMustExist);
    EXPECT_EQ(format, 1);

    // Cancel leaves the caller's path and format alone.
    answer.reset();
    EXPECT_FALSE(DoImageFileDialog(nullptr, ImageDialogMode::Open, format, path));
    EXPECT_EQ(path, "/p/c.bmp");
    EXPECT_EQ(format, 1);
}

TEST(DesktopOpener, TestsReplaceTheDesktop) {
    QList<QUrl> opened;
    SetDesktopOpener([&](const QUrl& url) {
        opened.append(url);
        return true;
    });
    EXPECT_TRUE(OpenWithDesktop(QUrl::fromLocalFile(QStringLiteral("/a b/c"))));
    SetDesktopOpener({});
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0].toLocalFile(), "/a b/c");
}
