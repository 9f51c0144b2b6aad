#include "analysis/ui/PictureMerging.h"

#include "analysis/focus/HeightColours.h"
#include "browser/ui/CThumbnailsFormView.h"
#include "browser/ui/CThumbnailsFormViewView.h"
#include "browser/ui/CThumbnailsFormWnd.h"
#include "core/Folders.h"
#include "document/NewPicture.h"
#include "framework/QImageDrawSurface.h"
#include "framework/ui/StatusBar.h"
#include "tests/app/PictureSharpness.h"
#include "tests/app/PictureWindowFixture.h"

#include <cmath>
#include <limits>
#include <opencv2/imgproc.hpp>
#include <tiffio.h>

#include <QContextMenuEvent>
#include <QDir>
#include <QMenu>
#include <QProgressDialog>
#include <QTimer>

// Focus stack… and Stitch… on pictures chosen in the browser or the file
// dialog, through the real menus and windows; the height map's window.

namespace {

// Smooth grey noise (fixed seed): texture to align, stitch and judge
// sharpness by.
cv::Mat Texture(int width, int height, unsigned seed) {
    cv::Mat noise(height, width, CV_32F);
    cv::RNG rng(seed);
    rng.fill(noise, cv::RNG::NORMAL, 0.0, 1.0);
    cv::GaussianBlur(noise, noise, {}, 1.2);
    cv::Mat grey;
    cv::normalize(noise, grey, 30, 225, cv::NORM_MINMAX, CV_8U);
    return grey;
}

CDib ToDib(const cv::Mat& grey) {
    return MakePicture(grey.cols, grey.rows, [&grey](int x, int y) {
        const int v = grey.at<std::uint8_t>(y, x);
        return Rgb{v, v, v};
    });
}

// A focus series of three: slice k is sharp in the k-th third of the width.
std::vector<cv::Mat> FocusSeries(const cv::Mat& sharp) {
    cv::Mat blurred;
    cv::GaussianBlur(sharp, blurred, {}, 2.5);
    std::vector<cv::Mat> slices;
    const int band = sharp.cols / 3;
    for (int k = 0; k < 3; ++k) {
        cv::Mat slice = blurred.clone();
        sharp.colRange(k * band, (k + 1) * band).copyTo(slice.colRange(k * band, (k + 1) * band));
        slices.push_back(slice);
    }
    return slices;
}

CLOBRINDoc& DocOf(CChildFrame* child) {
    return static_cast<CLOBRINDoc&>(child->document());
}

} // namespace

class PictureMergingTest : public PictureWindowTest {
protected:
    void SetUp() override {
        g_folders.snapshotFolder = home.filePath(QStringLiteral("SaveFile"));
        QDir().mkpath(g_folders.snapshotFolder);
    }

    QString Write(const QString& name, const cv::Mat& grey) {
        const QString path = QDir(g_folders.snapshotFolder).filePath(name);
        EXPECT_TRUE(ToDib(grey).Save(path.toStdString(), ImageType::Png));
        return path;
    }
    QStringList Files() const {
        return QDir(g_folders.snapshotFolder).entryList(QDir::Files, QDir::Name);
    }

    CThumbnailsFormViewView* List() const { return frame->browserPane()->view()->list(); }
    void WaitForBrowser() {
        for (int round = 0; round < 3; ++round) {
            List()->loader().WaitUntilIdle();
            QApplication::sendPostedEvents();
            QApplication::processEvents();
        }
    }
    // Selects every picture of the browser and picks the context menu's
    // item of that object name, as a right-click on the first does; with
    // `cancel`, clicks Cancel of the progress dialog of that name as soon as
    // it shows.
    void RunOnAll(const char* command, const QString& cancel = QString()) {
        WaitForBrowser();
        List()->selectAll();
        const QPoint at = List()->visualItemRect(List()->item(0)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, List()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(List()->viewport(), &event);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        auto* action = menu->findChild<QAction*>(QString::fromLatin1(command));
        ASSERT_NE(action, nullptr);
        ASSERT_TRUE(action->isEnabled());
        menu->close();
        if (!cancel.isEmpty()) {
            QTimer::singleShot(0, [this, cancel] {
                auto* progress = frame->findChild<QProgressDialog*>(cancel);
                ASSERT_NE(progress, nullptr);
                ASSERT_TRUE(progress->isVisible());
                QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
            });
        }
        action->trigger();
        Settle();
    }
    CLOBRINView* ActiveView() const {
        return static_cast<CLOBRINView*>(&frame->activeChildFrame()->view());
    }
    QString StatusText() const { return frame->paneBar().paneText(kMessagePane); }
};

TEST_F(PictureMergingTest, FocusStackOfTheSelectedPicturesOpensTheMergedPictureAndItsHeights) {
    const cv::Mat sharp = Texture(240, 180, 7);
    const std::vector<cv::Mat> slices = FocusSeries(sharp);
    for (int k = 0; k < 3; ++k) {
        Write(QStringLiteral("slice_%1.png").arg(k), slices[static_cast<std::size_t>(k)]);
    }
    Build();
    RunOnAll("focusStack");

    const QList<CChildFrame*> windows = frame->childFrames();
    ASSERT_EQ(windows.size(), 2);
    CLOBRINDoc& merged = DocOf(windows[0]);
    CLOBRINDoc& heights = DocOf(windows[1]);
    EXPECT_EQ(merged.title(), QStringLiteral("slice_0 in focus"));
    EXPECT_EQ(heights.title(), QStringLiteral("slice_0 heights"));
    EXPECT_EQ(merged.HeightMap(), nullptr);
    ASSERT_NE(heights.HeightMap(), nullptr);
    EXPECT_TRUE(boxes.empty()) << boxes.front().text.toStdString();

    // Sharper than any slice, and the heights step up band by band.
    const cv::Mat picture = GreyOf(merged.Model().Picture().Read().image());
    ASSERT_EQ(picture.size(), sharp.size());
    for (const cv::Mat& slice : slices) {
        EXPECT_GT(Sharpness(picture), 1.3 * Sharpness(slice));
    }
    const CHeightMap& map = *heights.HeightMap();
    for (int k = 0; k < 3; ++k) {
        double sum = 0;
        int known = 0;
        for (int y = 20; y < 160; ++y) {
            for (int x = 80 * k + 20; x < 80 * k + 60; ++x) {
                if (const auto h = HeightAt(map, x, y)) {
                    sum += *h;
                    ++known;
                }
            }
        }
        ASSERT_GT(known, 0) << k;
        EXPECT_NEAR(sum / known, k, 0.5) << "band " << k;
    }
    EXPECT_EQ(heights.Model().ImageWidth(), 240 + HeightLegendWidth(180));
}

TEST_F(PictureMergingTest, CancelledMergesOpenAndWriteNothing) {
    const cv::Mat sharp = Texture(240, 180, 7);
    const std::vector<cv::Mat> slices = FocusSeries(sharp);
    for (int k = 0; k < 3; ++k) {
        Write(QStringLiteral("slice_%1.png").arg(k), slices[static_cast<std::size_t>(k)]);
    }
    const QStringList before = Files();
    Build();
    for (const auto& [command, progress] :
         {std::pair{"focusStack", "FocusStackProgress"}, std::pair{"stitch", "StitchProgress"}}) {
        RunOnAll(command, QString::fromLatin1(progress));
        EXPECT_TRUE(frame->childFrames().isEmpty()) << command;
        EXPECT_TRUE(boxes.empty()) << command;
        EXPECT_EQ(Files(), before) << command;
    }
}

TEST_F(PictureMergingTest, StitchPlacesOverlappingPicturesAndNamesTheOneThatOverlapsNothing) {
    const cv::Mat scene = Texture(360, 280, 11);
    const int width = 220;
    const int height = 170;
    const std::pair<int, int> corners[] = {{0, 0}, {140, 0}, {0, 110}, {140, 110}};
    for (int i = 0; i < 4; ++i) {
        Write(QStringLiteral("tile_%1.png").arg(i),
              scene(cv::Rect(corners[i].first, corners[i].second, width, height)).clone());
    }
    Write(QStringLiteral("tile_4.png"), Texture(width, height, 99));
    Build();
    RunOnAll("stitch");

    ASSERT_EQ(frame->childFrames().size(), 1);
    CLOBRINDoc& mosaic = DocOf(frame->childFrames()[0]);
    EXPECT_EQ(mosaic.title(), QStringLiteral("tile_0 mosaic"));
    EXPECT_NEAR(mosaic.Model().ImageWidth(), scene.cols, 2);
    EXPECT_NEAR(mosaic.Model().ImageHeight(), scene.rows, 2);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("tile_4.png")))
        << boxes[0].text.toStdString();
    EXPECT_FALSE(boxes[0].text.contains(QStringLiteral("tile_3.png")));

    const cv::Mat picture = GreyOf(mosaic.Model().Picture().Read().image());
    const cv::Rect inner(10, 10, std::min(picture.cols, scene.cols) - 20,
                         std::min(picture.rows, scene.rows) - 20);
    cv::Mat difference;
    cv::absdiff(picture(inner), scene(inner), difference);
    EXPECT_LT(cv::mean(difference)[0], 6.0);
}

TEST_F(PictureMergingTest, TheFileMenuAsksForSeveralPictures) {
    const std::vector<cv::Mat> slices = FocusSeries(Texture(240, 180, 7));
    QStringList paths;
    for (int k = 0; k < 3; ++k) {
        paths << Write(QStringLiteral("slice_%1.png").arg(k), slices[static_cast<std::size_t>(k)]);
    }
    Build();
    bool multiple = false;
    SetFileDialogResponder([&](const FileDialogRequest& request) {
        multiple = request.multiple;
        return std::optional<FileDialogAnswer>(FileDialogAnswer{paths.front(), 0, paths});
    });
    frame->RouteCommand(ID_FOCUS_STACK);
    Settle();
    EXPECT_TRUE(multiple);
    EXPECT_EQ(frame->childFrames().size(), 2);
}

TEST_F(PictureMergingTest, TheHeightMapWindowReadsTheHeightUnderTheMouseAndSavesTheFloats) {
    CHeightMap map;
    map.width = 60;
    map.height = 40;
    map.unit = "µm";
    map.low = 0;
    map.high = 24.5;
    for (int y = 0; y < map.height; ++y) {
        for (int x = 0; x < map.width; ++x) {
            map.heights.push_back(x < 50 ? 0.5f * x : std::numeric_limits<float>::quiet_NaN());
        }
    }
    Build();
    SetPendingNewPicture({HeightMapPicture(map, QImageSurfaceFactory()), QStringLiteral("map"),
                          std::make_shared<const CHeightMap>(map)});
    ASSERT_NE(frame->OpenDocument(DocKind::StillImage), nullptr);
    frame->RouteCommand(ID_ZOOM_NORMAL);
    Settle();
    view = ActiveView();

    struct Case {
        QPoint pixel;
        QString text;
    };
    for (const Case& c :
         {Case{{10, 12}, QStringLiteral("Height at 10, 12: 5.00 µm")},
          Case{{49, 0}, QStringLiteral("Height at 49, 0: 24.50 µm")},
          Case{{55, 30}, QStringLiteral("Height at 55, 30: unknown")}, Case{{62, 30}, QString()}}) {
        // The pixel's centre at zoom 1, as the view maps it.
        const QPoint client = c.pixel;
        ASSERT_EQ(view->ImagePointOf(client), c.pixel);
        QTest::mouseMove(view->viewport(), client);
        Settle();
        EXPECT_EQ(StatusText(), c.text);
    }

    const QString path = home.filePath(QStringLiteral("heights.tif"));
    SetFileDialogResponder([&path](const FileDialogRequest&) {
        return std::optional<FileDialogAnswer>(FileDialogAnswer{path, 0});
    });
    frame->RouteCommand(ID_SAVE_HEIGHT_MAP);
    SetFileDialogResponder({});
    TIFF* tiff = TIFFOpen(path.toStdString().c_str(), "r");
    ASSERT_NE(tiff, nullptr);
    std::uint32_t width = 0;
    std::uint16_t format = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &format);
    EXPECT_EQ(width, 60u);
    EXPECT_EQ(format, SAMPLEFORMAT_IEEEFP);
    // Compressed rows are read in order.
    std::vector<float> row(TIFFScanlineSize(tiff) / sizeof(float));
    for (std::uint32_t y = 0; y <= 12; ++y) {
        ASSERT_EQ(TIFFReadScanline(tiff, row.data(), y), 1);
    }
    EXPECT_FLOAT_EQ(row[10], 5.0f);
    EXPECT_TRUE(std::isnan(row[55]));
    TIFFClose(tiff);
}
