#include "app/CSettingDialog.h"
#include "core/Folders.h"
#include "core/Language.h"
#include "core/Parameters.h"
#include "framework/PostedEvents.h"
#include "framework/ui/MessageBox.h"
#include "framework/ui/PropertyGrid.h"
#include "reports/ReportModel.h"
#include "reports/ReportOptions.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <vector>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

namespace {

// Stands in for the picture browser's thumbnail list.
class ThumbnailList : public QObject {
public:
    ThumbnailList()
        : registration(ReceiverRole::ThumbnailList, this) {}

    std::vector<std::array<std::intptr_t, 3>> received;
    CReceiverRegistration registration;

protected:
    void customEvent(QEvent* event) override {
        if (event->type() == CPostedEvent::Type()) {
            auto* posted = static_cast<CPostedEvent*>(event);
            received.push_back({posted->message(), posted->wParam(), posted->lParam()});
        }
    }
};

class SettingDialogTest : public ::testing::Test {
protected:
    SettingDialogTest() {
        g_folders.saveFolder = SnapshotFolderOf(home.path());
        SetMessageBoxResponder([this](const MessageBoxRequest& request) {
            messages.push_back(request);
            return QMessageBox::Ok;
        });
        CSettingDialog::SetFolderBrowser(
            [this](QWidget*, const QString& title, const QString& start) {
                browserTitle = title;
                browserStart = start;
                return browserAnswer;
            });
    }
    ~SettingDialogTest() override {
        SetMessageBoxResponder({});
        CSettingDialog::SetFolderBrowser({});
    }

    static void Click(QWidget* widget) {
        ASSERT_NE(widget, nullptr);
        QTest::mouseClick(widget, Qt::LeftButton);
    }
    static void ClickOk(CSettingDialog& dialog) {
        Click(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok));
    }
    static void ClickCancel(CSettingDialog& dialog) {
        Click(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel));
    }
    static QRadioButton* Radio(CSettingDialog& dialog, const char* name) {
        return dialog.findChild<QRadioButton*>(QLatin1String(name));
    }
    static CPropertyGrid* Grid(CSettingDialog& dialog) {
        return dialog.findChild<CPropertyGrid*>();
    }

    // Picks `text` from the drop-down list of the grid item with `data`, as a
    // user does: a click on the value opens the list, then keys move in it.
    static void PickFromList(CSettingDialog& dialog, int data, const QString& text) {
        dialog.show();
        CPropertyGridItem* item = Grid(dialog)->findItem(data);
        ASSERT_NE(item, nullptr);
        auto* tree = Grid(dialog)->findChild<QTreeWidget*>();
        tree->scrollToItem(item);
        const QPoint cell(tree->header()->sectionViewportPosition(1) + 10,
                          tree->visualItemRect(item).center().y());
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, cell);
        auto* combo = qobject_cast<QComboBox*>(tree->indexWidget(tree->indexFromItem(item, 1)));
        ASSERT_NE(combo, nullptr);
        const int target = combo->findText(text);
        ASSERT_GE(target, 0);
        const Qt::Key key = target > combo->currentIndex() ? Qt::Key_Down : Qt::Key_Up;
        for (int steps = std::abs(target - combo->currentIndex()); steps > 0; --steps) {
            QTest::keyClick(combo, key);
        }
    }

    static CParameters Stored() {
        const CParameters inMemory = g_parameters;
        g_parameters = CParameters{};
        g_parameters.measuredecimal = -1; // tells "not stored" from the default
        LoadParameters();
        const CParameters stored = g_parameters;
        g_parameters = inMemory;
        return stored;
    }

    ScopedProgramFolder home;
    std::vector<MessageBoxRequest> messages;
    QString browserAnswer;
    QString browserTitle;
    QString browserStart;
};

} // namespace

TEST_F(SettingDialogTest, OpensWithTheSettingsInForce) {
    g_parameters.measuredecimal = 6;
    g_parameters.imageformat = 2;
    g_parameters.linecolor = 255;
    g_parameters.textcolor = static_cast<std::int32_t>(MakeColorref(0, 128, 64));
    g_parameters.linewidth = 4;
    g_parameters.textsize = 23;
    CSettingDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "Setting");
    EXPECT_TRUE(Radio(dialog, "decimal6")->isChecked());
    EXPECT_EQ(Radio(dialog, "decimal6")->text(), "0.000001");
    EXPECT_EQ(Radio(dialog, "decimal2")->text(), "0.01");
    EXPECT_TRUE(Radio(dialog, "formatJpg")->isChecked());
    EXPECT_FALSE(Radio(dialog, "formatBmp")->isChecked());
    EXPECT_EQ(dialog.findChild<QLineEdit*>("savePath")->text(), g_folders.saveFolder);

    CPropertyGrid* grid = Grid(dialog);
    ASSERT_EQ(grid->topLevelCount(), 4);
    const char* const names[] = {"Tool Color", "Text Color", "Line Width", "Font Size"};
    for (int i = 0; i < 4; ++i) {
        CPropertyGridItem* group = grid->topLevelItem(i);
        EXPECT_EQ(group->name(), names[i]);
        ASSERT_EQ(group->childCount(), 1);
        auto* item = static_cast<CPropertyGridItem*>(group->child(0));
        EXPECT_EQ(item->name(), names[i]);
        EXPECT_EQ(item->itemData(), 200 + i);
    }
    EXPECT_EQ(grid->findItem(200)->color(), MakeColorref(255, 0, 0));
    EXPECT_EQ(grid->findItem(201)->color(), MakeColorref(0, 128, 64));
    EXPECT_TRUE(grid->findItem(200)->automaticColor().has_value());
    CPropertyGridItem* width = grid->findItem(202);
    EXPECT_EQ(width->value(), "4");
    EXPECT_EQ(width->options(), (QStringList{"1", "2", "3", "4", "5"}));
    EXPECT_FALSE(width->allowsEdit());
    EXPECT_EQ(width->description(), "Select Line Width:“1”、“2”、“3”、“4”、“5”");
    CPropertyGridItem* size = grid->findItem(203);
    EXPECT_EQ(size->value(), "23");
    ASSERT_EQ(size->options().size(), 71);
    EXPECT_EQ(size->options().first(), "1");
    EXPECT_EQ(size->options().last(), "71");
    EXPECT_FALSE(size->allowsEdit());
}

TEST_F(SettingDialogTest, DecimalRadiosFollowTheSettingAndActAtOnce) {
    for (int decimals : {1, 7}) {
        g_parameters.measuredecimal = decimals;
        CSettingDialog dialog;
        for (int id = 2; id <= 6; ++id) {
            EXPECT_FALSE(Radio(dialog, QString::asprintf("decimal%d", id).toLatin1())->isChecked())
                << decimals << " checks " << id;
        }
    }

    g_parameters.measuredecimal = 6;
    g_parameters.imageformat = 1;
    CSettingDialog dialog;
    dialog.show();
    Click(Radio(dialog, "decimal3"));
    Click(Radio(dialog, "formatJpg"));
    EXPECT_EQ(g_parameters.measuredecimal, 3);
    EXPECT_EQ(g_parameters.imageformat, 2);
    Click(Radio(dialog, "formatBmp"));
    EXPECT_EQ(g_parameters.imageformat, 1);
    Click(Radio(dialog, "formatTiff"));
    EXPECT_EQ(g_parameters.imageformat, 3);
    Click(Radio(dialog, "formatPng"));
    EXPECT_EQ(g_parameters.imageformat, 4);
}

TEST_F(SettingDialogTest, GridChangesActAtOnceAndCancelKeepsThemInMemoryOnly) {
    g_parameters.linewidth = 1;
    ASSERT_TRUE(SaveParameters());
    CSettingDialog dialog;
    PickFromList(dialog, CSettingDialog::kLineWidthItem, "5");
    PickFromList(dialog, CSettingDialog::kTextSizeItem, "40");
    Grid(dialog)->setColorChooser([](COLORREF, QWidget*) { return MakeColorref(0, 0, 255); });
    auto* tree = Grid(dialog)->findChild<QTreeWidget*>();
    auto* textColor = qobject_cast<QToolButton*>(
        tree->itemWidget(Grid(dialog)->findItem(CSettingDialog::kTextColorItem), 1));
    ASSERT_NE(textColor, nullptr);
    textColor->findChild<QAction*>("otherColor")->trigger();

    EXPECT_EQ(g_parameters.linewidth, 5);
    EXPECT_EQ(g_parameters.textsize, 40);
    EXPECT_EQ(g_parameters.textcolor, 0x00FF0000); // blue as a COLORREF
    EXPECT_EQ(g_parameters.linecolor, 255);

    ClickCancel(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(g_parameters.linewidth, 5);
    EXPECT_EQ(Stored().linewidth, 1);
    EXPECT_EQ(Stored().textsize, 16);
}

TEST_F(SettingDialogTest, OkWritesTheSettings) {
    CSettingDialog dialog;
    PickFromList(dialog, CSettingDialog::kLineWidthItem, "4");
    Click(Radio(dialog, "decimal2"));
    ClickOk(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Stored().linewidth, 4);
    EXPECT_EQ(Stored().measuredecimal, 2);
}

TEST_F(SettingDialogTest, PreviewDrawsInTheCurrentColoursAndWidth) {
    g_parameters.linecolor = static_cast<std::int32_t>(MakeColorref(0, 0, 255));
    g_parameters.textcolor = static_cast<std::int32_t>(MakeColorref(0, 160, 0));
    g_parameters.linewidth = 3;
    CSettingDialog dialog;
    dialog.show();
    QWidget* preview = dialog.findChild<QWidget*>("preview");
    ASSERT_NE(preview, nullptr);
    const QImage image = preview->grab().toImage();
    const int w = image.width();
    const int h = image.height();
    const QColor blue(0, 0, 255);
    EXPECT_EQ(image.pixelColor(20, h / 2), blue);        // left upright
    EXPECT_EQ(image.pixelColor(21, 21), blue);           // ... three pixels wide
    EXPECT_EQ(image.pixelColor(w - 20, h - 21), blue);   // right upright
    EXPECT_EQ(image.pixelColor(w / 4, h / 2), blue);     // crossbar
    EXPECT_NE(image.pixelColor(w / 4, h / 2 - 5), blue); // ... and nothing above it
    EXPECT_NE(image.pixelColor(20, 10), blue);           // uprights start 20 pixels down
    int textPixels = 0;
    for (int y = h / 2 + 10; y < h; ++y) {
        for (int x = w / 2; x < w - 25; ++x) {
            textPixels += image.pixelColor(x, y) == QColor(0, 160, 0) ? 1 : 0;
        }
    }
    EXPECT_GT(textPixels, 20); // "0.001mm" right of the middle, below the bar
}

TEST_F(SettingDialogTest, DefaultRestoresTheFactorySettingsAndAsksForARestart) {
    const QString capConfig = home.filePath("CapConfig.dat");
    WriteFile(capConfig, QByteArray(88, '\x01'));
    g_parameters.linecolor = 0x123456;
    g_parameters.linewidth = 4;
    g_parameters.imageformat = 2;
    g_parameters.compress = 0;
    g_parameters.measuredecimal = 3;
    CSettingDialog dialog;
    dialog.show();
    Click(dialog.findChild<QPushButton*>("defaultButton"));

    EXPECT_FALSE(QFileInfo::exists(capConfig));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Please restart the program");
    EXPECT_EQ(messages[0].caption, "System prompt");
    EXPECT_TRUE(dialog.isVisible()); // the dialog stays open
    EXPECT_TRUE(Radio(dialog, "formatBmp")->isChecked());

    ClickOk(dialog);
    const CParameters stored = Stored();
    EXPECT_EQ(stored.videoformat, 3);
    EXPECT_EQ(stored.imageformat, 1);
    EXPECT_EQ(stored.languagemainid, 4);
    EXPECT_EQ(stored.languagesubid, 2);
    EXPECT_EQ(stored.saveoption1, 1);
    EXPECT_EQ(stored.saveoption2, 1);
    EXPECT_EQ(stored.addexportimage, 1);
    EXPECT_EQ(stored.snapshot, 1);
    EXPECT_EQ(stored.linecolor, 255);
    EXPECT_EQ(stored.textcolor, 255);
    EXPECT_EQ(stored.linewidth, 1);
    EXPECT_EQ(stored.textsize, 16);
    EXPECT_EQ(stored.compress, 1);
    EXPECT_EQ(stored.measuredecimal, 3); // decimals are not reset
    EXPECT_EQ(LanguageFileName(stored.languagemainid, stored.languagesubid), "Chinese936.ini");
}

TEST_F(SettingDialogTest, ChoosingAnotherFolderRewritesTheRecordAndReloadsTheThumbnails) {
    ThumbnailList thumbnails;
    const QString other = QDir(home.path()).filePath("pictures");
    QDir().mkpath(other);
    CSettingDialog dialog;
    dialog.show();
    const QString opened = g_folders.saveFolder;
    browserAnswer = other;
    Click(dialog.findChild<QPushButton*>("chooseFolder"));

    EXPECT_EQ(browserTitle, "Please select folder");
    EXPECT_EQ(browserStart, opened);
    EXPECT_EQ(g_folders.saveFolder, other);
    EXPECT_EQ(g_folders.snapshotFolder, other + "/SaveFile");
    EXPECT_TRUE(QFileInfo(other + "/SaveFile/Video").isDir());
    EXPECT_EQ(dialog.findChild<QLineEdit*>("savePath")->text(), other);
    EXPECT_EQ(DecodeFolderRecord(ReadFile(home.filePath("folderpath.dat"))), other);

    ClickOk(dialog);
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(thumbnails.received.size(), 1u);
    EXPECT_EQ(thumbnails.received[0], (std::array<std::intptr_t, 3>{WM_USER + 113, 0, 0}));

    // Choosing the same folder again is no change.
    CSettingDialog again;
    again.show();
    Click(again.findChild<QPushButton*>("chooseFolder"));
    ClickOk(again);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(thumbnails.received.size(), 1u);
}

TEST_F(SettingDialogTest, ACancelledOrUnusableFolderLeavesTheSaveFolderAsItWas) {
    ThumbnailList thumbnails;
    const CFolders before = g_folders;
    CSettingDialog dialog;
    dialog.show();

    browserAnswer.clear(); // the user cancels the browser
    Click(dialog.findChild<QPushButton*>("chooseFolder"));
    EXPECT_TRUE(messages.empty());

    browserAnswer = "/" + QString(300, u'x'); // too long for folderpath.dat
    Click(dialog.findChild<QPushButton*>("chooseFolder"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "This folder can not be used to save pictures");

    EXPECT_EQ(g_folders.saveFolder, before.saveFolder);
    EXPECT_EQ(g_folders.snapshotFolder, before.snapshotFolder);
    EXPECT_EQ(g_folders.videoFolder, before.videoFolder);
    EXPECT_EQ(dialog.findChild<QLineEdit*>("savePath")->text(), before.saveFolder);
    EXPECT_FALSE(QFileInfo::exists(home.filePath("folderpath.dat")));
    ClickOk(dialog);
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(thumbnails.received.empty());
}

TEST_F(SettingDialogTest, TheScaleBarIsOffUntilCheckedAndIsKeptLikeTheOtherSettings) {
    g_parameters = CParameters{};
    {
        CSettingDialog dialog;
        dialog.show();
        auto* scaleBar = dialog.findChild<QCheckBox*>("scaleBar");
        ASSERT_NE(scaleBar, nullptr);
        EXPECT_FALSE(scaleBar->isChecked());
        // On its box: the row is wider than the box and its text.
        QTest::mouseClick(scaleBar, Qt::LeftButton, {}, QPoint(6, scaleBar->height() / 2));
        EXPECT_EQ(g_parameters.scalebar, 1) << "acts at once";
        ClickOk(dialog);
        EXPECT_EQ(Stored().scalebar, 1);
    }
    CSettingDialog again;
    again.show();
    auto* scaleBar = again.findChild<QCheckBox*>("scaleBar");
    EXPECT_TRUE(scaleBar->isChecked());
    Click(again.findChild<QPushButton*>("defaultButton"));
    EXPECT_FALSE(scaleBar->isChecked());
    EXPECT_EQ(g_parameters.scalebar, 0);
    EXPECT_EQ(Stored().scalebar, 0);
    g_parameters = CParameters{};
}

TEST_F(SettingDialogTest, TheReportSummaryIsOffUntilTurnedOnAndKeptWithOk) {
    // On its box, where a user clicks, not in the middle of its wide row.
    const auto ClickBox = [](QCheckBox* box) {
        ASSERT_NE(box, nullptr);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    };
    {
        CSettingDialog dialog;
        auto* summary = dialog.findChild<QCheckBox*>("reportSummary");
        ASSERT_NE(summary, nullptr);
        EXPECT_FALSE(summary->isChecked());
        dialog.show();
        ClickBox(summary);
        ClickCancel(dialog);
    }
    EXPECT_FALSE(ReportSummaryWanted());
    {
        CSettingDialog dialog;
        dialog.show();
        ClickBox(dialog.findChild<QCheckBox*>("reportSummary"));
        ClickOk(dialog);
    }
    EXPECT_TRUE(ReportSummaryWanted());
    EXPECT_TRUE(CurrentReportInput(ReportSource::Still).summary);
    CSettingDialog dialog;
    EXPECT_TRUE(dialog.findChild<QCheckBox*>("reportSummary")->isChecked());
}
