#include "core/Folders.h"
#include "framework/ui/StatusBar.h"
#include "tests/app/PictureWindowFixture.h"

#include <QDir>
#include <QScrollBar>

// Keys, prompts and remembered places of a picture window in the main frame.

TEST_F(PictureWindowTest, CtrlZAndDeleteActOnTheMeasurements) {
    Build();
    OpenPicture(FlatPicture(400, 300, {230, 230, 230}));
    DrawLine(40, 60);
    DrawLine(100, 90);
    DrawLine(160, 120);
    const CShapeList& shapes = view->GetDocument().Model().Shapes();

    PressKey(Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(shapes.Count(), 2u);
    EXPECT_EQ(ResultTexts(),
              (QStringList{"Line 0", "Length 10.00 mm", "Line 1", "Length 15.00 mm"}));

    // Delete on a value row deletes its measurement, after the question.
    frame->resultsPane()->raise();
    auto* tree = Results()->findChild<QTreeWidget*>("measureResults");
    tree->setCurrentItem(tree->topLevelItem(0)->child(0));
    PressKey(Qt::Key_Delete, {}, tree);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Are you sure delete?");
    ASSERT_EQ(shapes.Count(), 1u);
    EXPECT_EQ(shapes.At(0).measure[0], 90.0);
    EXPECT_EQ(ResultTexts(), (QStringList{"Line 0", "Length 15.00 mm"}));

    // And on a title row; No keeps it.
    answer = [](const MessageBoxRequest&) {
        return QMessageBox::No;
    };
    tree->setCurrentItem(tree->topLevelItem(0));
    PressKey(Qt::Key_Delete, {}, tree);
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_EQ(shapes.Count(), 1u);
    answer = {};
    PressKey(Qt::Key_Delete, {}, tree);
    EXPECT_EQ(shapes.Count(), 0u);
}

TEST_F(PictureWindowTest, CtrlZeroFitsAFullHdPictureIntoTheWindow) {
    Build();
    OpenPicture(FlatPicture(1920, 1080, {230, 230, 230}));
    EXPECT_GT(view->horizontalScrollBar()->maximum(), 0);
    PressKey(Qt::Key_0, Qt::ControlModifier, view);
    const CZoomState& zoom = view->GetDocument().Model().Zoom();
    EXPECT_TRUE(zoom.fitted);
    EXPECT_LT(zoom.zoom, 1.0);
    EXPECT_EQ(view->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(view->verticalScrollBar()->maximum(), 0);
    // The toolbar button shows the state.
    EXPECT_TRUE(frame->CommandAction(ID_ZOOM_FIT)->isChecked());
}

TEST_F(PictureWindowTest, SwitchingAToolOffClearsItsPrompt) {
    Build();
    OpenPicture(FlatPicture(400, 300, {230, 230, 230}));
    frame->RouteCommand(ID_MEASURE_RECTANGLE);
    EXPECT_TRUE(frame->paneBar().paneText(kPromptPane).startsWith("Rectangle"));
    frame->RouteCommand(ID_MEASURE_RECTANGLE);
    EXPECT_EQ(frame->paneBar().paneText(kPromptPane), "");
}

TEST_F(PictureWindowTest, DeletingTheAppliedCalibrationSaysSoAndRelabels) {
    WriteFile(home.filePath("data.xml"),
              R"(<LOBRIN><Calibration name="Data">)"
              R"(<caldata name="Fine" Unit="um" ValueX="6000.000000" ValueY="100"/>)"
              R"(</Calibration></LOBRIN>)");
    ASSERT_TRUE(WriteDefaultCalibration("Fine"));
    Build();
    OpenPicture(FlatPicture(400, 300, {230, 230, 230}));
    DrawLine(50, 120);
    const CShape& line = view->GetDocument().Model().Shapes().At(0);
    EXPECT_EQ(line.Labels({}).front().text, "L:200.00um");

    auto* list = Manager()->findChild<QTableWidget*>("calibrationList");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(0, 1)).center());
    ClickButton(Manager(), "deleteCalibration");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Are you sure delete?");
    EXPECT_EQ(Manager()->findChild<QLabel*>("currentCalibration")->text(), "Uncalibrated");
    EXPECT_EQ(frame->paneBar().paneText(kPromptPane),
              "The calibration in use was deleted: measuring uncalibrated");
    EXPECT_EQ(ResultTexts(), (QStringList{"Line 0", "Length 20.00 mm"}));
    EXPECT_EQ(line.Labels({}).front().text, "L:20.00mm");
    EXPECT_FALSE(QFile::exists(DefaultCalibrationPath()));
}

TEST_F(PictureWindowTest, OpenPictureStartsWhereItLastOpenedFrom) {
    Build();
    QStringList asked;
    const auto openFrom = [&](const QString& folder) {
        const QString path = folder + "/p.bmp";
        FlatPicture(40, 30, {230, 230, 230}).Save(path.toStdString(), ImageType::Bmp);
        SetFileDialogResponder([&asked, path](const FileDialogRequest& request) {
            asked << request.path;
            return std::optional<FileDialogAnswer>(FileDialogAnswer{path, 0});
        });
        frame->RouteCommand(ID_FILE_OPEN);
        SetFileDialogResponder({});
    };
    const QString pictures = home.filePath("pictures");
    QDir().mkpath(pictures);
    openFrom(pictures);
    openFrom(pictures);
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked[0], g_folders.snapshotFolder);
    EXPECT_EQ(asked[1], pictures);
    ASSERT_TRUE(frame->close());

    // The next run starts there too.
    Build();
    openFrom(pictures);
    ASSERT_EQ(asked.size(), 3);
    EXPECT_EQ(asked[2], pictures);
    ASSERT_TRUE(frame->close());

    // A folder removed since gives way to the snapshot folder.
    QDir(pictures).removeRecursively();
    Build();
    const QString elsewhere = home.filePath("elsewhere");
    QDir().mkpath(elsewhere);
    openFrom(elsewhere);
    ASSERT_EQ(asked.size(), 4);
    EXPECT_EQ(asked[3], g_folders.snapshotFolder);
}
