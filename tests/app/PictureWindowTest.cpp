#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "app/DocTemplates.h"
#include "app/Parameters.h"
#include "calibration/CCalManageFormView.h"
#include "calibration/CCalManageFormWnd.h"
#include "calibration/Calibration.h"
#include "calibration/CalibrationFiles.h"
#include "framework/ChildFrame.h"
#include "framework/FileDialog.h"
#include "framework/MessageBox.h"
#include "framework/PropertyGrid.h"
#include "image/CLOBRINDoc.h"
#include "reports/CMeasureResultFormView.h"
#include "reports/CMeasureResultFormWnd.h"
#include "shapes/ShapeList.h"
#include "tests/image/ImageTestSupport.h"
#include "tests/reports/PaneTestSupport.h"
#include "tests/support/TestEnvironment.h"
#include "tools/CLOBRINView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

namespace {

// The application's main frame with its real document templates and panes:
// a picture is opened with Open Picture and measured with the mouse, and the
// panes are used as a user uses them.
class PictureWindowTest : public ::testing::Test {
protected:
    PictureWindowTest() {
        g_calibration = CCurrentCalibration{};
        g_calibrationStore = CCalibrationStore{};
        g_parameters.measuredecimal = 2;
        SetMessageBoxResponder([this](const MessageBoxRequest& request) {
            boxes.push_back(request);
            return QMessageBox::Yes;
        });
        RegisterDocTemplates(m_docs);
    }
    ~PictureWindowTest() override {
        frame.reset();
        SetMessageBoxResponder({});
        SetFileDialogResponder({});
        ClearResultsList();
        g_calibration = CCurrentCalibration{};
        g_calibrationStore = CCalibrationStore{};
    }

    void Build() {
        frame = std::make_unique<CMainFrame>(m_docs);
        frame->resize(1280, 800);
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        Settle();
    }

    // Open Picture, answering the file dialog with a picture written first.
    void OpenPicture(const CDib& picture) {
        const QString path = home.filePath("ruler.bmp");
        ASSERT_TRUE(picture.Save(path.toStdString(), ImageType::Bmp));
        SetFileDialogResponder([path](const FileDialogRequest&) {
            return std::optional<FileDialogAnswer>(FileDialogAnswer{path, 0});
        });
        frame->RouteCommand(ID_FILE_OPEN);
        SetFileDialogResponder({});
        auto* child = frame->activeChildFrame();
        ASSERT_NE(child, nullptr);
        view = static_cast<CLOBRINView*>(&child->view());
        Settle();
    }

    void ClickView(QPoint at) {
        QTest::mouseMove(view->viewport(), at);
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at);
    }
    // A distance line of `length` pixels along row y, its label below it.
    void DrawLine(int y, int length) {
        frame->RouteCommand(ID_MEASURE_LINE);
        ClickView({20, y});
        ClickView({20 + length, y});
        ClickView({40, y + 15});
        frame->RouteCommand(ID_MEASURE_LINE); // the tool off again
        Settle();
    }

    QWidget* Manager() const { return frame->calibrationPane()->view(); }
    QWidget* Results() const { return frame->resultsPane()->view(); }
    QStringList ResultTexts() const {
        return TreeTexts(Results()->findChild<QTreeWidget*>("measureResults"));
    }
    void ClickButton(QWidget* pane, const char* name) {
        QTest::mouseClick(pane->findChild<QPushButton*>(name), Qt::LeftButton);
        Settle();
    }
    // Types into a field of the manual calibration as a user does.
    void TypeInto(int row, const QString& text) {
        auto* grid = Manager()->findChild<CPropertyGrid*>("manualCalibration");
        auto* tree = grid->findChild<QTreeWidget*>();
        CPropertyGridItem* item = grid->topLevelItem(row);
        const QRect cell = tree->visualItemRect(item);
        QTest::mouseClick(
            tree->viewport(), Qt::LeftButton, {},
            QPoint(tree->header()->sectionViewportPosition(1) + 10, cell.center().y()));
        QWidget* editor = tree->indexWidget(tree->indexFromItem(item, 1));
        ASSERT_NE(editor, nullptr);
        if (auto* combo = qobject_cast<QComboBox*>(editor)) {
            combo->lineEdit()->selectAll();
        } else {
            qobject_cast<QLineEdit*>(editor)->selectAll();
        }
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        Settle();
    }

    ScopedProgramFolder home;
    std::unique_ptr<CMainFrame> frame;
    CLOBRINView* view = nullptr;
    std::vector<MessageBoxRequest> boxes;

private:
    CDocManager m_docs;
};

} // namespace

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
