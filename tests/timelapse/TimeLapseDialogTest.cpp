#include "core/Parameters.h"
#include "timelapse/ui/CTimeLapseDlg.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

namespace {

using namespace std::chrono_literals;

const QDateTime kNow(QDate(2026, 12, 9), QTime(8, 30, 5));

QPushButton* OkButton(CTimeLapseDlg& dialog) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text().contains("OK", Qt::CaseInsensitive)) {
            return button;
        }
    }
    return nullptr;
}

TEST(TimeLapseDialog, DescribesTheSeriesTheFieldsSetUp) {
    g_parameters.imageformat = 2;
    CTimeLapseDlg dialog("/pictures/SaveFile", kNow);
    dialog.show();
    CTimeLapseSettings settings = dialog.Settings();
    EXPECT_EQ(settings.plan.interval, 10s);
    EXPECT_EQ(settings.plan.count, 10);
    EXPECT_EQ(settings.format, 2);
    EXPECT_EQ(settings.PicturePath(1), "/pictures/SaveFile/20261209083005-0001.jpg");
    EXPECT_TRUE(dialog.findChild<QLabel*>("summary")->text().startsWith("10 pictures"));

    auto* duration = dialog.findChild<QDoubleSpinBox*>("duration");
    EXPECT_FALSE(duration->isEnabled());
    QTest::mouseClick(dialog.findChild<QRadioButton*>("byDuration"), Qt::LeftButton);
    EXPECT_TRUE(duration->isEnabled());
    EXPECT_FALSE(dialog.findChild<QSpinBox*>("count")->isEnabled());
    duration->setValue(2.0);
    dialog.findChild<QDoubleSpinBox*>("interval")->setValue(30.0);
    dialog.findChild<QComboBox*>("format")->setCurrentIndex(0);
    settings = dialog.Settings();
    EXPECT_EQ(settings.plan.count, 0);
    EXPECT_EQ(settings.plan.duration, 120s);
    EXPECT_EQ(settings.plan.Pictures(), 5);
    EXPECT_EQ(settings.format, 1);
    EXPECT_TRUE(dialog.findChild<QLabel*>("summary")->text().startsWith("5 pictures"));
    g_parameters = CParameters{};
}

TEST(TimeLapseDialog, OffersOkOnlyForANameThatIsNoPath) {
    CTimeLapseDlg dialog("/pictures", kNow);
    dialog.show();
    QPushButton* ok = OkButton(dialog);
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isEnabled());
    auto* prefix = dialog.findChild<QLineEdit*>("prefix");
    prefix->clear();
    EXPECT_FALSE(ok->isEnabled());
    QTest::keyClicks(prefix, "../up");
    EXPECT_EQ(prefix->text(), "..up") << "separators cannot be typed";
    EXPECT_TRUE(ok->isEnabled());

    // Without a snapshot folder there is nowhere to put the pictures.
    CTimeLapseDlg nowhere{QString(), kNow};
    EXPECT_FALSE(OkButton(nowhere)->isEnabled());
}

TEST(TimeLapseDialog, TheProgressLineFollowsTheControllerAndStopsIt) {
    TimeLapseTime now{0};
    CTimeLapseController controller(
        CTimeLapseSettings{CTimeLapsePlan{10s, 3, 0s}, "/nowhere", "x", 2},
        [] { return std::optional<CDib>(); }, nullptr, [&] { return now; });
    CTimeLapseProgress progress(&controller);
    progress.show();
    ASSERT_TRUE(controller.Start());
    auto* text = progress.findChild<QLabel*>("timeLapseText");
    EXPECT_EQ(text->text(), controller.ProgressText());
    EXPECT_TRUE(text->text().contains("1/3"));
    QSignalSpy finished(&controller, &CTimeLapseController::finished);
    QTest::mouseClick(progress.findChild<QPushButton*>("timeLapseStop"), Qt::LeftButton);
    EXPECT_EQ(finished.size(), 1);
    EXPECT_FALSE(controller.IsRunning());
    EXPECT_TRUE(progress.isHidden());
}

} // namespace
