#include "camera/ui/LiveCommands.h"
#include "core/PendingPicture.h"
#include "document/ui/CLOBRINDoc.h"
#include "recorder/Recording.h"
#include "reports/ui/CFileSizeDlg.h"
#include "reports/ui/CMeasureResultFormWnd.h"
#include "tests/app/MainFrameCameraFixture.h"
#include "tests/image/ImageTestSupport.h"
#include "tests/recorder/RecorderTestSupport.h"
#include "tests/reports/PaneTestSupport.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QToolBar>

// What the live window's picture and video commands leave on disk.

namespace {

using LiveSavingTest = MainFrameCameraTest;

TEST_F(LiveSavingTest, EveryClickOnTakeAPictureWritesAPicture) {
    CDeviceView* view = OpenVirtualMicroscope();
    ASSERT_NE(view, nullptr);
    QWidget* button = frame->toolBar()->widgetForAction(frame->CommandAction(ID_TAKE_PICTURE));
    ASSERT_NE(button, nullptr);
    const auto pictures = [] {
        return QDir(g_folders.snapshotFolder)
            .entryList({QStringLiteral("*.bmp"), QStringLiteral("*.jpg")}, QDir::Files);
    };
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pictures().size() == 1; }, 10000));

    // Clicks quicker than the camera's frames (a slow camera at a large
    // size gives a few a second) each still get a picture.
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::qWait(200);
    QTest::mouseClick(button, Qt::LeftButton);
    (void)QTest::qWaitFor([&] { return pictures().size() == 4; }, 10000);
    QTest::qWait(300);
    EXPECT_EQ(pictures().size(), 4) << pictures().join(' ').toStdString();
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join('\n').toStdString();
}

TEST_F(LiveSavingTest, ARecordingHoldsTheRequestedTimeWithinOneFrame) {
    CDeviceView* view = OpenVirtualMicroscope();
    ASSERT_NE(view, nullptr);
    for (const int fps : {15, 30}) {
        WithDialog<CFileSizeDlg>(ID_TAKE_VIDEO, [fps](CFileSizeDlg& dialog) {
            dialog.findChild<QLineEdit*>(QStringLiteral("timeLimit"))->setText(QStringLiteral("3"));
            dialog.findChild<QLineEdit*>(QStringLiteral("frameRate"))
                ->setText(QString::number(fps));
            dialog.accept();
        });
        ASSERT_TRUE(view->Commands().Recording());
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return !view->Commands().RecordingTimerActive(); }, 20000));
        const CReadBackVideo video = ReadBackVideo(g_recording.lastStats.file);
        ASSERT_TRUE(video.error.empty()) << video.error;
        EXPECT_EQ(video.fps, fps);
        EXPECT_NEAR(static_cast<double>(video.packetCount), 3.0 * fps, 1.0) << fps << " fps";
    }
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join('\n').toStdString();
}

TEST_F(LiveSavingTest, AnImprintedRecordingCarriesTheMeasurementsAndTheScaleBar) {
    CDeviceView* view = OpenVirtualMicroscope();
    ASSERT_NE(view, nullptr);
    DrawDistances(view, 1);
    ASSERT_EQ(g_liveShapes.shapes.size(), 1u);
    const CVideoShap line = *g_liveShapes.shapes[0];
    g_parameters.scalebar = 1;

    // The red pixels of the last frame on the distance and in the scale bar's corner.
    struct Reds {
        int onLine = 0;
        int inCorner = 0;
    };
    const auto record = [&](bool imprint) {
        WithDialog<CFileSizeDlg>(ID_TAKE_VIDEO, [imprint](CFileSizeDlg& dialog) {
            dialog.findChild<QLineEdit*>(QStringLiteral("timeLimit"))->setText(QStringLiteral("1"));
            dialog.findChild<QCheckBox*>(QStringLiteral("uncompressed"))->setChecked(true);
            dialog.findChild<QCheckBox*>(QStringLiteral("imprint"))->setChecked(imprint);
            dialog.accept();
        });
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return !view->Commands().RecordingTimerActive(); }, 20000));
        const CDecodedVideo video = DecodeVideo(g_recording.lastStats.file);
        EXPECT_TRUE(video.error.empty()) << video.error;
        Reds reds;
        if (video.frames.empty()) {
            return reds;
        }
        const std::vector<std::uint8_t>& last = video.frames.back();
        const auto red = [&](int x, int y) {
            const std::uint8_t* p = &last[(static_cast<std::size_t>(y) * video.width + x) * 3];
            return p[2] > 200 && p[1] < 60 && p[0] < 60;
        };
        const int y = static_cast<int>(line.points[0].y + 0.5);
        for (int x = static_cast<int>(line.points[0].x) + 5;
             x < static_cast<int>(line.points[1].x) - 5; ++x) {
            reds.onLine += red(x, y) ? 1 : 0;
        }
        for (int cy = video.height * 4 / 5; cy < video.height; ++cy) {
            for (int cx = video.width * 2 / 3; cx < video.width; ++cx) {
                reds.inCorner += red(cx, cy) ? 1 : 0;
            }
        }
        return reds;
    };

    const Reds plain = record(false);
    const Reds imprinted = record(true);
    g_parameters.scalebar = 0;
    EXPECT_GT(imprinted.onLine, 50);
    EXPECT_GT(imprinted.inCorner, 20);
    EXPECT_LT(plain.onLine, 5);
    EXPECT_LT(plain.inCorner, 5);
    EXPECT_TRUE(g_recording.imprint) << "the choice is kept";
    g_recording.imprint = false;
    g_parameters.compress = 0;
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join('\n').toStdString();
}

TEST_F(LiveSavingTest, DeletingARestoredMeasurementRemovesItFromTheSnapshotShown) {
    CDeviceView* view = OpenVirtualMicroscope();
    ASSERT_NE(view, nullptr);
    DrawDistances(view, 1);
    ASSERT_EQ(g_liveShapes.shapes.size(), 1u);
    const CVideoShap line = *g_liveShapes.shapes[0];
    frame->RouteCommand(ID_TAKE_PICTURE);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !view->Commands().LastSavedPicture().isEmpty(); }, 10000));
    const QString snapshot = view->Commands().LastSavedPicture();
    const QByteArray imprinted = [&] {
        QFile file(snapshot);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();

    // Red pixels along the distance in a picture of the snapshot's size.
    const int y = static_cast<int>(line.points[0].y + 0.5);
    const auto redOnLine = [&](const auto& redAt) {
        int count = 0;
        for (int x = static_cast<int>(line.points[0].x) + 5;
             x < static_cast<int>(line.points[1].x) - 5; ++x) {
            count += redAt(x, y) ? 1 : 0;
        }
        return count;
    };
    const QImage onDisk(snapshot);
    ASSERT_FALSE(onDisk.isNull());
    EXPECT_GT(redOnLine([&](int x, int py) {
                  const QColor c = onDisk.pixelColor(x, py);
                  return c.red() > 200 && c.green() < 60 && c.blue() < 60;
              }),
              50)
        << "the snapshot keeps its imprint";

    g_pendingPicture.path = snapshot;
    frame->RouteCommand(ID_FILE_OPEN);
    ASSERT_EQ(frame->childFrames().size(), 2);
    auto* still = dynamic_cast<CLOBRINDoc*>(frame->activeDocument());
    ASSERT_NE(still, nullptr);
    ASSERT_EQ(still->Model().Shapes().Count(), 1u);
    const auto pictureRed = [&] {
        const auto access = still->Model().Picture().Read();
        return redOnLine([&](int x, int py) {
            const Rgb c = PixelAt(access.image(), x, py);
            return c.red > 200 && c.green < 60 && c.blue < 60;
        });
    };
    EXPECT_LT(pictureRed(), 5) << "the restored shape lies over the clean frame";

    Settle();
    frame->resultsPane()->raise();
    auto* tree = ResultTree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    tree->setCurrentItem(tree->topLevelItem(0));
    QTest::mouseClick(Pane()->findChild<QPushButton*>(QStringLiteral("deleteResult")),
                      Qt::LeftButton);
    Settle();
    EXPECT_EQ(still->Model().Shapes().Count(), 0u);
    EXPECT_LT(pictureRed(), 5);
    QFile file(snapshot);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), imprinted);
}

} // namespace
