#include "reports/ui/LiveReportFlow.h"

#include "camera/FramePipeline.h"
#include "camera/VideoShape.h"
#include "core/Parameters.h"
#include "framework/ui/DesktopOpener.h"
#include "framework/ui/FileDialog.h"
#include "framework/ui/MessageBox.h"
#include "image/Dib.h"
#include "reports/ExportSettings.h"
#include "reports/LiveReportPicture.h"
#include "reports/ui/CExportDlg.h"
#include "reports/ui/SelectionButtons.h"
#include "tests/camera/FrameTestSupport.h"
#include "tests/reports/ReportReaders.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

// The report commands of the live window on a plain widget standing in for
// the live view, with frames pushed through the frame callback, measurements
// put into the live list, and the dialog, message boxes and desktop answered
// by the test.
class LiveReportFlowTest : public ::testing::Test {
protected:
    LiveReportFlowTest() {
        ResetFramePipeline();
        g_liveShapes.shapes.clear();
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
        g_parameters.saveoption2 = 1;
        view.resize(320, 240);
        view.show();
    }
    ~LiveReportFlowTest() override {
        SetMessageBoxResponder({});
        SetDesktopOpener({});
        CExportDlg::SetFileChooser({});
        g_exportSettings = CExportSettings{};
        g_liveShapes.shapes.clear();
        ResetFramePipeline();
    }

    // Runs `command` while the dialog that opens is filled in with `path`,
    // a company and an author, then confirmed.
    void Export(void (*command)(QWidget*), const QString& path, bool selective = false) {
        CExportDlg::SetFileChooser(
            [path](QWidget*, const QStringList&, const QString&) { return path; });
        bool answered = false;
        QTimer::singleShot(0, [&answered, selective] {
            auto* dialog = qobject_cast<CExportDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            QTest::mouseClick(dialog->findChild<QPushButton*>("choosePath"), Qt::LeftButton);
            QTest::keyClicks(dialog->findChild<QLineEdit*>("company"), "Acme");
            QTest::keyClicks(dialog->findChild<QLineEdit*>("author"), "Lee");
            if (selective) {
                auto* box = dialog->findChild<QCheckBox*>("selective");
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
            }
            dialog->accept();
            answered = true;
        });
        command(&view);
        EXPECT_TRUE(answered);
    }

    // A red horizontal distance across the frame at row `y`, `ordinal` its number.
    static void AddLine(int ordinal, double y, double x1, double x2) {
        auto shape = std::make_unique<CVideoShap>();
        shape->kind = LiveKind::kLine;
        shape->ordinal = ordinal;
        shape->measured = {x2 - x1, 0, 0};
        shape->lineColor = 0x0000FF;
        shape->lineWidth = 1;
        shape->points = {{x1, y}, {x2, y}, {x1 + 4, y + 6}};
        g_liveShapes.shapes.push_back(std::move(shape));
    }

    void PushFrames() {
        BufferCB(frame.View(1));
        BufferCB(frame.View(2));
    }

    QPushButton* Button(const char* name) { return view.findChild<QPushButton*>(name); }

    ScopedProgramFolder home;
    QWidget view;
    CTestFrame frame{160, 90};
    QStringList messages;
    QStringList opened;
};

TEST_F(LiveReportFlowTest, ExportOfAllMarksEveryMeasurementAndPicturesTheFrameWithThem) {
    PushFrames();
    AddLine(1, 30, 20, 140); // 120 pixels at 60 per cm
    AddLine(2, 70, 40, 100);
    const QString path = home.filePath("live.xlsx");
    Export(ExportLiveToSpreadsheet, path);

    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    EXPECT_EQ(opened, QStringList{path});
    EXPECT_EQ(g_liveShapes.shapes[0]->marked, 1);
    EXPECT_EQ(g_liveShapes.shapes[1]->marked, 1);
    const SheetCells cells = ReadXlsxCells(path);
    EXPECT_EQ(cells.at({5, 0}), SheetValue(QStringLiteral("1")));
    EXPECT_EQ(cells.at({5, 1}), SheetValue(QStringLiteral("Line")));
    EXPECT_EQ(cells.at({5, 3}), SheetValue(20.0));
    EXPECT_EQ(cells.at({6, 3}), SheetValue(10.0));
    EXPECT_EQ(cells.at({1, 2}), SheetValue(QStringLiteral("Author:Lee")));

    // The frame at its own size, the measurements drawn on it.
    const QImage picture = QImage::fromData(ZipEntry(path, "xl/media/image1.png"));
    ASSERT_EQ(picture.size(), QSize(160, 90));
    EXPECT_EQ(picture.pixel(80, 30) & 0xFFFFFF, 0xFF0000U);
    // Away from the lines the frame's own pixel (blue in the low byte, as a
    // 0xRRGGBB colour keeps it).
    EXPECT_EQ(picture.pixel(10, 50) & 0xFFFFFF, frame.Pixel(frame.bytes.data(), 10, 90 - 1 - 50));
}

TEST_F(LiveReportFlowTest, SelectiveExportWaitsForTheButtonsAndTakesTheMarkedOnly) {
    PushFrames();
    AddLine(1, 30, 20, 140);
    AddLine(2, 70, 40, 100);
    const QString path = home.filePath("picked.xls");
    Export(ExportLiveToSpreadsheet, path, true);
    EXPECT_FALSE(QFile::exists(path));
    QPushButton* pick = Button("pickNewestButton");
    QPushButton* finish = Button("exportPickedButton");
    ASSERT_NE(pick, nullptr);
    ASSERT_NE(finish, nullptr);
    EXPECT_EQ(pick->geometry(), QRect(10, 10, 50, 50));
    EXPECT_EQ(finish->geometry(), QRect(10, 70, 50, 50));

    AddLine(3, 50, 10, 70); // drawn while the buttons show: the newest
    QTest::mouseClick(pick, Qt::LeftButton);
    QTest::mouseClick(finish, Qt::LeftButton);
    EXPECT_FALSE(HasSelectionButtons(&view));
    EXPECT_EQ(opened, QStringList{path});
    const std::optional<CXlsContent> xls = ReadXls(path);
    ASSERT_TRUE(xls);
    EXPECT_EQ(xls->cells.at({5, 0}), SheetValue(QStringLiteral("3")));
    EXPECT_EQ(xls->cells.at({5, 3}), SheetValue(10.0));
    EXPECT_FALSE(xls->cells.count({6, 0}));
    EXPECT_EQ(xls->anchorRow, 7);
    EXPECT_EQ(xls->pictureWidth, 160);
    EXPECT_EQ(g_liveShapes.shapes[0]->marked, 0);

    // The window's activation takes pending buttons away.
    Export(ExportLiveToSpreadsheet, path, true);
    ASSERT_TRUE(HasSelectionButtons(&view));
    RemoveLiveSelectionButtons(&view);
    EXPECT_FALSE(HasSelectionButtons(&view));
    EXPECT_EQ(opened.size(), 1);
}

TEST_F(LiveReportFlowTest, WithoutMeasurementsTheWorkbookHasItsHeaderAndNoDocumentIsWritten) {
    g_parameters.addexportimage = 0;
    const QString workbook = home.filePath("empty.xls");
    Export(ExportLiveToSpreadsheet, workbook);
    const std::optional<CXlsContent> xls = ReadXls(workbook);
    ASSERT_TRUE(xls);
    EXPECT_EQ(xls->cells.at({4, 2}), SheetValue(QStringLiteral("Measured Value")));
    EXPECT_EQ(xls->cells.size(), 8U);

    Export(ExportLiveToDocument, home.filePath("empty.docx"));
    EXPECT_FALSE(QFile::exists(home.filePath("empty.docx")));
    EXPECT_EQ(opened, QStringList{workbook});
}

TEST_F(LiveReportFlowTest, DocumentListsEveryMeasurementWithoutUnitsWhateverTheMarks) {
    PushFrames();
    AddLine(1, 30, 20, 140);
    auto note = std::make_unique<CVideoShap>();
    note->kind = LiveKind::kText;
    note->ordinal = 2;
    note->labelText = QStringLiteral("{burr} \\par");
    note->points = {{50, 50}};
    g_liveShapes.shapes.push_back(std::move(note));
    Export(ExportLiveToDocument, home.filePath("live.rtf"));

    const QString path = home.filePath("live.rtf.doc");
    EXPECT_EQ(opened, QStringList{path});
    const QByteArray rtf = ReadFile(path);
    EXPECT_TRUE(rtf.contains("{\\pict\\pngblip\\picw160\\pich90"));
    const std::optional<QString> text = RtfPlainText(rtf);
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->contains(QStringLiteral("Line:1|L:20.00||||\n"))) << text->toStdString();
    EXPECT_TRUE(text->contains(QStringLiteral("Text:2|T:{burr} \\par|")));
    EXPECT_EQ(g_liveShapes.shapes[0]->marked, 0);
}

TEST_F(LiveReportFlowTest, WithoutACameraPictureTheFailureIsSaidOnceAndNothingIsWritten) {
    AddLine(1, 30, 20, 140);
    const QString path = home.filePath("nopicture.xlsx");
    Export(ExportLiveToSpreadsheet, path);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("camera picture")))
        << messages[0].toStdString();
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(opened.isEmpty());
}

TEST(LiveReportPictureTest, RefusesFramesWhoseBytesDoNotAddUp) {
    CDib out;
    CStillFrame frame;
    frame.width = 100;
    frame.height = 10;
    frame.stride = 300;
    frame.bgr.assign(300 * 9, 0); // one row short
    EXPECT_FALSE(MakeLiveReportPicture(frame, {}, false, nullptr, out).isEmpty());
    frame.stride = 200; // narrower than a row
    frame.bgr.assign(200 * 10, 0);
    EXPECT_FALSE(MakeLiveReportPicture(frame, {}, false, nullptr, out).isEmpty());
    EXPECT_FALSE(out.IsValid());

    frame.stride = 300;
    frame.bgr.assign(300 * 10, 7);
    CVideoShap mark;
    mark.kind = LiveKind::kSquareMark;
    mark.points = {{5, 5}};
    // Imprinting needs a surface; without one the report says so.
    EXPECT_FALSE(MakeLiveReportPicture(frame, {&mark, 1}, true, nullptr, out).isEmpty());
    EXPECT_EQ(MakeLiveReportPicture(frame, {&mark, 1}, false, nullptr, out), QString());
    EXPECT_EQ(out.Width(), 100);
    EXPECT_EQ(out.Row(9)[299], 7);
}

} // namespace

TEST_F(LiveReportFlowTest, CsvListsTheLiveMeasurementsAndAsksNothingWithoutAny) {
    int asked = 0;
    QString target = home.filePath("live.csv");
    SetFileDialogResponder([&](const FileDialogRequest& request) {
        ++asked;
        EXPECT_EQ(request.defaultSuffix, QStringLiteral("csv"));
        return std::optional<FileDialogAnswer>(FileDialogAnswer{target, 0});
    });
    ExportLiveToCsv(&view);
    EXPECT_EQ(asked, 0);

    AddLine(1, 30, 20, 140);
    AddLine(2, 70, 40, 100);
    ExportLiveToCsv(&view);
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray csv = file.readAll();
    EXPECT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(csv.count("\r\n"), 3) << csv.toStdString(); // the header and two rows

    // A folder that cannot take the file is said once; nothing is opened.
    target = home.filePath("missing/live.csv");
    ExportLiveToCsv(&view);
    EXPECT_EQ(messages.size(), 1);
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_TRUE(opened.isEmpty());
    SetFileDialogResponder({});
}
