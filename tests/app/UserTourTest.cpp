#include "calibration/ui/CCalManageFormView.h"
#include "calibration/ui/CCalManageFormWnd.h"
#include "camera/ui/CDeviceView.h"
#include "camera/ui/LiveCommands.h"
#include "framework/ui/PropertyGrid.h"
#include "reports/ui/CMeasureResultFormView.h"
#include "reports/ui/CMeasureResultFormWnd.h"
#include "tests/app/MainFrameCameraFixture.h"
#include "tests/framework/PropertyGridInput.h"
#include "tests/reports/PaneTestSupport.h"

#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>

// The short tour the README opens with, as a microscope user takes it on the
// virtual microscope: calibrate on the ruler along the top of the picture,
// measure the disc, take a snapshot. Each step keeps a screenshot of the
// window (build/artefacts/tour-*.png); scripts/screenshots copies those made
// on the virtual X server into the documentation.

namespace {

using UserTourTest = MainFrameCameraTest;

TEST_F(UserTourTest, CalibrateOnTheRulerMeasureTheDiscAndTakeASnapshot) {
    g_parameters.measuredecimal = 3;
    CDeviceView* view = OpenVirtualMicroscope();
    ASSERT_NE(view, nullptr);
    QWidget* picture = view->viewport();

    // The ruler's ticks are a twentieth of the 640-pixel width apart: ten of
    // them, taken as 1 mm, make the calibration.
    frame->RouteCommand(ID_MEASURE_LINE);
    Click(picture, QPoint(32, 12));
    Click(picture, QPoint(352, 12));
    Click(picture, QPoint(150, 40));
    Settle();
    auto* manager = frame->findChild<CCalManageFormView*>();
    ASSERT_NE(manager, nullptr);
    auto* grid = manager->findChild<CPropertyGrid*>(QStringLiteral("manualCalibration"));
    TypeProperty(*grid, grid->topLevelItem(0), QStringLiteral("10x objective"));
    TypeProperty(*grid, grid->findItem(103), QStringLiteral("1"));
    QTest::mouseClick(manager->findChild<QPushButton*>(QStringLiteral("manualCalibrationOk")),
                      Qt::LeftButton);
    Settle();
    auto* list = manager->findChild<QTableWidget*>(QStringLiteral("calibrationList"));
    ASSERT_EQ(list->rowCount(), 1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(0, 1)).center());
    QTest::mouseClick(manager->findChild<QPushButton*>(QStringLiteral("applyCalibration")),
                      Qt::LeftButton);
    Settle();
    EXPECT_EQ(g_calibration.selectedName, QStringLiteral("10x objective"));
    EXPECT_DOUBLE_EQ(g_calibration.scale, 3200.0);
    WaitForFreshFrames(*view);
    KeepScreenshot(QStringLiteral("tour-1-calibrate"));

    // The disc in the middle is a quarter of the 480-pixel height across.
    frame->RouteCommand(ID_MEASURE_DCIRCLE);
    Click(picture, QPoint(260, 240));
    Click(picture, QPoint(380, 240));
    Click(picture, QPoint(400, 190));
    Settle();
    frame->findChild<CMeasureResultFormWnd*>()->raise();
    Settle();
    auto* results = frame->findChild<CMeasureResultFormView*>()->findChild<QTreeWidget*>(
        QStringLiteral("measureResults"));
    ASSERT_EQ(results->topLevelItemCount(), 2);
    EXPECT_EQ(results->topLevelItem(0)->child(0)->text(0), "Length 1.000 mm");
    EXPECT_EQ(results->topLevelItem(1)->child(0)->text(0), "Diameter 0.375 mm");
    WaitForFreshFrames(*view);
    KeepScreenshot(QStringLiteral("tour-2-measure"));

    frame->RouteCommand(ID_TAKE_PICTURE);
    QTRY_VERIFY_WITH_TIMEOUT(!view->Commands().LastSavedPicture().isEmpty(), 10000);
    Settle();
    KeepScreenshot(QStringLiteral("tour-3-snapshot"));
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join('\n').toStdString();
}

} // namespace
