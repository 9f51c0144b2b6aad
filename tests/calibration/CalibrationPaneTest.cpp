#include "calibration/Calibration.h"
#include "calibration/CalibrationFiles.h"
#include "calibration/ui/CCalManageFormView.h"
#include "calibration/ui/CCalManageFormWnd.h"
#include "calibration/ui/CStepDlg.h"
#include "core/FileWriting.h"
#include "core/Parameters.h"
#include "framework/ColorContrast.h"
#include "framework/ui/MessageBox.h"
#include "framework/ui/PropertyGrid.h"
#include "reports/ui/CMeasureResultFormView.h"
#include "reports/ui/CMeasureResultFormWnd.h"
#include "shapes/ShapeKinds.h"
#include "tests/framework/PropertyGridInput.h"
#include "tests/reports/PaneTestSupport.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

const QByteArray kTwoRecords =
    R"(<LOBRIN><Calibration name="Data">)"
    R"(<caldata name="CAL1" Unit="mm" ValueX="1200.000000" ValueY="1.0"/>)"
    R"(<caldata name="Fine" Unit="um" ValueX="6000.000000" ValueY="100"/>)"
    R"(</Calibration></LOBRIN>)";

class CalibrationPaneTest : public ::testing::Test {
protected:
    CalibrationPaneTest() {
        g_calibration = CCurrentCalibration{};
        g_calibrationStore = CCalibrationStore{};
        g_parameters.measuredecimal = 2;
        SetMessageBoxResponder([this](const MessageBoxRequest& request) {
            boxes.push_back(request);
            return answer;
        });
    }
    ~CalibrationPaneTest() override {
        manager.reset();
        results.reset();
        SetMessageBoxResponder({});
        ClearResultsList();
        g_calibration = CCurrentCalibration{};
        g_calibrationStore = CCalibrationStore{};
    }

    void StoreFiles(const QByteArray& dataXml, const QString& applied = QString()) {
        WriteFile(home.filePath("data.xml"), dataXml);
        if (!applied.isEmpty()) {
            WriteDefaultCalibration(applied);
        }
    }

    // The panes as the main frame makes them: the manager first.
    void Build(bool withResults = false) {
        manager = std::make_unique<CCalManageFormWnd>(QStringLiteral("Calibration"));
        manager->resize(320, 640);
        manager->show();
        if (withResults) {
            results = std::make_unique<CMeasureResultFormWnd>(QStringLiteral("Results"));
            results->resize(320, 640);
            results->show();
        }
        Settle();
    }

    CCalManageFormView* View() const { return manager->view(); }
    QTableWidget* List() const { return View()->findChild<QTableWidget*>("calibrationList"); }
    QPushButton* Button(const char* name) const { return View()->findChild<QPushButton*>(name); }
    QString Current() const { return View()->findChild<QLabel*>("currentCalibration")->text(); }
    CPropertyGrid* Grid() const { return View()->findChild<CPropertyGrid*>("manualCalibration"); }
    QStringList ResultTexts() const {
        return TreeTexts(results->view()->findChild<QTreeWidget*>("measureResults"));
    }

    QStringList Row(int row) const {
        QStringList cells;
        for (int column = 0; column < List()->columnCount(); ++column) {
            cells << List()->item(row, column)->text();
        }
        return cells;
    }

    void Click(const char* button) {
        QTest::mouseClick(Button(button), Qt::LeftButton);
        Settle();
    }
    void ClickRow(int row) {
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {},
                          List()->visualItemRect(List()->item(row, 1)).center());
    }

    QWidget* Edit(CPropertyGridItem* item) { return EditProperty(*Grid(), item); }
    void Type(CPropertyGridItem* item, const QString& text) { TypeProperty(*Grid(), item, text); }
    void ChooseUnit(const QString& unit) {
        auto* combo = qobject_cast<QComboBox*>(Edit(UnitItem()));
        ASSERT_NE(combo, nullptr);
        combo->setCurrentIndex(combo->findText(unit));
        emit combo->activated(combo->currentIndex());
        Settle();
    }
    CPropertyGridItem* TitleItem() const { return Grid()->topLevelItem(0); }
    CPropertyGridItem* UnitItem() const { return Grid()->findItem(102); }
    CPropertyGridItem* LengthItem() const { return Grid()->findItem(103); }

    // A completed distance line of `pixels` on the picture; measuring it
    // makes it the line a manual calibration reads.
    void DrawRuler(double pixels) {
        ruler.Add(MeasuredShape(MeasureMode::kLine, {{10, 20}, {10 + pixels, 20}, {40, 40}}));
        RefillResultsList(ruler);
        PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_RESULTS, 0, 0);
        Settle();
    }

    void Calibrate(const QString& title, const QString& length) {
        Type(TitleItem(), title);
        Type(LengthItem(), length);
        Click("manualCalibrationOk");
    }

    ScopedProgramFolder home;
    CShapeList ruler;
    std::unique_ptr<CCalManageFormWnd> manager;
    std::unique_ptr<CMeasureResultFormWnd> results;
    std::vector<MessageBoxRequest> boxes;
    QMessageBox::StandardButton answer = QMessageBox::Yes;
};

TEST_F(CalibrationPaneTest, RestoresTheCalibrationAppliedLastAndListsTheStore) {
    StoreFiles(kTwoRecords, "fine");
    Build();
    ASSERT_EQ(List()->rowCount(), 2);
    EXPECT_EQ(List()->horizontalHeaderItem(0)->text(), "Name");
    EXPECT_EQ(List()->horizontalHeaderItem(2)->text(), "Value");
    EXPECT_EQ(Row(0), (QStringList{"CAL1", "mm", "1.0"}));
    EXPECT_EQ(Row(1), (QStringList{"Fine", "um", "100"}));
    EXPECT_EQ(List()->item(0, 2)->textAlignment(), Qt::AlignCenter);
    // The name as it was stored in defaultcalibration.txt.
    EXPECT_EQ(Current(), "fine");
    EXPECT_EQ(g_calibration.selectedName, "fine");
    EXPECT_EQ(g_calibration.scale, 6000.0);
    EXPECT_EQ(g_calibration.unitFactor, 10000.0);
    EXPECT_EQ(g_calibration.referenceLength, 100.0);
    EXPECT_EQ(List()->currentRow(), 1);
    // The manual calibration reads the ruler in the unit in effect.
    EXPECT_EQ(UnitItem()->value(), "um");
    EXPECT_EQ(LengthItem()->value(), "1.0");
}

// What the user sees: the label as painted, its background against the
// strongest text pixel, keeps blue text on a red ground and reads well.
TEST_F(CalibrationPaneTest, TheCalibrationLabelIsReadable) {
    Build();
    auto* label = View()->findChild<QLabel*>("currentCalibration");
    const QImage painted = label->grab().toImage();
    ASSERT_FALSE(painted.isNull());
    const QRgb ground = painted.pixel(1, 1);
    QRgb text = ground;
    for (int y = 0; y < painted.height(); ++y) {
        for (int x = 0; x < painted.width(); ++x) {
            const QRgb pixel = painted.pixel(x, y);
            if (ContrastRatio(pixel & 0xFFFFFF, ground & 0xFFFFFF) >
                ContrastRatio(text & 0xFFFFFF, ground & 0xFFFFFF)) {
                text = pixel;
            }
        }
    }
    EXPECT_GE(ContrastRatio(text & 0xFFFFFF, ground & 0xFFFFFF), kMinimumTextContrast);
    EXPECT_GT(qRed(ground), qGreen(ground));
    EXPECT_GT(qBlue(text), qRed(text));
    // The old blue on red read at barely more than 2:1.
    EXPECT_LT(ContrastRatio(0x0000FF, 0xFF0000), 2.2);
    EXPECT_DOUBLE_EQ(ContrastRatio(0x000000, 0xFFFFFF), 21.0);
    EXPECT_DOUBLE_EQ(ContrastRatio(0x808080, 0x808080), 1.0);
}

TEST_F(CalibrationPaneTest, WithoutAnAppliedCalibrationTheInitialOneStays) {
    Build();
    EXPECT_EQ(List()->rowCount(), 0);
    EXPECT_EQ(Current(), "Uncalibrated");
    EXPECT_EQ(g_calibration.scale, 60.0);
    EXPECT_EQ(UnitItem()->value(), "mm");
    // With nothing chosen, the table's buttons do nothing.
    Click("applyCalibration");
    Click("deleteCalibration");
    Click("deleteAllCalibrations");
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(QFile::exists(home.filePath("data.xml")));
}

TEST_F(CalibrationPaneTest, DeleteRemovesTheClickedRecordButNotTheCalibrationInEffect) {
    StoreFiles(kTwoRecords, "Fine");
    Build(true);
    ClickRow(0);
    EXPECT_EQ(g_calibration.selectedName, "CAL1");
    EXPECT_EQ(g_calibration.scale, 6000.0); // clicking applies nothing
    Click("deleteCalibration");
    ASSERT_EQ(List()->rowCount(), 1);
    EXPECT_EQ(Row(0), (QStringList{"Fine", "um", "100"}));
    EXPECT_FALSE(ReadFile(home.filePath("data.xml")).contains("CAL1"));
    EXPECT_EQ(g_calibration.scale, 6000.0);
    EXPECT_EQ(Current(), "Fine");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Are you sure delete?");
    EXPECT_EQ(boxes[0].buttons, QMessageBox::Yes | QMessageBox::No);
    // The results pane no longer offers it.
    CPropertyGrid* properties = results->view()->findChild<CPropertyGrid*>("documentProperties");
    EXPECT_EQ(properties->findItem(105)->options(), QStringList{"Fine"});

    // No keeps the record.
    answer = QMessageBox::No;
    ClickRow(0);
    Click("deleteCalibration");
    EXPECT_EQ(List()->rowCount(), 1);
    EXPECT_TRUE(ReadFile(home.filePath("data.xml")).contains("Fine"));
}

TEST_F(CalibrationPaneTest, DeletingTheAppliedCalibrationReturnsToTheInitialOne) {
    StoreFiles(kTwoRecords, "Fine");
    Build(true);
    FakeImageView imageView(ruler);
    DrawRuler(120);
    EXPECT_EQ(ResultTexts(), (QStringList{"Line 0", "Length 200.00 um"}));
    ClickRow(1);
    Click("deleteCalibration");
    ASSERT_EQ(List()->rowCount(), 1);
    EXPECT_EQ(Current(), "Uncalibrated");
    EXPECT_EQ(g_calibration.unit, "mm");
    EXPECT_EQ(g_calibration.scale, 60.0);
    EXPECT_EQ(UnitItem()->value(), "mm");
    EXPECT_FALSE(QFile::exists(DefaultCalibrationPath()));
    // 120 pixels at 60 pixels per cm, in millimetres.
    EXPECT_EQ(ResultTexts(), (QStringList{"Line 0", "Length 20.00 mm"}));
    EXPECT_GE(imageView.Count(UM_REPAINT), 1);
}

TEST_F(CalibrationPaneTest, DeleteAllAsksThenEmptiesTheStoreAndForgetsTheAppliedName) {
    StoreFiles(kTwoRecords, "CAL1");
    Build();
    answer = QMessageBox::No;
    Click("deleteAllCalibrations");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Are you sure delete?");
    EXPECT_EQ(boxes[0].caption, "");
    EXPECT_EQ(boxes[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(List()->rowCount(), 2);
    EXPECT_TRUE(QFile::exists(DefaultCalibrationPath()));

    answer = QMessageBox::Yes;
    Click("deleteAllCalibrations");
    EXPECT_EQ(List()->rowCount(), 0);
    EXPECT_EQ(ReadFile(home.filePath("data.xml")),
              "<LOBRIN>\n    <Calibration name=\"Data\"/>\n</LOBRIN>\n");
    EXPECT_FALSE(QFile::exists(DefaultCalibrationPath()));
    // What was applied went with the store: the initial calibration measures.
    EXPECT_EQ(g_calibration.scale, 60.0);
    EXPECT_EQ(Current(), "Uncalibrated");
}

TEST_F(CalibrationPaneTest, ApplyMakesTheChosenRecordCurrentEverywhere) {
    StoreFiles(kTwoRecords);
    Build(true);
    FakeImageView imageView(ruler);
    DrawRuler(120);
    ClickRow(0);
    Click("applyCalibration");
    EXPECT_EQ(Current(), "CAL1");
    EXPECT_EQ(FromUtf16LE(ReadFile(DefaultCalibrationPath())), "CAL1");
    EXPECT_EQ(g_calibration.scale, 1200.0);
    EXPECT_EQ(g_calibration.referenceLength, 1.0);
    EXPECT_EQ(imageView.Count(UM_REPAINT), 1);
    CPropertyGrid* properties = results->view()->findChild<CPropertyGrid*>("documentProperties");
    EXPECT_EQ(properties->findItem(105)->value(), "CAL1");
    EXPECT_EQ(ResultTexts(), (QStringList{"Line 0", "Length 1.00 mm"}));

    // A double click chooses and applies in one go.
    const QPoint fine = List()->visualItemRect(List()->item(1, 0)).center();
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, fine);
    QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, fine);
    Settle();
    EXPECT_EQ(Current(), "Fine");
    EXPECT_EQ(g_calibration.unit, "um");
    EXPECT_EQ(UnitItem()->value(), "um");
    EXPECT_EQ(FromUtf16LE(ReadFile(DefaultCalibrationPath())), "Fine");
    EXPECT_EQ(ResultTexts(), (QStringList{"Line 0", "Length 200.00 um"}));
}

TEST_F(CalibrationPaneTest, ManualCalibrationOnADrawnRulerAddsARecord) {
    StoreFiles(R"(<LOBRIN><Calibration name="Data">)"
               R"(<caldata name="Before" Unit="mm" ValueX="60.000000" ValueY="2.0"/>)"
               R"(</Calibration></LOBRIN>)",
               "Before");
    Build(true);
    DrawRuler(120);
    EXPECT_EQ(ResultTexts(), (QStringList{"Line 0", "Length 20.00 mm"}));
    Calibrate("CAL1", "1");
    EXPECT_TRUE(boxes.empty());
    // The real length is kept as it stands in the grid ("1", or "1.0" when
    // the list completed it).
    const QString typed = LengthItem()->value();
    EXPECT_TRUE(typed == "1" || typed == "1.0") << typed.toStdString();
    EXPECT_TRUE(ReadFile(home.filePath("data.xml"))
                    .contains(R"(<caldata name="CAL1" Unit="mm" ValueX="1200.000000" ValueY=")" +
                              typed.toUtf8() + R"("/>)"));
    ASSERT_EQ(List()->rowCount(), 2);
    EXPECT_EQ(Row(1), (QStringList{"CAL1", "mm", typed}));
    EXPECT_EQ(Current(), "Before");
    EXPECT_EQ(g_calibration.selectedName, "Before");
    EXPECT_EQ(g_calibration.lastLineLength, 0.0);
    // The new scale is in effect at once, and the list follows it.
    EXPECT_EQ(ResultTexts(), (QStringList{"Line 0", "Length 1.00 mm"}));

    // Applied later, a new 120-pixel line reads 1 mm.
    g_calibration.scale = 60.0;
    ClickRow(1);
    Click("applyCalibration");
    EXPECT_EQ(Current(), "CAL1");
    ruler.RemoveAll();
    DrawRuler(120);
    EXPECT_EQ(ResultTexts(), (QStringList{"Line 0", "Length 1.00 mm"}));
}

TEST_F(CalibrationPaneTest, ManualCalibrationNeedsALineDrawnSinceStart) {
    StoreFiles(kTwoRecords);
    Build();
    // The starting last line length (2) is no line on any picture.
    Calibrate("CAL2", "2");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Please draw a distance line over the ruler first");
    EXPECT_EQ(List()->rowCount(), 2);
    EXPECT_FALSE(ReadFile(home.filePath("data.xml")).contains("CAL2"));
    EXPECT_EQ(g_calibration.scale, 60.0);
}

TEST_F(CalibrationPaneTest, ManualCalibrationRefusesWithAClearMessage) {
    StoreFiles(kTwoRecords);
    Build();
    const auto lastMessage = [this] {
        EXPECT_FALSE(boxes.empty());
        if (boxes.empty()) {
            return QString();
        }
        EXPECT_EQ(boxes.back().caption, "");
        EXPECT_EQ(boxes.back().buttons, QMessageBox::Ok);
        return boxes.back().text;
    };
    DrawRuler(120);
    Click("manualCalibrationOk");
    EXPECT_EQ(lastMessage(), "Can not be empty");
    Calibrate("cal1", "1");
    EXPECT_EQ(lastMessage(), "The calibration title exist");
    Calibrate("CAL2", "abc");
    EXPECT_EQ(lastMessage(), "The real length must be a number greater than 0");
    Calibrate("CAL2", "0");
    EXPECT_EQ(lastMessage(), "The real length must be a number greater than 0");
    g_calibration.lastLineLength = 0.0;
    Calibrate("CAL2", "1");
    EXPECT_EQ(lastMessage(), "Please draw a distance line over the ruler first");

    // data.xml that cannot be replaced: nothing is added.
    DrawRuler(120);
    QFile::remove(home.filePath("data.xml"));
    QDir(home.path()).mkdir("data.xml");
    Click("manualCalibrationOk");
    EXPECT_EQ(lastMessage(), "The calibrations could not be saved to data.xml");
    EXPECT_EQ(g_calibration.scale, 60.0);
    EXPECT_EQ(boxes.size(), 6u);
}

TEST_F(CalibrationPaneTest, TheGridUnitIsTheUnitTheRulerIsReadIn) {
    Build();
    // Chosen before drawing: the ruler reads 20000 um; 1000 um is 1 mm.
    ChooseUnit("um");
    EXPECT_EQ(g_calibration.unit, "um");
    EXPECT_EQ(g_calibration.unitFactor, 10000.0);
    DrawRuler(120);
    EXPECT_DOUBLE_EQ(g_calibration.lastLineLength, 20000.0);
    Calibrate("Micro", "1000");
    EXPECT_DOUBLE_EQ(g_calibration.scale, 1200.0);

    // Chosen after drawing: the drawn line is read in the new unit.
    g_calibration.scale = 60.0;
    ChooseUnit("mm");
    DrawRuler(120);
    ChooseUnit("cm");
    EXPECT_DOUBLE_EQ(g_calibration.lastLineLength, 2.0);
    Calibrate("Centi", "0.1");
    EXPECT_DOUBLE_EQ(g_calibration.scale, 1200.0);

    // Switched elsewhere to micrometres while the grid says millimetres:
    // the length typed is taken in millimetres.
    g_calibration.scale = 60.0;
    ChooseUnit("mm");
    g_calibration.unit = "um";
    UnitFactor();
    DrawRuler(120);
    Calibrate("Milli", "1");
    EXPECT_DOUBLE_EQ(g_calibration.scale, 1200.0);
    EXPECT_EQ(g_calibration.unit, "mm");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(CalibrationPaneTest, TheQuestionMarkShowsTheFourSteps) {
    Build();
    QStringList shown;
    QTimer::singleShot(0, [&shown] {
        auto* dialog = qobject_cast<CStepDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shown << dialog->windowTitle();
        for (int step = 1; step <= 4; ++step) {
            shown << dialog->findChild<QLabel*>(QStringLiteral("step%1").arg(step))->text();
        }
        dialog->accept();
    });
    Click("calibrationSteps");
    ASSERT_EQ(shown.size(), 5);
    EXPECT_EQ(shown[0], "Manual Calibration");
    EXPECT_TRUE(shown[1].startsWith(QString::fromUtf8("1：Place standard ruler")));
    EXPECT_EQ(shown[4], QString::fromUtf8("Click [OK] button，complete calibration"));
}

} // namespace

namespace {

TEST_F(CalibrationPaneTest, SaysWhenTheCalibrationInUseWasMadeOnAnotherCameraOrSize) {
    StoreFiles(R"(<LOBRIN><Calibration name="Data">)"
               R"(<caldata name="Live" Unit="mm" ValueX="1200.000000" ValueY="1.0">)"
               R"(<camera id="usb-1" width="1280" height="720"/></caldata>)"
               R"(<caldata name="Plain" Unit="mm" ValueX="600.000000" ValueY="1.0"/>)"
               R"(</Calibration></LOBRIN>)",
               "Live");
    Build();
    auto* note = View()->findChild<QLabel*>("calibrationCameraNote");
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(note->isHidden());
    EXPECT_EQ(List()->item(0, 0)->toolTip(), "Made on usb-1 at 1280 × 720");
    EXPECT_TRUE(List()->item(1, 0)->toolTip().isEmpty());

    View()->ShowCameraInUse(CCalibrationCamera{"usb-1", 640, 360});
    EXPECT_FALSE(note->isHidden());
    EXPECT_TRUE(note->text().contains("1280 × 720")) << note->text().toStdString();
    View()->ShowCameraInUse(CCalibrationCamera{"usb-2", 1280, 720});
    EXPECT_EQ(note->text(), "The calibration in use was made on another camera");
    View()->ShowCameraInUse(CCalibrationCamera{"usb-1", 1280, 720});
    EXPECT_TRUE(note->isHidden());

    // A calibration that does not say where it was made says nothing.
    View()->ShowCameraInUse(CCalibrationCamera{"usb-2", 1280, 720});
    ClickRow(1);
    Click("applyCalibration");
    EXPECT_EQ(Current(), "Plain");
    EXPECT_TRUE(note->isHidden());
    View()->ShowCameraInUse(std::nullopt);
    EXPECT_TRUE(note->isHidden());
}

} // namespace
