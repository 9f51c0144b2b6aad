#include "tests/app/PictureWindowFixture.h"
#include "tests/support/PaintedTexts.h"

#include <QScrollBar>

TEST_F(PictureWindowTest, CalibratingOnADrawnRulerThenMeasuringInTheNewUnit) {
    WriteFile(home.filePath("data.xml"),
              R"(<LOBRIN><Calibration name="Data">)"
              R"(<caldata name="Before" Unit="mm" ValueX="60.000000" ValueY="2.0"/>)"
              R"(</Calibration></LOBRIN>)");
    ASSERT_TRUE(WriteDefaultCalibration("Before"));
    Build();
    OpenPicture(FlatPicture(400, 300, {230, 230, 230}));
    EXPECT_EQ(Manager()->findChild<QLabel*>("currentCalibration")->text(), "Before");

    DrawLine(50, 120);
    EXPECT_EQ(ResultTexts(), (QStringList{"Line 0", "Length 20.00 mm"}));

    // Title, the unit as it stands (mm), the real length, OK.
    TypeInto(0, QStringLiteral("CAL1"));
    TypeInto(2, QStringLiteral("1"));
    ClickButton(Manager(), "manualCalibrationOk");
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(ReadFile(home.filePath("data.xml"))
                    .contains(R"(<caldata name="CAL1" Unit="mm" ValueX="1200.000000")"));
    EXPECT_EQ(Manager()->findChild<QLabel*>("currentCalibration")->text(), "Before");
    auto* list = Manager()->findChild<QTableWidget*>("calibrationList");
    ASSERT_EQ(list->rowCount(), 2);

    // Apply makes the new record current: a 120-pixel line reads 1 mm.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1, 1)).center());
    ClickButton(Manager(), "applyCalibration");
    EXPECT_EQ(Manager()->findChild<QLabel*>("currentCalibration")->text(), "CAL1");
    DrawLine(150, 120);
    const QStringList texts = ResultTexts();
    ASSERT_EQ(texts.size(), 4);
    EXPECT_EQ(texts.mid(2), (QStringList{"Line 1", "Length 1.00 mm"}));
    // The label on the picture says the same.
    const CShape& line = view->GetDocument().Model().Shapes().At(1);
    EXPECT_EQ(line.Labels({}).front().text, "L:1.00mm");
}

TEST_F(PictureWindowTest, DeletingAResultRemovesItsShapeAndRenumbersTheRest) {
    Build();
    OpenPicture(FlatPicture(400, 300, {230, 230, 230}));
    DrawLine(40, 60);
    DrawLine(100, 90);
    DrawLine(160, 120);
    EXPECT_EQ(ResultTexts(), (QStringList{"Line 0", "Length 10.00 mm", "Line 1", "Length 15.00 mm",
                                          "Line 2", "Length 20.00 mm"}));
    frame->resultsPane()->raise();
    auto* tree = Results()->findChild<QTreeWidget*>("measureResults");
    tree->setCurrentItem(tree->topLevelItem(1));
    ClickButton(Results(), "deleteResult");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Are you sure delete?");
    EXPECT_EQ(ResultTexts(),
              (QStringList{"Line 0", "Length 10.00 mm", "Line 1", "Length 20.00 mm"}));
    const CShapeList& shapes = view->GetDocument().Model().Shapes();
    ASSERT_EQ(shapes.Count(), 2u);
    EXPECT_EQ(shapes.At(0).measure[0], 60.0);
    EXPECT_EQ(shapes.At(1).measure[0], 120.0);

    // Undo from the toolbar takes the last one; the pane follows.
    frame->RouteCommand(ID_UNDO);
    Settle();
    EXPECT_EQ(ResultTexts(), (QStringList{"Line 0", "Length 10.00 mm"}));
}

// The toolbar's calibration switch lists the stored calibrations with their
// scale and applies the one chosen at once, as the manager's Apply does.
TEST_F(PictureWindowTest, TheToolbarSwitchesTheCalibrationAtOnce) {
    WriteFile(home.filePath("data.xml"),
              R"(<LOBRIN><Calibration name="Data">)"
              R"(<caldata name="Fine" Unit="um" ValueX="6000.000000" ValueY="100"/>)"
              R"(<caldata name="Coarse" Unit="mm" ValueX="30.000000" ValueY="1"/>)"
              R"(</Calibration></LOBRIN>)");
    Build();
    OpenPicture(FlatPicture(400, 300, {230, 230, 230}));
    DrawLine(50, 120);
    EXPECT_EQ(ResultTexts(), (QStringList{"Line 0", "Length 20.00 mm"}));

    auto* chooser = frame->findChild<QComboBox*>("calibrationChooser");
    ASSERT_NE(chooser, nullptr);
    ASSERT_TRUE(chooser->isVisible());
    EXPECT_EQ(chooser->currentIndex(), -1);
    ASSERT_EQ(chooser->count(), 2);
    EXPECT_EQ(chooser->itemText(0), "Fine (0.60 px/um)");
    EXPECT_EQ(chooser->itemText(1), "Coarse (3.00 px/mm)");

    const struct {
        int row;
        const char* name;
        const char* length;
    } cases[] = {{0, "Fine", "Length 200.00 um"},
                 {1, "Coarse", "Length 40.00 mm"},
                 {0, "Fine", "Length 200.00 um"}};
    for (const auto& entry : cases) {
        // Picked from the open list, as with the mouse.
        chooser->showPopup();
        QAbstractItemView* list = chooser->view();
        const QRect item = list->visualRect(list->model()->index(entry.row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
        Settle();
        EXPECT_EQ(ResultTexts(), (QStringList{"Line 0", entry.length})) << entry.name;
        EXPECT_EQ(Manager()->findChild<QLabel*>("currentCalibration")->text(), entry.name);
        EXPECT_EQ(chooser->currentIndex(), entry.row);
        const QByteArray kept = ReadFile(DefaultCalibrationPath());
        EXPECT_EQ(QString::fromUtf16(reinterpret_cast<const char16_t*>(kept.constData()),
                                     kept.size() / 2),
                  entry.name);
    }

    // A calibration made in the manager is listed at once.
    TypeInto(0, QStringLiteral("Third"));
    TypeInto(2, QStringLiteral("1"));
    ClickButton(Manager(), "manualCalibrationOk");
    EXPECT_EQ(chooser->count(), 3);
}

// The statistics under the results list are read whole at the pane's
// default width, without scrolling sideways.
TEST_F(PictureWindowTest, TheStatisticsFitThePaneWidth) {
    g_parameters.measuredecimal = 3;
    Build();
    OpenPicture(FlatPicture(600, 300, {230, 230, 230}));
    DrawLine(50, 60);
    DrawLine(100, 300);
    frame->resultsPane()->raise();
    Settle();
    auto* statistics = Results()->findChild<QTreeWidget*>("measureStatistics");
    ASSERT_NE(statistics, nullptr);
    ASSERT_EQ(statistics->topLevelItemCount(), 1);
    EXPECT_LE(statistics->header()->length(), statistics->viewport()->width());
    EXPECT_EQ(statistics->horizontalScrollBar()->maximum(), 0)
        << statistics->header()->length() << " " << statistics->viewport()->width() << " "
        << statistics->width();
    const QStringList painted = CPaintedTexts::Of(statistics->viewport());
    for (const char* number : {"2", "30.000", "28.284", "10.000", "50.000"}) {
        EXPECT_TRUE(painted.contains(number))
            << number << " in " << painted.join('|').toStdString();
    }
    const QStringList header = CPaintedTexts::Of(statistics->header()->viewport());
    for (const char* title : {"n", "Mean", "SD", "Min", "Max"}) {
        EXPECT_TRUE(header.contains(title)) << title << " in " << header.join('|').toStdString();
    }
}
