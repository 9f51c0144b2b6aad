#include "calibration/Calibration.h"
#include "calibration/CalibrationFiles.h"
#include "camera/VideoShape.h"
#include "core/FileWriting.h"
#include "core/Parameters.h"
#include "framework/ui/MessageBox.h"
#include "framework/ui/PropertyGrid.h"
#include "reports/ActiveImage.h"
#include "reports/ui/CMeasureResultFormView.h"
#include "reports/ui/CMeasureResultFormWnd.h"
#include "shapes/ShapeKinds.h"
#include "tests/reports/PaneTestSupport.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {

// Counts the notifications of one kind that reach an object.
class PostCounter : public QObject {
public:
    explicit PostCounter(int message)
        : m_message(message) {}
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == CPostedEvent::Type() &&
            static_cast<CPostedEvent*>(event)->message() == m_message) {
            ++count;
        }
        return false;
    }

private:
    int m_message;
};

class ResultsPaneTest : public ::testing::Test {
protected:
    ResultsPaneTest() {
        g_calibration = CCurrentCalibration{};
        g_calibrationStore = CCalibrationStore{};
        g_parameters.measuredecimal = 2;
        g_activeImage = CActiveImage{640, 480};
        SetMessageBoxResponder([this](const MessageBoxRequest& request) {
            boxes.push_back(request);
            return answer;
        });
        pane = std::make_unique<CMeasureResultFormWnd>(QStringLiteral("Results"));
        pane->resize(320, 640);
        pane->show();
    }
    ~ResultsPaneTest() override {
        pane.reset();
        SetMessageBoxResponder({});
        ClearResultsList();
        g_liveShapes.shapes.clear();
        g_calibration = CCurrentCalibration{};
        g_calibrationStore = CCalibrationStore{};
        g_activeImage = CActiveImage{};
    }

    CMeasureResultFormView* View() const { return pane->view(); }
    QTreeWidget* Tree() const { return View()->findChild<QTreeWidget*>("measureResults"); }
    CPropertyGrid* Grid() const { return View()->findChild<CPropertyGrid*>("documentProperties"); }
    QPushButton* Button(const char* name) const { return View()->findChild<QPushButton*>(name); }

    // Adds completed shapes to the document and lists them as the view does.
    void Draw(std::unique_ptr<CShape> shape) {
        document.Add(std::move(shape));
        RefillResultsList(document);
        PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_RESULTS, 0, 0);
        Settle();
    }

    void Select(const QString& text) {
        const QList<QTreeWidgetItem*> found =
            Tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(found.size(), 1) << text.toStdString();
        QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {},
                          Tree()->visualItemRect(found[0]).center());
        ASSERT_EQ(Tree()->selectedItems().value(0), found[0]);
    }

    // Picks `value` from the drop-down of the property with item data `data`,
    // clicking its value cell as a user does.
    void Choose(int data, const QString& value) {
        CPropertyGridItem* item = Grid()->findItem(data);
        ASSERT_NE(item, nullptr);
        auto* tree = Grid()->findChild<QTreeWidget*>();
        const QRect row = tree->visualItemRect(item);
        QTest::mouseClick(
            tree->viewport(), Qt::LeftButton, {},
            QPoint(tree->header()->sectionViewportPosition(1) + 10, row.center().y()));
        auto* combo = qobject_cast<QComboBox*>(tree->indexWidget(tree->indexFromItem(item, 1)));
        ASSERT_NE(combo, nullptr);
        const int index = combo->findText(value);
        ASSERT_GE(index, 0) << value.toStdString();
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

    ScopedProgramFolder home;
    CShapeList document;
    std::unique_ptr<CMeasureResultFormWnd> pane;
    std::vector<MessageBoxRequest> boxes;
    QMessageBox::StandardButton answer = QMessageBox::Yes;
};

TEST_F(ResultsPaneTest, ListsEachMeasurementWithItsValuesExpanded) {
    Draw(MeasuredShape(MeasureMode::kLine, {{10, 20}, {130, 20}, {60, 40}}));
    EXPECT_EQ(TreeTexts(Tree()), (QStringList{"Line 0", "Length 20.00 mm"}));

    Draw(MeasuredShape(MeasureMode::kRectangle, {{10, 10}, {70, 40}, {80, 50}}));
    // An arc of radius 10 mm over 90 degrees: centre (100, 100).
    Draw(MeasuredShape(MeasureMode::kArc,
                       {{160, 100}, {100, 40}, {142.42640687119285, 57.573593128807147}, {5, 5}}));
    EXPECT_EQ(TreeTexts(Tree()),
              (QStringList{"Line 0", "Length 20.00 mm", "Rectangle 1", "Width 10.00 mm",
                           "Height 5.00 mm", "Girth 30.00 mm", "Area 50.00 mm²", "Arc 2",
                           "Radius 10.00 mm", "Angle 90.00°", "Area 78.54 mm²", "Radian 15.71 "}));
    for (int i = 0; i < Tree()->topLevelItemCount(); ++i) {
        EXPECT_TRUE(Tree()->topLevelItem(i)->isExpanded());
    }

    // wParam 2 keeps the list; an empty list gives an empty tree.
    ClearResultsList();
    PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_RESULTS, 2, 0);
    Settle();
    EXPECT_EQ(Tree()->topLevelItemCount(), 3);
    PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_RESULTS, 0, 0);
    Settle();
    EXPECT_EQ(Tree()->topLevelItemCount(), 0);
}

TEST_F(ResultsPaneTest, DeletingAnEntryRemovesThatShapeAndRenumbers) {
    FakeImageView imageView(document);
    Draw(MeasuredShape(MeasureMode::kLine, {{10, 20}, {130, 20}, {60, 40}}));
    Draw(MeasuredShape(MeasureMode::kText, {{30, 30}}, "Gap A"));
    Draw(MeasuredShape(MeasureMode::kRadiusCircle, {{100, 100}, {160, 100}, {170, 110}}));

    // A value row is not a measurement: nothing is asked or removed.
    Select("Gap A");
    QTest::mouseClick(Button("deleteResult"), Qt::LeftButton);
    Settle();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(document.Count(), 3u);

    // Answering No keeps the shape.
    answer = QMessageBox::No;
    Select("Text 1");
    QTest::mouseClick(Button("deleteResult"), Qt::LeftButton);
    Settle();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Are you sure delete?");
    EXPECT_EQ(boxes[0].caption, "");
    EXPECT_EQ(boxes[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(document.Count(), 3u);

    answer = QMessageBox::Yes;
    Select("Text 1");
    QTest::mouseClick(Button("deleteResult"), Qt::LeftButton);
    Settle();
    ASSERT_EQ(imageView.Count(UM_REMOVE_SHAPES), 1);
    EXPECT_EQ(imageView.received.back(), (std::array<std::intptr_t, 3>{UM_REMOVE_SHAPES, 10, 1}));
    ASSERT_EQ(document.Count(), 2u);
    EXPECT_EQ(document.At(1).kind, ShapeKind::kRadiusCircle);
    // The circle moved up to where the text was; it must not be taken for it.
    EXPECT_TRUE(Tree()->selectedItems().isEmpty());
    EXPECT_EQ(TreeTexts(Tree()),
              (QStringList{"Line 0", "Length 20.00 mm", "Circle 1", "Radius 10.00 mm",
                           "Girth 62.83 mm", "Area 314.16 mm²"}));

    // Another picture activated while the question is open: its shapes are
    // not the one chosen, and none of them goes.
    CShapeList other;
    other.Add(MeasuredShape(MeasureMode::kLine, {{10, 20}, {130, 20}, {60, 40}}));
    other.Add(MeasuredShape(MeasureMode::kLine, {{10, 60}, {70, 60}, {60, 80}}));
    Select("Circle 1");
    SetMessageBoxResponder([&other](const MessageBoxRequest&) {
        RefillResultsList(other);
        return QMessageBox::Yes;
    });
    QTest::mouseClick(Button("deleteResult"), Qt::LeftButton);
    Settle();
    EXPECT_EQ(imageView.Count(UM_REMOVE_SHAPES), 1);
    EXPECT_EQ(other.Count(), 2u);
    EXPECT_EQ(g_resultsList.shapes.size(), 2u);
    ClearResultsList();
}

TEST_F(ResultsPaneTest, DeleteAllAsksThenRemovesEveryShape) {
    FakeImageView imageView(document);
    // Nothing listed: nothing to ask about.
    QTest::mouseClick(Button("deleteAllResults"), Qt::LeftButton);
    EXPECT_TRUE(boxes.empty());

    Draw(MeasuredShape(MeasureMode::kLine, {{10, 20}, {130, 20}, {60, 40}}));
    Draw(MeasuredShape(MeasureMode::kLine, {{10, 60}, {70, 60}, {60, 80}}));
    answer = QMessageBox::No;
    QTest::mouseClick(Button("deleteAllResults"), Qt::LeftButton);
    Settle();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Are you sure delete?");
    EXPECT_EQ(document.Count(), 2u);
    EXPECT_EQ(Tree()->topLevelItemCount(), 2);

    answer = QMessageBox::Yes;
    QTest::mouseClick(Button("deleteAllResults"), Qt::LeftButton);
    Settle();
    EXPECT_EQ(imageView.received.back(), (std::array<std::intptr_t, 3>{UM_REMOVE_SHAPES, 0, 0}));
    EXPECT_TRUE(document.IsEmpty());
    EXPECT_TRUE(g_resultsList.shapes.empty());
    EXPECT_EQ(Tree()->topLevelItemCount(), 0);
}

TEST_F(ResultsPaneTest, TheDocumentPropertiesShowAndSwitchTheCalibration) {
    FakeImageView imageView(document);
    g_calibrationStore.records = {{"CAL1", "mm", "1200.000000", "1.0"},
                                  {"Fine", "um", "6000.000000", "100"}};
    ASSERT_TRUE(SaveCalibrations());
    WriteDefaultCalibration("CAL1");
    g_activeImage = CActiveImage{1280, 1024};
    PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_PROPERTIES);
    Settle();

    ASSERT_EQ(Grid()->topLevelCount(), 4);
    EXPECT_EQ(Grid()->topLevelItem(0)->name(), "Image width");
    EXPECT_EQ(Grid()->topLevelItem(0)->value(), "1280");
    EXPECT_FALSE(Grid()->topLevelItem(0)->allowsEdit());
    EXPECT_EQ(Grid()->topLevelItem(1)->value(), "1024");
    CPropertyGridItem* calibrator = Grid()->findItem(105);
    ASSERT_NE(calibrator, nullptr);
    EXPECT_EQ(calibrator->value(), "Uncalibrated");
    EXPECT_EQ(calibrator->options(), (QStringList{"CAL1", "Fine"}));
    EXPECT_EQ(Grid()->findItem(106)->value(), "mm");

    // Picking a calibrator measures with it at once, relabels the picture
    // and leaves the manager's choice alone.
    Draw(MeasuredShape(MeasureMode::kLine, {{10, 20}, {130, 20}, {60, 40}}));
    Choose(105, "Fine");
    Settle();
    EXPECT_EQ(g_calibration.scale, 6000.0);
    EXPECT_EQ(g_calibration.unit, "um");
    EXPECT_EQ(g_calibration.referenceLength, 100.0);
    EXPECT_EQ(g_calibration.selectedName, "");
    EXPECT_EQ(FromUtf16LE(ReadFile(DefaultCalibrationPath())), "CAL1");
    EXPECT_EQ(Grid()->findItem(106)->value(), "um");
    EXPECT_EQ(TreeTexts(Tree()), (QStringList{"Line 0", "Length 200.00 um"}));
    EXPECT_EQ(imageView.Count(UM_REPAINT), 1);

    // The unit alone: every value is listed again in micrometres.
    Choose(106, "mm");
    Settle();
    EXPECT_EQ(TreeTexts(Tree()), (QStringList{"Line 0", "Length 0.20 mm"}));
    Choose(106, "um");
    Settle();
    EXPECT_EQ(g_calibration.unitFactor, 10000.0);
    EXPECT_EQ(TreeTexts(Tree()), (QStringList{"Line 0", "Length 200.00 um"}));
    EXPECT_EQ(imageView.Count(UM_REPAINT), 3);
}

TEST_F(ResultsPaneTest, RebuildingThePropertiesRelistsValuesInTheNewCalibration) {
    Draw(MeasuredShape(MeasureMode::kLine, {{10, 20}, {130, 20}, {60, 40}}));
    g_calibration.scale = 1200.0;
    // As after a manual calibration: properties again, the list kept.
    PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_RESULTS, 2, 2);
    Settle();
    EXPECT_EQ(TreeTexts(Tree()), (QStringList{"Line 0", "Length 1.00 mm"}));
}

TEST_F(ResultsPaneTest, ShapeNotificationsOfOneTurnPostOneRefresh) {
    PostCounter refreshes(UM_REFRESH_RESULTS);
    View()->installEventFilter(&refreshes);
    // Every completed polygon asks for a relist each time it is measured, as
    // happens on each repaint.
    std::unique_ptr<CShape> polygon =
        MeasuredShape(MeasureMode::kPolygon,
                      {{10, 10}, {70, 10}, {70, 70}, {10, 70}, {}, {}, {}, {}, {}, {}, {5, 5}});
    Settle();
    refreshes.count = 0;
    for (int repaint = 0; repaint < 50; ++repaint) {
        polygon->ComputeResults();
    }
    Settle();
    EXPECT_EQ(refreshes.count, 1);
    polygon->ComputeResults();
    Settle();
    EXPECT_EQ(refreshes.count, 2);
    View()->removeEventFilter(&refreshes);
}

TEST_F(ResultsPaneTest, AnUnchangedRelistKeepsTheSelection) {
    Draw(MeasuredShape(MeasureMode::kLine, {{10, 20}, {130, 20}, {60, 40}}));
    Draw(MeasuredShape(MeasureMode::kLine, {{10, 60}, {70, 60}, {60, 80}}));
    Select("Line 1");
    PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_RESULTS, 0, 0);
    Settle();
    ASSERT_EQ(Tree()->selectedItems().size(), 1);
    EXPECT_EQ(Tree()->selectedItems()[0]->text(0), "Line 1");
    // A change elsewhere in the list keeps the same measurement selected.
    g_calibration.scale = 30.0;
    PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_RESULTS, 0, 0);
    Settle();
    ASSERT_EQ(Tree()->selectedItems().size(), 1);
    EXPECT_EQ(Tree()->selectedItems()[0]->text(0), "Line 1");
    EXPECT_EQ(Tree()->selectedItems()[0]->child(0)->text(0), "Length 20.00 mm");
}

TEST_F(ResultsPaneTest, TheLiveListIsListedAndDeletedFrom) {
    FakeImageView imageView(document);
    g_liveShapes.shapes.push_back(
        std::make_unique<CVideoShap>(CVideoShap{LiveKind::kLine, {120, 0, 0}, {}}));
    g_liveShapes.shapes.push_back(
        std::make_unique<CVideoShap>(CVideoShap{LiveKind::kText, {}, "live note"}));
    PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_RESULTS, 1, 0);
    Settle();
    EXPECT_EQ(View()->source(), 1);
    EXPECT_EQ(TreeTexts(Tree()), (QStringList{"Line 0", "Length 20.00 mm", "Text 1", "live note"}));

    Select("Line 0");
    QTest::mouseClick(Button("deleteResult"), Qt::LeftButton);
    Settle();
    ASSERT_EQ(g_liveShapes.shapes.size(), 1u);
    EXPECT_EQ(g_liveShapes.shapes[0]->labelText, "live note");
    EXPECT_EQ(TreeTexts(Tree()), (QStringList{"Text 0", "live note"}));
    EXPECT_EQ(imageView.Count(UM_REMOVE_SHAPES), 0);

    QTest::mouseClick(Button("deleteAllResults"), Qt::LeftButton);
    Settle();
    EXPECT_TRUE(g_liveShapes.shapes.empty());
    EXPECT_EQ(Tree()->topLevelItemCount(), 0);
    EXPECT_EQ(imageView.Count(UM_REMOVE_SHAPES), 0);
}

TEST_F(ResultsPaneTest, StatisticsFollowTheListAndTheUnit) {
    auto* statistics = View()->findChild<QTreeWidget*>("measureStatistics");
    ASSERT_NE(statistics, nullptr);
    EXPECT_EQ(statistics->topLevelItemCount(), 0);
    const auto rows = [statistics] {
        QStringList texts;
        for (int i = 0; i < statistics->topLevelItemCount(); ++i) {
            QStringList row;
            for (int column = 0; column < statistics->columnCount(); ++column) {
                row << statistics->topLevelItem(i)->text(column);
            }
            texts << row.join(u'|');
        }
        return texts;
    };
    Draw(MeasuredShape(MeasureMode::kLine, {{10, 20}, {70, 20}, {60, 40}}));
    EXPECT_EQ(rows(), (QStringList{"Line Length (mm)|1|10.00|-|10.00|10.00"}));
    Draw(MeasuredShape(MeasureMode::kLine, {{10, 40}, {130, 40}, {60, 60}}));
    EXPECT_EQ(rows(), (QStringList{"Line Length (mm)|2|15.00|7.07|10.00|20.00"}));

    Choose(106, QStringLiteral("cm"));
    Settle();
    EXPECT_EQ(rows(), (QStringList{"Line Length (cm)|2|1.50|0.71|1.00|2.00"}));

    Select("Line 0");
    FakeImageView imageView(document);
    QTest::mouseClick(Button("deleteResult"), Qt::LeftButton);
    Settle();
    EXPECT_EQ(rows(), (QStringList{"Line Length (cm)|1|2.00|-|2.00|2.00"}));

    // The live list has its own.
    g_liveShapes.shapes.push_back(
        std::make_unique<CVideoShap>(CVideoShap{LiveKind::kLine, {120, 0, 0}, {}}));
    g_liveShapes.shapes.push_back(
        std::make_unique<CVideoShap>(CVideoShap{LiveKind::kLine, {240, 0, 0}, {}}));
    PostToReceiver(ReceiverRole::ResultsView, UM_REFRESH_RESULTS, 1, 0);
    Settle();
    EXPECT_EQ(rows(), (QStringList{"Line Length (cm)|2|3.00|1.41|2.00|4.00"}));
}

} // namespace
