#include "tests/support/TestEnvironment.h"
#include "tools/ui/CAddTextDlg.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

class AddTextDlgTest : public ::testing::Test {
protected:
    template <typename T>
    T* Child(const char* name) {
        T* child = dialog.findChild<T*>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QPushButton* Button(QDialogButtonBox::StandardButton which) {
        return dialog.findChild<QDialogButtonBox*>()->button(which);
    }
    // Runs the dialog, typing `text` and clicking `which` once it shows.
    int RunAndClick(const QString& text, QDialogButtonBox::StandardButton which) {
        QTimer::singleShot(0, &dialog, [this, text, which] {
            QTest::keyClicks(Child<QLineEdit>("text"), text);
            QTest::mouseClick(Button(which), Qt::LeftButton);
        });
        return dialog.exec();
    }

    ScopedProgramFolder home;
    CAddTextDlg dialog;
};

} // namespace

TEST_F(AddTextDlgTest, OkReturnsTheTypedTextOnly) {
    EXPECT_EQ(dialog.windowTitle(), "Add Text");
    EXPECT_EQ(RunAndClick(QStringLiteral("scratch 2"), QDialogButtonBox::Ok), QDialog::Accepted);
    EXPECT_EQ(dialog.text(), "scratch 2");
}

TEST_F(AddTextDlgTest, CancelReturnsNothing) {
    EXPECT_EQ(RunAndClick(QStringLiteral("ignored"), QDialogButtonBox::Cancel), QDialog::Rejected);
    EXPECT_EQ(dialog.text(), QString());
}

TEST_F(AddTextDlgTest, ListsOfferTheFacesAndSizesWithArialAndFiveFirst) {
    auto* sizes = Child<QComboBox>("size");
    ASSERT_EQ(sizes->count(), 17);
    EXPECT_EQ(sizes->itemText(0), "1");
    EXPECT_EQ(sizes->itemText(11), "12");
    EXPECT_EQ(sizes->itemText(12), "14");
    EXPECT_EQ(sizes->itemText(16), "22");
    EXPECT_EQ(sizes->currentText(), "5");

    auto* faces = Child<QComboBox>("face");
    ASSERT_GT(faces->count(), 0);
    // Arial, or the face that stands in for it on this system.
    const QString arial = QFontInfo(QFont(QStringLiteral("Arial"))).family();
    if (faces->findText(QStringLiteral("Arial")) >= 0) {
        EXPECT_EQ(faces->currentText(), "Arial");
    } else if (faces->findText(arial) >= 0) {
        EXPECT_EQ(faces->currentText(), arial);
    }
    EXPECT_EQ(Child<QLabel>("sample")->font().family(), faces->currentText());
}

TEST_F(AddTextDlgTest, SampleFollowsTheFaceAndSize) {
    auto* sizes = Child<QComboBox>("size");
    auto* faces = Child<QComboBox>("face");
    auto* sample = Child<QLabel>("sample");
    EXPECT_EQ(dialog.sampleHeight(), 15);
    EXPECT_EQ(dialog.sampleWidth(), 14); // 15 × 15 / 16 as the face was picked

    sizes->setCurrentIndex(sizes->findText(QStringLiteral("12")));
    EXPECT_EQ(dialog.sampleHeight(), 36);
    EXPECT_EQ(dialog.sampleWidth(), 36);
    EXPECT_EQ(sample->font().pixelSize(), 36);
    // A width as large as the height stretches the face beyond its own width.
    EXPECT_GT(sample->font().stretch(), 100);

    if (faces->count() > 1) {
        const int other = faces->currentIndex() == 0 ? 1 : 0;
        faces->setCurrentIndex(other);
        EXPECT_EQ(sample->font().family(), faces->itemText(other));
        EXPECT_EQ(dialog.sampleHeight(), 36);
        EXPECT_EQ(dialog.sampleWidth(), 81);
    }
}
