#include "app/CLOBRINApp.h"
#include "app/CMainFrame.h"
#include "calibration/Calibration.h"
#include "calibration/ui/CCalManageFormView.h"
#include "calibration/ui/CCalManageFormWnd.h"
#include "framework/ui/PropertyGrid.h"
#include "tests/support/TestEnvironment.h"

#include <cstdio>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

// The program run twice on one program folder and settings store: what the
// first run applies, a fresh process finds applied.

namespace {

CLOBRINApp* g_app = nullptr;

// Set for the second process, which reports what it found and ends.
constexpr char kSecondRun[] = "MARNELO_RESTART_SECOND_RUN";

QWidget* CalibrationForm() {
    return g_app->mainFrame()->calibrationPane()->view();
}

// What the second run reports: the applied name as the pane shows it and the
// calibration in effect.
int ReportAppliedCalibration() {
    if (!g_app->InitInstance()) {
        return 2;
    }
    const QString shown = CalibrationForm()->findChild<QLabel*>("currentCalibration")->text();
    std::printf("%s|%s|%s|%.6f\n", qPrintable(shown), qPrintable(g_calibration.selectedName),
                qPrintable(g_calibration.unit), g_calibration.scale);
    g_app->ExitInstance();
    return 0;
}

} // namespace

TEST(Restart, TheAppliedCalibrationIsInEffectAfterARestart) {
    ASSERT_TRUE(g_app->InitInstance());
    QWidget* form = CalibrationForm();
    // A 120-pixel line measured 20 mm at the initial 60 pixels per cm.
    g_calibration.lastLineLength = 20.0;
    g_calibration.lineDrawn = true;
    auto* grid = form->findChild<CPropertyGrid*>("manualCalibration");
    grid->topLevelItem(0)->setValue(QStringLiteral("Ruler"));
    grid->findItem(103)->setValue(QStringLiteral("1"));
    QTest::mouseClick(form->findChild<QPushButton*>("manualCalibrationOk"), Qt::LeftButton);
    auto* list = form->findChild<QTableWidget*>("calibrationList");
    ASSERT_EQ(list->rowCount(), 1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(0, 1)).center());
    QTest::mouseClick(form->findChild<QPushButton*>("applyCalibration"), Qt::LeftButton);
    EXPECT_EQ(form->findChild<QLabel*>("currentCalibration")->text(), "Ruler");
    g_app->ExitInstance();

    QProcess second;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(kSecondRun, "1");
    second.setProcessEnvironment(environment);
    second.start(QCoreApplication::applicationFilePath(), {});
    ASSERT_TRUE(second.waitForFinished(60000)) << second.errorString().toStdString();
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromLocal8Bit(second.readAllStandardOutput()).trimmed(),
              "Ruler|Ruler|mm|1200.000000");
}

int main(int argc, char** argv) {
    // The second run keeps the first run's program folder and settings store.
    const bool secondRun = qEnvironmentVariableIsSet(kSecondRun);
    if (!secondRun) {
        SetUpIsolatedProcess();
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    CLOBRINApp app(argc, argv);
    g_app = &app;
    if (secondRun) {
        return ReportAppliedCalibration();
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
