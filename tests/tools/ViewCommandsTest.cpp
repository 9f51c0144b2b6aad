#include "core/MagnifierBuffer.h"
#include "framework/ui/FileDialog.h"
#include "framework/ui/MessageBox.h"
#include "reports/ActiveImage.h"
#include "reports/ui/CExportOptionDlg.h"
#include "tests/tools/ViewTestSupport.h"
#include "tools/ui/MagnifierFeed.h"

#include <QDir>
#include <QMdiArea>
#include <QPushButton>
#include <QTimer>

namespace {

// Rgb of the inverse colour adjustment.
Rgb Inverted(Rgb c) {
    return {255 - c.red, 255 - c.green, 255 - c.blue};
}

// Holds the magnifier role and counts its notifications.
class MagnifierReceiver : public QObject {
public:
    MagnifierReceiver()
        : m_registration(ReceiverRole::Magnifier, this) {}
    int filled = 0;

protected:
    bool event(QEvent* event) override {
        if (event->type() == CPostedEvent::Type() &&
            static_cast<CPostedEvent*>(event)->message() == UM_MAGNIFIER_FILLED) {
            ++filled;
            return true;
        }
        return QObject::event(event);
    }

private:
    CReceiverRegistration m_registration;
};

// Answers message boxes with OK and keeps what they said.
class AnsweredBoxes {
public:
    AnsweredBoxes() {
        SetMessageBoxResponder([this](const MessageBoxRequest& request) {
            texts << request.text;
            return answer;
        });
    }
    ~AnsweredBoxes() { SetMessageBoxResponder({}); }
    QStringList texts;
    QMessageBox::StandardButton answer = QMessageBox::Ok;
};

} // namespace

TEST_F(ViewTest, ZoomStepsStopAtTheirLimitsAndSayTheZoom) {
    ASSERT_TRUE(Open(FlatPicture(400, 300, {200, 200, 200})));
    Command(ID_MEASURE_LINE);
    for (int i = 0; i < 5; ++i) {
        Command(ID_ZOOM_IN);
    }
    EXPECT_DOUBLE_EQ(Model().Zoom().zoom, 1.5);
    EXPECT_EQ(Prompt(), "150%");
    EXPECT_EQ(Model().Modes().measureMode, 0); // zooming disarms the tool
    for (int i = 0; i < 3; ++i) {
        Command(ID_ZOOM_IN);
    }
    EXPECT_EQ(Prompt(), "180%");
    EXPECT_FALSE(frame->QueryCommandState(ID_ZOOM_IN).enabled());
    Command(ID_ZOOM_IN);
    EXPECT_DOUBLE_EQ(Model().Zoom().zoom, 1.8);
    EXPECT_EQ(view->contentSize(), QSize(720, 540));
    EXPECT_EQ(view->scrollPosition(), QPoint(0, 0));

    for (int i = 0; i < 20; ++i) {
        Command(ID_ZOOM_OUT);
    }
    EXPECT_EQ(Model().Zoom().zoom, 0.3);
    EXPECT_FALSE(frame->QueryCommandState(ID_ZOOM_OUT).enabled());
    EXPECT_TRUE(frame->QueryCommandState(ID_ZOOM_IN).enabled());
    EXPECT_EQ(view->contentSize(), QSize(120, 90));
    EXPECT_EQ(Prompt(), "30%");
}

// A picture larger than the window is shown whole, also after the window
// grows, and clicks still land on the picture pixels under them.
TEST_F(ViewTest, FitToWindowShowsTheWholePictureAndMeasuresAtItsZoom) {
    ASSERT_TRUE(Open(FlatPicture(2592, 1944, {200, 200, 200})));
    // The first size is fitted by the command, the others by resizing.
    for (const QSize window : {QSize(500, 400), QSize(700, 500), QSize(400, 600)}) {
        frame->activeChildFrame()->resize(window);
        QApplication::processEvents();
        if (!Model().Zoom().fitted) {
            Command(ID_ZOOM_FIT);
        }
        QApplication::processEvents();
        const QSize area = view->viewport()->size();
        const QSize shown = view->contentSize();
        EXPECT_TRUE(Model().Zoom().fitted) << window.width();
        EXPECT_LT(Model().Zoom().zoom, 0.3) << window.width();
        EXPECT_TRUE(shown.width() <= area.width() && shown.height() <= area.height())
            << window.width();
        EXPECT_TRUE(shown.width() >= area.width() - 1 || shown.height() >= area.height() - 1)
            << window.width();
        EXPECT_EQ(Prompt(), Model().Zoom().StatusText());
        EXPECT_TRUE(frame->QueryCommandState(ID_ZOOM_FIT).checked());
    }

    // A line across the picture at the fitted zoom measures the pixels under
    // its ends.
    const double zoom = Model().Zoom().zoom;
    Command(ID_MEASURE_LINE);
    const QPoint from(10, 20);
    const QPoint to(130, 20);
    Clicks({from, to, {60, 40}});
    ASSERT_EQ(ShapeCount(), 1u);
    const auto pixel = [zoom](int client) {
        return static_cast<int>(client / zoom + 0.5);
    };
    EXPECT_EQ(view->ImagePointOf(from), QPoint(pixel(10), pixel(20)));
    EXPECT_DOUBLE_EQ(ShapeAt(0).measure[0], pixel(130) - pixel(10));

    // A zoom step leaves fitting: resizing then keeps the zoom.
    Command(ID_ZOOM_IN);
    EXPECT_DOUBLE_EQ(Model().Zoom().zoom, 0.3);
    EXPECT_FALSE(frame->QueryCommandState(ID_ZOOM_FIT).checked());
    frame->activeChildFrame()->resize(300, 300);
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(Model().Zoom().zoom, 0.3);
}

TEST_F(ViewTest, AnAreaToolChangesTheDraggedRectangleAndRightClickRestoresThePicture) {
    const CDib picture = NoisePicture(200, 150, 3);
    ASSERT_TRUE(Open(picture));
    Command(ID_MEASURE_LINE);
    Clicks({{5, 5}, {50, 5}, {20, 20}});
    ASSERT_EQ(ShapeCount(), 1u);

    Command(ID_AREA_NEGATIVE);
    EXPECT_EQ(Model().Modes().measureMode, 0);
    Drag({10, 20}, {60, 80});
    EXPECT_EQ(view->SelectionRect(), QRect(10, 20, 50, 60));
    Model().Picture().WaitUntilIdle();
    {
        const auto access = Model().Picture().Read();
        for (int y = 0; y < 150; ++y) {
            for (int x = 0; x < 200; ++x) {
                const bool inside = x >= 10 && x <= 60 && y >= 20 && y <= 80;
                const Rgb expected =
                    inside ? Inverted(PixelAt(picture, x, y)) : PixelAt(picture, x, y);
                ASSERT_EQ(PixelAt(access.image(), x, y), expected) << x << ", " << y;
            }
        }
    }
    // The adjustment's progress shows in the status bar until it ends.
    QCoreApplication::postEvent(&Doc(), new CPostedEvent(UM_ADJUST_PROGRESS, 40, 0));
    QCoreApplication::sendPostedEvents(&Doc());
    EXPECT_EQ(frame->paneBar().paneText(2), "Processing 40%");
    QCoreApplication::postEvent(&Doc(), new CPostedEvent(UM_ADJUST_FINISHED, 0, 0));
    QCoreApplication::sendPostedEvents(&Doc());
    EXPECT_EQ(frame->paneBar().paneText(2), QString());

    // A click without a drag chooses nothing; the tool stays armed.
    Click({150, 120});
    EXPECT_TRUE(view->SelectionRect().isEmpty());
    EXPECT_EQ(Model().Modes().areaMode, 6);

    Click({100, 100}, Qt::RightButton);
    EXPECT_TRUE(SameColors(Model().Picture().Read().image(), picture));
    EXPECT_EQ(ShapeCount(), 1u);
    EXPECT_EQ(Model().Modes().areaMode, 0);
}

TEST_F(ViewTest, TheAreaSelectionFollowsTheZoomAndTheScrollOffset) {
    ASSERT_TRUE(Open(FlatPicture(2400, 1800, {100, 100, 100})));
    Command(ID_ZOOM_NORMAL);
    for (int i = 0; i < 5; ++i) {
        Command(ID_ZOOM_OUT);
    }
    ASSERT_EQ(Model().Zoom().zoom, 0.5);
    view->ScrollToPosition({100, 40});
    ASSERT_EQ(view->scrollPosition(), QPoint(100, 40));
    Command(ID_AREA_NEGATIVE);
    Drag({10, 20}, {60, 80});
    Model().Picture().WaitUntilIdle();
    const auto access = Model().Picture().Read();
    for (int y = 100; y < 260; ++y) {
        for (int x = 200; x < 340; ++x) {
            const bool inside = x >= 220 && x <= 320 && y >= 120 && y <= 240;
            ASSERT_EQ(PixelAt(access.image(), x, y).red, inside ? 155 : 100) << x << ", " << y;
        }
    }
}

TEST_F(ViewTest, RemovalRequestsAndActivationKeepTheResultsPaneOnTheActivePicture) {
    ResultsReceiver results;
    QDir().mkpath(home.filePath("one"));
    QDir().mkpath(home.filePath("two"));
    CLOBRINView* first = Open(FlatPicture(300, 200, {200, 200, 200}), "one/a.bmp");
    ASSERT_TRUE(first);
    EXPECT_EQ(RegisteredReceiver(ReceiverRole::ImageView), first);
    EXPECT_EQ(g_activeImage.width, 300u);
    EXPECT_GE(results.Count(0, 2), 1);
    Command(ID_MARK_SQUARE);
    Clicks({{10, 10}, {20, 10}, {30, 10}});
    ASSERT_EQ(ShapeCount(), 3u);

    // The results pane deletes the second entry: the view removes the shape.
    PostToReceiver(ReceiverRole::ImageView, UM_REMOVE_SHAPES, 10, 1);
    QApplication::processEvents();
    ASSERT_EQ(ShapeCount(), 2u);
    EXPECT_EQ(ShapeAt(1).measure[0], 2.0);
    EXPECT_EQ(g_resultsList.shapes.size(), 2u);

    // Another picture with the same file name takes over the results pane.
    CLOBRINView* second = Open(FlatPicture(120, 90, {10, 10, 10}), "two/a.bmp");
    ASSERT_TRUE(second);
    EXPECT_EQ(second->GetDocument().title(), first->GetDocument().title());
    EXPECT_EQ(RegisteredReceiver(ReceiverRole::ImageView), second);
    EXPECT_EQ(g_activeImage.width, 120u);
    EXPECT_TRUE(g_resultsList.shapes.empty());
    frame->mdiArea()->setActiveSubWindow(frame->childFrames().front());
    QApplication::processEvents();
    EXPECT_EQ(RegisteredReceiver(ReceiverRole::ImageView), first);
    EXPECT_EQ(g_resultsList.shapes.size(), 2u);
    EXPECT_EQ(g_activeImage.height, 200u);

    PostToReceiver(ReceiverRole::ImageView, UM_REMOVE_SHAPES, 0, 0);
    QApplication::processEvents();
    EXPECT_EQ(first->GetDocument().Model().Shapes().Count(), 0u);
    EXPECT_TRUE(g_resultsList.shapes.empty());
}

TEST_F(ViewTest, SaveAndSaveAsWriteThePictureWithItsShapes) {
    AnsweredBoxes boxes;
    g_parameters.linecolor = 0x0000FF;
    ASSERT_TRUE(Open(FlatPicture(120, 80, {255, 255, 255}), "shot.bmp"));
    Command(ID_MEASURE_HLINE);
    Clicks({{10, 40}, {110, 40}, {60, 60}});
    ASSERT_EQ(ShapeCount(), 1u);

    std::vector<FileDialogRequest> requests;
    QString answer = home.filePath("saved.bmp");
    SetFileDialogResponder([&](const FileDialogRequest& request) {
        requests.push_back(request);
        return answer.isEmpty() ? std::nullopt
                                : std::optional<FileDialogAnswer>(FileDialogAnswer{answer, 0});
    });
    Command(ID_FILE_SAVE_AS);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].title, "Save image file");
    EXPECT_EQ(requests[0].path, home.filePath("shot.bmp"));
    EXPECT_EQ(requests[0].filters[requests[0].initialFilter], "BMP files (*.bmp)");
    EXPECT_EQ(requests[0].defaultSuffix, "bmp");
    CDib saved;
    ASSERT_TRUE(saved.Load(home.filePath("saved.bmp").toStdString(), ImageType::Bmp));
    EXPECT_EQ(saved.Width(), 120);
    EXPECT_EQ(PixelAt(saved, 60, 40), (Rgb{255, 0, 0}));
    EXPECT_EQ(PixelAt(saved, 60, 20), (Rgb{255, 255, 255}));
    EXPECT_EQ(Doc().title(), "saved.bmp");

    // Save writes to the document's file without asking.
    Command(ID_MEASURE_VLINE);
    Clicks({{30, 5}, {30, 70}, {40, 60}});
    Command(ID_FILE_SAVE);
    EXPECT_EQ(requests.size(), 1u);
    ASSERT_TRUE(saved.Load(home.filePath("saved.bmp").toStdString(), ImageType::Bmp));
    EXPECT_EQ(PixelAt(saved, 30, 20), (Rgb{255, 0, 0}));

    // A cancelled dialog writes nothing; a file type we cannot write says so.
    answer.clear();
    Command(ID_FILE_SAVE_AS);
    EXPECT_TRUE(boxes.texts.isEmpty());
    answer = home.filePath("saved.gif");
    Command(ID_FILE_SAVE_AS);
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(boxes.texts[0].startsWith("ERROR")) << boxes.texts[0].toStdString();
    EXPECT_FALSE(QFile::exists(answer));
    EXPECT_EQ(Doc().title(), "saved.bmp");
    SetFileDialogResponder({});
}

TEST_F(ViewTest, ExportToPictureImprintsEveryMeasurement) {
    AnsweredBoxes boxes;
    g_parameters.linecolor = 0x0000FF;
    ASSERT_TRUE(Open(FlatPicture(300, 100, {255, 255, 255})));
    Command(ID_MEASURE_HLINE);
    Clicks({{10, 50}, {290, 50}, {150, 70}});
    QString answer = home.filePath("third.BMP");
    SetFileDialogResponder([&answer](const FileDialogRequest& request) {
        EXPECT_EQ(request.defaultSuffix, "bmp");
        EXPECT_TRUE(request.filters.contains("TIFF files (*.tif *.tiff)"));
        return std::optional<FileDialogAnswer>(FileDialogAnswer{answer, 0});
    });
    // The options: a third of the size, measurements imprinted.
    const auto chooseThird = [] {
        QTimer::singleShot(0, [] {
            auto* options = qobject_cast<CExportOptionDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(options, nullptr);
            options->findChild<QAbstractButton*>(QStringLiteral("thirdSize"))->click();
            options->accept();
        });
    };
    chooseThird();
    Command(ID_EXPORT_PICTURE);
    EXPECT_EQ(ShapeAt(0).exportMark, 1);
    EXPECT_TRUE(boxes.texts.isEmpty()) << boxes.texts.join('|').toStdString();
    CDib exported;
    ASSERT_TRUE(exported.Load(answer.toStdString(), ImageType::Bmp));
    EXPECT_EQ(exported.Width(), 99); // 0.33 × 300 + 0.5, truncated
    EXPECT_EQ(exported.Height(), 33);
    EXPECT_EQ(PixelAt(exported, 50, 17), (Rgb{255, 0, 0}));

    // No extension: nothing is written and the user is told.
    answer = home.filePath("nameless");
    chooseThird();
    Command(ID_EXPORT_PICTURE);
    SetFileDialogResponder({});
    EXPECT_FALSE(QFile::exists(answer));
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(boxes.texts[0].startsWith("ERROR"));
}

TEST_F(ViewTest, OpeningAnUnreadablePictureSaysErrorAndOpensNothing) {
    AnsweredBoxes boxes;
    WriteFile(home.filePath("broken.bmp"), "BM not really a picture");
    EXPECT_EQ(frame->OpenDocument(DocKind::StillImage, home.filePath("broken.bmp")), nullptr);
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(boxes.texts[0].startsWith("Error\nbroken.bmp: ")) << boxes.texts[0].toStdString();
    EXPECT_TRUE(frame->childFrames().isEmpty());
}

TEST_F(ViewTest, TheSelectiveExportButtonsPickTheLastMeasurement) {
    ASSERT_TRUE(Open(FlatPicture(300, 200, {200, 200, 200})));
    bool exported = false;
    view->ShowSelectiveExportButtons([&exported] { exported = true; });
    const auto buttons = Viewport()->findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 2);
    EXPECT_EQ(buttons[0]->geometry(), QRect(10, 10, 50, 50));
    EXPECT_EQ(buttons[1]->geometry(), QRect(10, 70, 50, 50));
    Command(ID_MEASURE_LINE);
    Clicks({{100, 100}, {200, 100}, {150, 150}});
    Clicks({{100, 150}, {200, 150}, {150, 180}});
    QTest::mouseClick(buttons[0], Qt::LeftButton);
    EXPECT_EQ(ShapeAt(0).exportMark, 0);
    EXPECT_EQ(ShapeAt(1).exportMark, 1);
    QTest::mouseClick(buttons[1], Qt::LeftButton);
    EXPECT_TRUE(exported);
    EXPECT_FALSE(view->HasSelectiveExportButtons());
}

TEST_F(ViewTest, MouseMovesFeedTheMagnifier) {
    AllocateMagnifierBuffer();
    MagnifierReceiver magnifier;
    const CDib picture = MakePicture(300, 200, [](int x, int y) {
        return Rgb{x % 256, y % 256, 7};
    });
    ASSERT_TRUE(Open(picture));
    const std::uint8_t* buffer = MagnifierBuffer();
    const auto at = [&](int column, int bufferRow, int side = 100) {
        const std::uint8_t* p = buffer + CDib::StrideFor(side, 24) * bufferRow + 3 * column;
        return Rgb{p[2], p[1], p[0]};
    };
    const int before = magnifier.filled;
    Move({150, 100});
    EXPECT_GT(magnifier.filled, before);
    // The square's top-left pixel is the picture's (100, 50); the buffer is
    // bottom-up.
    EXPECT_EQ(at(0, 99), (Rgb{100, 50, 7}));
    EXPECT_EQ(at(99, 0), (Rgb{199, 149, 7}));
    Move({3, 195});
    EXPECT_EQ(at(0, 99), (Rgb{0, 100, 7}));
    g_magnifier.zoomState = 3;
    Move({150, 100});
    EXPECT_EQ(at(0, 29, 30), (Rgb{135, 85, 7}));
    g_magnifier = CMagnifierState{};
    FreeMagnifierBuffer();
}

TEST(MagnifierFeed, KeepsTheSquareInsideAndLeavesWhatIsMissingBlack) {
    const CDib small = FlatPicture(20, 10, {1, 2, 3});
    std::vector<std::uint8_t> buffer(MagnifierSquareBytes(30), 0xAB);
    ASSERT_TRUE(FillMagnifierSquare(small, {500, 500}, 30, buffer));
    const std::size_t stride = CDib::StrideFor(30, 24);
    EXPECT_EQ(stride, 92u);
    // Top row of the square (last in the buffer): the picture, then black.
    const std::uint8_t* top = buffer.data() + stride * 29;
    EXPECT_EQ(top[0], 3);
    EXPECT_EQ(top[3 * 19 + 2], 1);
    EXPECT_EQ(top[3 * 20], 0);
    EXPECT_EQ(buffer[0], 0); // the square's bottom row lies below the picture
    std::vector<std::uint8_t> tooSmall(MagnifierSquareBytes(30) - 1);
    EXPECT_FALSE(FillMagnifierSquare(small, {5, 5}, 30, tooSmall));
    EXPECT_FALSE(FillMagnifierSquare(CDib{}, {5, 5}, 30, buffer));
}
