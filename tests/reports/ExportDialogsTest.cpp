#include "core/Folders.h"
#include "core/Language.h"
#include "core/Parameters.h"
#include "framework/ui/MessageBox.h"
#include "recorder/Recording.h"
#include "reports/ExportSettings.h"
#include "reports/ui/CExportDlg.h"
#include "reports/ui/CExportOptionDlg.h"
#include "reports/ui/CFileSizeDlg.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

namespace {

class ExportDialogsTest : public ::testing::Test {
protected:
    ExportDialogsTest() {
        g_exportSettings = CExportSettings{};
        SetMessageBoxResponder([this](const MessageBoxRequest& request) {
            messages.push_back(request);
            return QMessageBox::Ok;
        });
        CExportDlg::SetFileChooser(
            [this](QWidget*, const QStringList& filters, const QString& suffix) {
                offeredFilters = filters;
                offeredSuffix = suffix;
                return chosenFile;
            });
    }
    ~ExportDialogsTest() override {
        SetMessageBoxResponder({});
        CExportDlg::SetFileChooser({});
        g_exportSettings = CExportSettings{};
    }

    // Clicks near the left edge: check boxes and radio buttons react only on
    // their indicator and label, not on the whole stretched width.
    static void Click(QWidget* widget) {
        ASSERT_NE(widget, nullptr);
        QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(6, widget->height() / 2));
    }
    static void ClickOk(QDialog& dialog) {
        Click(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok));
    }
    static void ClickCancel(QDialog& dialog) {
        Click(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel));
    }
    template <typename T>
    static T* Child(QDialog& dialog, const char* name) {
        T* child = dialog.findChild<T*>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    static void Type(QDialog& dialog, const char* name, const QString& text) {
        auto* edit = Child<QLineEdit>(dialog, name);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    static bool StoreExists() {
        return QSettings(QStringLiteral("LOBRIN"), QStringLiteral("Marnelo"))
            .childGroups()
            .contains(QStringLiteral("Parameter"));
    }

    ScopedProgramFolder home;
    std::vector<MessageBoxRequest> messages;
    QString chosenFile;
    QStringList offeredFilters;
    QString offeredSuffix;
};

TEST_F(ExportDialogsTest, RecordingOffersThePresentCompressorsAndRemembersTheChoice) {
    g_parameters.compress = 0;
    g_recording.codec = VideoCodec::Mjpeg;
    const std::vector<VideoCodec> present = AvailableVideoCodecs();
    ASSERT_FALSE(present.empty());
    EXPECT_EQ(present.front(), VideoCodec::Mjpeg);
    {
        CFileSizeDlg dialog;
        dialog.show();
        auto* compressor = Child<QComboBox>(dialog, "compressor");
        ASSERT_EQ(compressor->count(), static_cast<int>(present.size()));
        EXPECT_EQ(compressor->currentData().toString(), "mjpeg");
        EXPECT_TRUE(compressor->isEnabled());
        // Recording uncompressed leaves no compressor to choose.
        Click(Child<QCheckBox>(dialog, "uncompressed"));
        EXPECT_FALSE(compressor->isEnabled());
        Click(Child<QCheckBox>(dialog, "uncompressed"));
        QTest::keyClick(compressor, Qt::Key_End);
        ClickOk(dialog);
    }
    const VideoCodec chosen = present.back();
    EXPECT_EQ(g_recording.codec, chosen);

    // The next recording's dialog starts from the stored choice.
    g_recording.codec = VideoCodec::Mjpeg;
    CFileSizeDlg again;
    again.show();
    EXPECT_EQ(again.findChild<QComboBox*>("compressor")->currentData().toString(),
              VideoCodecName(chosen));
    EXPECT_EQ(g_recording.codec, chosen);
    ClickCancel(again);
}

} // namespace

TEST_F(ExportDialogsTest, ExportRefusesEmptyFieldsInOrderPathFirst) {
    g_parameters.addexportimage = 1;
    CExportDlg dialog(CExportDlg::Mode::Excel);
    dialog.show();
    EXPECT_EQ(Child<QLineEdit>(dialog, "title")->text(), "Measure Report");
    Type(dialog, "title", "");

    const char* const expected[] = {"Please select save path", "Please enter title",
                                    "Please enter company name", "Please enter author"};
    ClickOk(dialog);
    chosenFile = home.filePath("report.xlsx");
    Click(Child<QPushButton>(dialog, "choosePath"));
    ClickOk(dialog);
    Type(dialog, "title", "Gears");
    ClickOk(dialog);
    Type(dialog, "company", "Acme");
    ClickOk(dialog);

    ASSERT_EQ(messages.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(messages[i].text, expected[i]);
        EXPECT_EQ(messages[i].caption, "");
        EXPECT_EQ(messages[i].buttons, QMessageBox::Ok);
    }
    EXPECT_TRUE(dialog.isVisible());
    // The texts typed so far are already kept, but no setting is saved.
    EXPECT_EQ(g_exportSettings.path, chosenFile);
    EXPECT_EQ(g_exportSettings.company, "Acme");
    EXPECT_TRUE(g_exportSettings.author.isEmpty());
    EXPECT_FALSE(StoreExists());
}

TEST_F(ExportDialogsTest, ExcelExportKeepsTheTextsAndTheChoices) {
    g_parameters.addexportimage = 1;
    CExportDlg dialog(CExportDlg::Mode::Excel);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Export to excel");
    EXPECT_TRUE(Child<QCheckBox>(dialog, "addImage")->isChecked());
    EXPECT_EQ(Child<QCheckBox>(dialog, "addImage")->text(), "Add image to excel");

    chosenFile = home.filePath("report.xls");
    Click(Child<QPushButton>(dialog, "choosePath"));
    EXPECT_EQ(offeredFilters, (QStringList{"Spreadsheets (*.xls *.xlsx)", "xls Files(*.xls)",
                                           "xlsx Files(*.xlsx)"}));
    EXPECT_EQ(offeredSuffix, "xls");
    EXPECT_EQ(Child<QLineEdit>(dialog, "path")->text(), chosenFile);
    // A cancelled file dialog keeps the chosen path.
    chosenFile.clear();
    Click(Child<QPushButton>(dialog, "choosePath"));
    EXPECT_EQ(Child<QLineEdit>(dialog, "path")->text(), home.filePath("report.xls"));

    Type(dialog, "company", "Acme");
    Type(dialog, "author", "Lee");
    Click(Child<QCheckBox>(dialog, "addImage"));
    Click(Child<QCheckBox>(dialog, "selective"));
    Click(Child<QRadioButton>(dialog, "orientation1"));
    ClickOk(dialog);

    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.orientation(), 1);
    EXPECT_EQ(g_exportSettings.path, home.filePath("report.xls"));
    EXPECT_EQ(g_exportSettings.title, "Measure Report");
    EXPECT_EQ(g_exportSettings.company, "Acme");
    EXPECT_EQ(g_exportSettings.author, "Lee");
    EXPECT_TRUE(g_exportSettings.selective);
    EXPECT_EQ(g_parameters.addexportimage, 0);
    g_parameters = CParameters{};
    LoadParameters();
    EXPECT_EQ(g_parameters.addexportimage, 0);
}

TEST_F(ExportDialogsTest, WordExportHasNoSelectionOrOrientation) {
    g_parameters.addexportimage = 0;
    g_exportSettings.selective = true;
    CExportDlg dialog(CExportDlg::Mode::Word);
    dialog.show();
    EXPECT_EQ(dialog.mode(), CExportDlg::Mode::Word);
    EXPECT_EQ(dialog.windowTitle(), "Export to word");
    EXPECT_EQ(dialog.findChild<QCheckBox*>("selective"), nullptr);
    EXPECT_EQ(dialog.findChild<QRadioButton*>("orientation0"), nullptr);
    EXPECT_FALSE(Child<QCheckBox>(dialog, "addImage")->isChecked());

    chosenFile = home.filePath("report.docx");
    Click(Child<QPushButton>(dialog, "choosePath"));
    EXPECT_EQ(offeredFilters,
              (QStringList{"Documents (*.doc *.docx)", "Doc Files(*.doc)", "Docx files(*.docx)"}));
    EXPECT_EQ(offeredSuffix, "doc");
    Type(dialog, "company", "Acme");
    Type(dialog, "author", "Lee");
    ClickOk(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(g_exportSettings.selective);
    EXPECT_EQ(g_parameters.addexportimage, 0);
    EXPECT_TRUE(StoreExists());
}

TEST_F(ExportDialogsTest, ATypedPathIsTheReportsPath) {
    g_folders.snapshotFolder = home.filePath("SaveFile");
    const struct {
        CExportDlg::Mode mode;
        QString typed;
        QString expected;
    } cases[] = {
        {CExportDlg::Mode::Word, home.filePath("typed.docx"), home.filePath("typed.docx")},
        {CExportDlg::Mode::Excel, "  " + home.filePath("typed.xlsx") + " ",
         home.filePath("typed.xlsx")},
        {CExportDlg::Mode::Word, home.filePath("plain"), home.filePath("plain.doc")},
        {CExportDlg::Mode::Excel, "gears.xlsx", home.filePath("SaveFile/gears.xlsx")},
        {CExportDlg::Mode::Word, "../up.docx", home.filePath("up.docx")},
        {CExportDlg::Mode::Excel, "~/home.xls", QDir::homePath() + "/home.xls"},
    };
    for (const auto& entry : cases) {
        CExportDlg dialog(entry.mode);
        dialog.show();
        Type(dialog, "path", entry.typed);
        Type(dialog, "company", "Acme");
        Type(dialog, "author", "Lee");
        ClickOk(dialog);
        EXPECT_EQ(dialog.result(), QDialog::Accepted) << entry.typed.toStdString();
        EXPECT_EQ(g_exportSettings.path, entry.expected) << entry.typed.toStdString();
    }
    EXPECT_TRUE(messages.empty());

    // Blanks alone are no path.
    CExportDlg dialog(CExportDlg::Mode::Word);
    dialog.show();
    Type(dialog, "path", "   ");
    ClickOk(dialog);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Please select save path");
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(ExportDialogsTest, TheSaveDialogShowsBothKindsOfTheFamily) {
    CExportDlg::SetFileChooser({});
    const struct {
        CExportDlg::Mode mode;
        QStringList shown;
    } cases[] = {{CExportDlg::Mode::Word, {"old.doc", "old.docx"}},
                 {CExportDlg::Mode::Excel, {"old.xls", "old.xlsx"}}};
    const QString folder = home.filePath("reports");
    for (const char* name : {"old.doc", "old.docx", "old.xls", "old.xlsx", "old.txt"}) {
        WriteFile(folder + "/" + name, "x");
    }
    for (const auto& entry : cases) {
        CExportDlg dialog(entry.mode);
        dialog.show();
        QStringList listed;
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(files, nullptr);
            seen = true;
            files->setDirectory(folder);
            // The directory is read in the background; wait for its rows.
            auto* view = files->findChild<QListView*>("listView");
            ASSERT_NE(view, nullptr);
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return view->model()->rowCount(view->rootIndex()) >= 2; }, 5000));
            QTest::qWait(50);
            for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
                listed << view->model()->index(row, 0, view->rootIndex()).data().toString();
            }
            files->reject();
        });
        Click(Child<QPushButton>(dialog, "choosePath"));
        EXPECT_TRUE(seen);
        listed.sort();
        EXPECT_EQ(listed, entry.shown);
        EXPECT_TRUE(Child<QLineEdit>(dialog, "path")->text().isEmpty());
    }
}

TEST_F(ExportDialogsTest, ExportTextsFollowTheLanguageFile) {
    home.InstallLanguageFiles();
    SelectLanguageFile(4, 1);
    CExportDlg dialog(CExportDlg::Mode::Excel);
    EXPECT_EQ(Child<QLineEdit>(dialog, "title")->text(),
              GetLanguageString("MeasureReport", "x", 128));
    EXPECT_NE(Child<QLineEdit>(dialog, "title")->text(), "Measure Report");
    ClickOk(dialog);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, GetLanguageString("SelectPath", "x", 64));
}

TEST_F(ExportDialogsTest, PictureSizesAreCaptionedFromTheReferenceSize) {
    CExportOptionDlg dialog(QSize(1281, 721));
    EXPECT_EQ(dialog.windowTitle(), "Export Picture");
    EXPECT_EQ(Child<QRadioButton>(dialog, "fullSize")->text(), "1281X721");
    EXPECT_EQ(Child<QRadioButton>(dialog, "halfSize")->text(), "640X360");
    EXPECT_EQ(Child<QRadioButton>(dialog, "thirdSize")->text(), "427X240");
    EXPECT_EQ(Child<QRadioButton>(dialog, "currentRatio")->text(), "Current ratio");
}

TEST_F(ExportDialogsTest, PictureOptionsOpenFromAndSaveToTheSettings) {
    const struct {
        int option;
        const char* checked;
    } cases[] = {{1, "fullSize"},     {2, "halfSize"},     {3, "thirdSize"},
                 {4, "currentRatio"}, {0, "currentRatio"}, {9, "currentRatio"}};
    for (const auto& entry : cases) {
        g_parameters.saveoption1 = entry.option;
        CExportOptionDlg dialog(QSize(640, 480));
        EXPECT_TRUE(Child<QRadioButton>(dialog, entry.checked)->isChecked()) << entry.option;
    }

    g_parameters.saveoption1 = 1;
    g_parameters.saveoption2 = 1;
    {
        CExportOptionDlg dialog(QSize(640, 480));
        dialog.show();
        EXPECT_TRUE(Child<QCheckBox>(dialog, "exportMeasurement")->isChecked());
        Click(Child<QRadioButton>(dialog, "thirdSize"));
        Click(Child<QCheckBox>(dialog, "exportMeasurement"));
        ClickCancel(dialog);
    }
    EXPECT_EQ(g_parameters.saveoption1, 1);
    EXPECT_EQ(g_parameters.saveoption2, 1);
    EXPECT_FALSE(StoreExists());

    CExportOptionDlg dialog(QSize(640, 480));
    dialog.show();
    Click(Child<QRadioButton>(dialog, "currentRatio"));
    Click(Child<QCheckBox>(dialog, "exportMeasurement"));
    ClickOk(dialog);
    g_parameters = CParameters{};
    LoadParameters();
    EXPECT_EQ(g_parameters.saveoption1, 4);
    EXPECT_EQ(g_parameters.saveoption2, 0);
}

TEST_F(ExportDialogsTest, RecordingUnlimitedSwitchesTheLimits) {
    CFileSizeDlg dialog;
    dialog.show();
    auto* seconds = Child<QLineEdit>(dialog, "timeLimit");
    auto* fps = Child<QLineEdit>(dialog, "frameRate");
    EXPECT_EQ(dialog.windowTitle(), "Recording Time");
    EXPECT_EQ(seconds->text(), "10");
    EXPECT_EQ(fps->text(), "15");
    // Any frame size records: nothing names a required resolution.
    for (const auto* field : dialog.findChildren<QLineEdit*>()) {
        EXPECT_FALSE(field->text().contains("640x480"));
    }

    Type(dialog, "frameRate", "30");
    Click(Child<QCheckBox>(dialog, "unlimited"));
    EXPECT_EQ(seconds->text(), "9999");
    EXPECT_EQ(fps->text(), "15");
    EXPECT_FALSE(seconds->isEnabled());
    EXPECT_FALSE(fps->isEnabled());

    Click(Child<QCheckBox>(dialog, "unlimited"));
    EXPECT_EQ(seconds->text(), "10");
    EXPECT_EQ(fps->text(), "15");
    EXPECT_TRUE(seconds->isEnabled());
    EXPECT_TRUE(fps->isEnabled());

    Click(Child<QCheckBox>(dialog, "unlimited"));
    ClickOk(dialog);
    EXPECT_EQ(dialog.timeLimit(), 9999);
    EXPECT_EQ(dialog.frameRate(), 15);
}

TEST_F(ExportDialogsTest, RecordingReadsWholeNumbersOnlyAndSavesTheCompression) {
    const struct {
        const char* seconds;
        const char* fps;
        int expectedSeconds;
        int expectedFps;
    } cases[] = {{" 25 ", "-3", 25, -3}, {"abc", "12abc", 0, 0}, {"", "2.5", 0, 0}};
    for (const auto& entry : cases) {
        g_parameters.compress = 1;
        CFileSizeDlg dialog;
        dialog.show();
        EXPECT_TRUE(Child<QCheckBox>(dialog, "uncompressed")->isChecked());
        Type(dialog, "timeLimit", entry.seconds);
        Type(dialog, "frameRate", entry.fps);
        Click(Child<QCheckBox>(dialog, "uncompressed"));
        ClickOk(dialog);
        EXPECT_EQ(dialog.timeLimit(), entry.expectedSeconds) << entry.seconds;
        EXPECT_EQ(dialog.frameRate(), entry.expectedFps) << entry.fps;
        EXPECT_EQ(g_parameters.compress, 0);
    }
    g_parameters = CParameters{};
    LoadParameters();
    EXPECT_EQ(g_parameters.compress, 0);

    CFileSizeDlg cancelled;
    cancelled.show();
    Click(Child<QCheckBox>(cancelled, "uncompressed"));
    ClickCancel(cancelled);
    EXPECT_EQ(g_parameters.compress, 0);
}
