#include "framework/ui/DesktopOpener.h"
#include "framework/ui/MessageBox.h"
#include "reports/ExportSettings.h"
#include "reports/ui/CExportDlg.h"
#include "tests/reports/ReportReaders.h"
#include "tests/tools/ViewTestSupport.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

// The report commands of a picture window, with the export dialog filled in
// through its widgets, message boxes and the desktop answered by the test.
class ViewReportsTest : public ViewTest {
protected:
    ViewReportsTest() {
        SetMessageBoxResponder([this](const MessageBoxRequest& request) {
            messages << request.text;
            return QMessageBox::Ok;
        });
        SetDesktopOpener([this](const QUrl& url) {
            opened << url.toLocalFile();
            return true;
        });
        g_parameters.addexportimage = 1;
        g_parameters.measuredecimal = 2;
    }
    ~ViewReportsTest() override {
        SetMessageBoxResponder({});
        SetDesktopOpener({});
        CExportDlg::SetFileChooser({});
        g_exportSettings = CExportSettings{};
    }

    // Runs the command while the dialog that opens is filled in with `path`
    // (through its file chooser, or typed into the path), a company and an
    // author, then confirmed.
    enum class PathBy { Chooser, Typing };
    void Export(int command, const QString& path, bool selective = false,
                PathBy by = PathBy::Chooser) {
        CExportDlg::SetFileChooser(
            [path](QWidget*, const QStringList&, const QString&) { return path; });
        bool answered = false;
        QTimer::singleShot(0, [&answered, selective, by, path] {
            auto* dialog = qobject_cast<CExportDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            if (by == PathBy::Typing) {
                QTest::keyClicks(dialog->findChild<QLineEdit*>("path"), path);
            } else {
                QTest::mouseClick(dialog->findChild<QPushButton*>("choosePath"), Qt::LeftButton);
            }
            QTest::keyClicks(dialog->findChild<QLineEdit*>("company"), "Acme");
            QTest::keyClicks(dialog->findChild<QLineEdit*>("author"), "Lee");
            if (selective) {
                auto* box = dialog->findChild<QCheckBox*>("selective");
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
            }
            dialog->accept();
            answered = true;
        });
        Command(command);
        EXPECT_TRUE(answered);
    }

    void TwoLines() {
        Command(ID_MEASURE_LINE);
        Clicks({{40, 50}, {160, 50}, {100, 70}});
        Clicks({{40, 120}, {100, 120}, {70, 140}});
    }

    QStringList messages;
    QStringList opened;
};

TEST_F(ViewReportsTest, ExportOfAllMarksEveryShapeAndOpensTheWorkbook) {
    ASSERT_TRUE(Open(FlatPicture(300, 200, {255, 255, 255})));
    TwoLines();
    const QString path = home.filePath("all.xlsx");
    Export(ID_EXPORT_EXCEL, path);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    EXPECT_EQ(opened, QStringList{path});
    EXPECT_EQ(ShapeAt(0).exportMark, 1);
    EXPECT_EQ(ShapeAt(1).exportMark, 1);
    const SheetCells cells = ReadXlsxCells(path);
    EXPECT_EQ(cells.at({5, 3}), SheetValue(20.0)); // 120 pixels at 60 per cm
    EXPECT_EQ(cells.at({6, 3}), SheetValue(10.0));
    EXPECT_EQ(cells.at({1, 0}), SheetValue(QStringLiteral("Company:Acme")));
    EXPECT_TRUE(ZipNames(path).contains(QStringLiteral("xl/media/image1.png")));
}

TEST_F(ViewReportsTest, SelectiveExportWaitsForTheFinishButtonAndTakesTheMarkedOnly) {
    ASSERT_TRUE(Open(FlatPicture(300, 200, {255, 255, 255})));
    TwoLines();
    const QString path = home.filePath("picked.xls");
    Export(ID_EXPORT_EXCEL, path, true);
    ASSERT_TRUE(view->HasSelectiveExportButtons());
    EXPECT_FALSE(QFile::exists(path));
    const auto buttons = Viewport()->findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 2);
    QTest::mouseClick(buttons[0], Qt::LeftButton); // marks the line drawn last
    QTest::mouseClick(buttons[1], Qt::LeftButton);
    EXPECT_FALSE(view->HasSelectiveExportButtons());
    EXPECT_EQ(opened, QStringList{path});
    const std::optional<CXlsContent> xls = ReadXls(path);
    ASSERT_TRUE(xls);
    // Serials run from -1: the second line is number 0.
    EXPECT_EQ(xls->cells.at({5, 0}), SheetValue(QStringLiteral("0")));
    EXPECT_EQ(xls->cells.at({5, 3}), SheetValue(10.0));
    EXPECT_FALSE(xls->cells.count({6, 0}));
    EXPECT_EQ(xls->anchorRow, 7);
    EXPECT_EQ(xls->pictureWidth, 300);
}

TEST_F(ViewReportsTest, WordExportGetsItsDefaultExtensionAndListsEveryShape) {
    ASSERT_TRUE(Open(FlatPicture(300, 200, {255, 255, 255})));
    TwoLines();
    Export(ID_EXPORT_WORD, home.filePath("notes.txt"));
    const QString path = home.filePath("notes.txt.doc");
    EXPECT_EQ(opened, QStringList{path});
    const std::optional<QString> text = RtfPlainText(ReadFile(path));
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->contains(QStringLiteral("Distance of Line:-1|L:20.00mm|")))
        << text->toStdString();
    EXPECT_TRUE(text->contains(QStringLiteral("Distance of Line:0|L:10.00mm|")));
    // The document does not look at the export marks.
    EXPECT_EQ(ShapeAt(0).exportMark, 0);
}

TEST_F(ViewReportsTest, ATypedPathIsWhereTheReportIsWritten) {
    ASSERT_TRUE(Open(FlatPicture(300, 200, {255, 255, 255})));
    TwoLines();
    const QString path = home.filePath("typed.docx");
    Export(ID_EXPORT_WORD, path, false, PathBy::Typing);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    EXPECT_EQ(opened, QStringList{path});
    EXPECT_TRUE(ZipNames(path).contains(QStringLiteral("word/document.xml")));
}

TEST_F(ViewReportsTest, NoShapesNoFileAndAFailureIsSaidOnceWithTheOldFileKept) {
    ASSERT_TRUE(Open(FlatPicture(300, 200, {255, 255, 255})));
    Export(ID_EXPORT_EXCEL, home.filePath("empty.xlsx"));
    EXPECT_FALSE(QFile::exists(home.filePath("empty.xlsx")));
    EXPECT_TRUE(opened.isEmpty());

    TwoLines();
    Export(ID_EXPORT_WORD, home.filePath("no/such/folder/r.docx"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("could not be written")) << messages[0].toStdString();
    EXPECT_TRUE(opened.isEmpty());
}

} // namespace
