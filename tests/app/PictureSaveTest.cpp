#include "core/Questions.h"
#include "tests/app/PictureWindowFixture.h"

#include <QSettings>

// What happens to the measurements of a picture when its window closes, when
// it is saved over the opened file, and when the picture is flipped.

namespace {

const Rgb kBackground{230, 230, 230};
const Rgb kLineRed{255, 0, 0};

// Turns the picture upside down, which changes its pixels and carries the
// measurements along.
void FlipPicture(CMainFrame& frame) {
    frame.RouteCommand(ID_FLIP_HORIZONTAL);
    Settle();
}

void ProcessDeferredDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool StartsWith(const MessageBoxRequest& request, const char* text) {
    return request.text.startsWith(QLatin1String(text));
}

CDib Load(const QString& path) {
    CDib picture;
    EXPECT_TRUE(picture.Load(path.toStdString(), ImageType::Bmp)) << path.toStdString();
    return picture;
}

// True when row y holds the line colour on every column from x1 to x2.
bool RedAlong(const CDib& picture, int y, int x1, int x2) {
    for (int x = x1; x <= x2; ++x) {
        if (PixelAt(picture, x, y) != kLineRed) {
            return false;
        }
    }
    return true;
}

} // namespace

TEST_F(PictureWindowTest, ClosingAChangedPictureOffersToSaveIt) {
    Build();
    OpenPicture(FlatPicture(200, 100, kBackground));
    DrawLine(50, 60);
    FlipPicture(*frame);
    const QByteArray untouched = ReadFile(home.filePath("ruler.bmp"));

    // Cancel keeps the window and the measurement.
    QMessageBox::StandardButton onSave = QMessageBox::Cancel;
    answer = [&onSave](const MessageBoxRequest& request) {
        if (StartsWith(request, "Save changes")) {
            return onSave;
        }
        if (StartsWith(request, "Save the measurements")) {
            return QMessageBox::Discard;
        }
        return StartsWith(request, "The measurements") ? QMessageBox::Save : QMessageBox::Yes;
    };
    EXPECT_FALSE(frame->activeChildFrame()->close());
    ProcessDeferredDeletes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Save the measurements of ruler.bmp?");
    EXPECT_EQ(boxes[1].text, "Save changes to ruler.bmp?");
    EXPECT_EQ(boxes[1].buttons, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    ASSERT_EQ(frame->childFrames().size(), 1);
    EXPECT_EQ(view->GetDocument().Model().Shapes().Count(), 1u);

    // Discard lets it go and leaves the file as it was.
    onSave = QMessageBox::Discard;
    EXPECT_TRUE(frame->activeChildFrame()->close());
    ProcessDeferredDeletes();
    EXPECT_TRUE(frame->childFrames().isEmpty());
    EXPECT_EQ(ReadFile(home.filePath("ruler.bmp")), untouched);

    // Save writes the measurement into the file (after the first-save
    // question) and closes.
    OpenPicture(FlatPicture(200, 100, kBackground));
    DrawLine(50, 60);
    FlipPicture(*frame);
    onSave = QMessageBox::Save;
    boxes.clear();
    EXPECT_TRUE(frame->activeChildFrame()->close());
    ProcessDeferredDeletes();
    EXPECT_TRUE(frame->childFrames().isEmpty());
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_TRUE(StartsWith(boxes[2], "The measurements will be drawn into ruler.bmp"));
    // Turned upside down with the picture: row 50 of 100 is row 49.
    EXPECT_TRUE(RedAlong(Load(home.filePath("ruler.bmp")), 49, 20, 80));

    // A picture without changes closes after the close question alone.
    OpenPicture(FlatPicture(200, 100, kBackground));
    boxes.clear();
    EXPECT_TRUE(frame->activeChildFrame()->close());
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(PictureWindowTest, QuittingAsksForEachChangedPictureAndCancelKeepsAll) {
    Build();
    OpenPicture(FlatPicture(200, 100, kBackground), QStringLiteral("a.bmp"));
    DrawLine(50, 60);
    OpenPicture(FlatPicture(200, 100, kBackground), QStringLiteral("b.bmp"));
    DrawLine(50, 60);
    answer = [](const MessageBoxRequest& request) {
        if (request.text == "Save the measurements of a.bmp?") {
            return QMessageBox::Discard;
        }
        return StartsWith(request, "Save") ? QMessageBox::Cancel : QMessageBox::Yes;
    };
    EXPECT_FALSE(frame->close());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->childFrames().size(), 2);
    QStringList asked;
    for (const MessageBoxRequest& request : boxes) {
        asked << request.text;
    }
    EXPECT_EQ(asked,
              (QStringList{"Save the measurements of a.bmp?", "Save the measurements of b.bmp?"}));

    answer = [](const MessageBoxRequest& request) {
        return StartsWith(request, "Save") ? QMessageBox::Discard : QMessageBox::Yes;
    };
    EXPECT_TRUE(frame->close());
}

// Closing a window or quitting asks one kind of question: the save question
// when there is something to save, otherwise whether to close at all.
TEST_F(PictureWindowTest, ClosingAsksTheSaveQuestionInsteadOfTheCloseQuestion) {
    enum class Work { None, Measurement, Pixels };
    const struct {
        Work work;
        bool quit;
        QStringList asked;
    } cases[] = {
        {Work::None, false, {"Are you sure close?"}},
        {Work::Measurement, false, {"Save the measurements of ruler.bmp?"}},
        {Work::Pixels, false, {"Save changes to ruler.bmp?"}},
        {Work::None, true, {"Are you sure close?"}},
        {Work::Measurement, true, {"Save the measurements of ruler.bmp?"}},
    };
    answer = [](const MessageBoxRequest& request) {
        return StartsWith(request, "Save") ? QMessageBox::Cancel : QMessageBox::No;
    };
    for (const auto& entry : cases) {
        Build();
        OpenPicture(FlatPicture(200, 100, kBackground));
        if (entry.work == Work::Measurement) {
            DrawLine(50, 60);
        } else if (entry.work == Work::Pixels) {
            FlipPicture(*frame);
        }
        boxes.clear();
        EXPECT_FALSE(entry.quit ? frame->close() : frame->activeChildFrame()->close());
        ProcessDeferredDeletes();
        QStringList asked;
        for (const MessageBoxRequest& request : boxes) {
            asked << request.text;
        }
        EXPECT_EQ(asked, entry.asked) << static_cast<int>(entry.work) << entry.quit;
        EXPECT_EQ(frame->childFrames().size(), 1);
        if (!boxes.empty() && StartsWith(boxes[0], "Save")) {
            EXPECT_EQ(boxes[0].buttons,
                      QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        }
        frame.reset();
    }
}

TEST_F(PictureWindowTest, TheFirstSaveOverThePictureSaysWhatItDoes) {
    Build();
    OpenPicture(FlatPicture(200, 100, kBackground));
    DrawLine(50, 60);
    const QByteArray untouched = ReadFile(home.filePath("ruler.bmp"));

    // Cancel writes nothing.
    answer = [](const MessageBoxRequest&) {
        return QMessageBox::Cancel;
    };
    PressKey(Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The measurements will be drawn into ruler.bmp and the picture "
                             "without them will be replaced.");
    EXPECT_EQ(boxes[0].buttons, QMessageBox::Save | QMessageBox::SaveAll | QMessageBox::Cancel);
    ASSERT_EQ(boxes[0].buttonTexts.size(), 1);
    EXPECT_EQ(boxes[0].buttonTexts[0].first, QMessageBox::SaveAll);
    EXPECT_EQ(boxes[0].buttonTexts[0].second, "Save As…");
    EXPECT_EQ(boxes[0].checkBoxText, "Don't ask again");
    EXPECT_EQ(ReadFile(home.filePath("ruler.bmp")), untouched);

    // Save As… goes to the file dialog; the opened picture stays untouched.
    const QString copy = home.filePath("copy.bmp");
    int dialogs = 0;
    SetFileDialogResponder([&](const FileDialogRequest&) {
        ++dialogs;
        return std::optional<FileDialogAnswer>(FileDialogAnswer{copy, 0});
    });
    answer = [](const MessageBoxRequest&) {
        return QMessageBox::SaveAll;
    };
    PressKey(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(ReadFile(home.filePath("ruler.bmp")), untouched);
    EXPECT_TRUE(RedAlong(Load(copy), 50, 20, 80));

    // Asked once per window: the next Save writes without a question.
    boxes.clear();
    DrawLine(70, 60);
    PressKey(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(RedAlong(Load(copy), 70, 20, 80));
    EXPECT_FALSE(IsQuestionSilenced(kOverwriteQuestion));

    // "Don't ask again" with Save: written, and no window asks again.
    OpenPicture(FlatPicture(200, 100, kBackground), QStringLiteral("other.bmp"));
    DrawLine(50, 60);
    boxes.clear();
    answer = [](const MessageBoxRequest& request) {
        if (request.checked != nullptr) {
            *request.checked = true;
        }
        return QMessageBox::Save;
    };
    PressKey(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(RedAlong(Load(home.filePath("other.bmp")), 50, 20, 80));
    EXPECT_TRUE(IsQuestionSilenced(kOverwriteQuestion));
    OpenPicture(FlatPicture(200, 100, kBackground), QStringLiteral("third.bmp"));
    DrawLine(50, 60);
    boxes.clear();
    PressKey(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(RedAlong(Load(home.filePath("third.bmp")), 50, 20, 80));
}

TEST_F(PictureWindowTest, FlipsCarryTheMeasurementsWithThePicture) {
    // A dark bar on columns 20..80 of row band 45..55 of a 200 × 100 picture.
    const CDib picture = MakePicture(200, 100, [](int x, int y) {
        return x >= 20 && x <= 80 && y >= 45 && y <= 55 ? Rgb{20, 20, 20} : kBackground;
    });
    answer = [](const MessageBoxRequest&) {
        return QMessageBox::Save;
    };
    Build();
    OpenPicture(picture);
    DrawLine(50, 60); // along the bar, columns 20..80
    const CShapeList& shapes = view->GetDocument().Model().Shapes();
    const std::array<double, 4> before = shapes.At(0).result;

    // Left-right: the bar now spans columns 119..179, and so does the line.
    frame->RouteCommand(ID_FLIP_VERTICAL);
    view->GetDocument().Model().Picture().WaitUntilIdle();
    Settle();
    EXPECT_EQ(shapes.At(0).points[0], (ShapePoint{179, 50}));
    EXPECT_EQ(shapes.At(0).points[1], (ShapePoint{119, 50}));
    EXPECT_EQ(shapes.At(0).result, before);
    EXPECT_EQ(ResultTexts(), (QStringList{"Line 0", "Length 10.00 mm"}));
    frame->RouteCommand(ID_FILE_SAVE);
    CDib saved = Load(home.filePath("ruler.bmp"));
    EXPECT_TRUE(RedAlong(saved, 50, 119, 179));
    EXPECT_EQ(PixelAt(saved, 50, 50), kBackground);

    // Upside down: row 50 of 100 becomes row 49 and the bar rows 44..54.
    frame->RouteCommand(ID_FLIP_HORIZONTAL);
    view->GetDocument().Model().Picture().WaitUntilIdle();
    Settle();
    frame->RouteCommand(ID_FILE_SAVE);
    saved = Load(home.filePath("ruler.bmp"));
    EXPECT_TRUE(RedAlong(saved, 49, 119, 179));
    EXPECT_EQ(PixelAt(saved, 125, 44), (Rgb{20, 20, 20}));
    EXPECT_EQ(PixelAt(saved, 125, 55), kBackground);

    // Undo still takes the shape.
    frame->RouteCommand(ID_UNDO);
    Settle();
    EXPECT_EQ(shapes.Count(), 0u);
    EXPECT_TRUE(ResultTexts().isEmpty());
}
