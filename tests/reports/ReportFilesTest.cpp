#include "reports/ReportFiles.h"

#include "image/Dib.h"
#include "reports/ReportWriters.h"
#include "shapes/ShapeKinds.h"
#include "tests/reports/ReportReaders.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

CDib Picture(int width, int height) {
    CDib dib;
    EXPECT_TRUE(dib.Create(width, height, 24));
    for (int row = 0; row < height; ++row) {
        std::uint8_t* bits = dib.Row(row);
        for (int x = 0; x < width; ++x) {
            bits[3 * x] = static_cast<std::uint8_t>(x);
            bits[3 * x + 1] = static_cast<std::uint8_t>(row);
            bits[3 * x + 2] = 200;
        }
    }
    return dib;
}

CReportItem Item(int kind, std::array<double, 3> m, int number) {
    CReportItem item;
    item.kind = kind;
    item.number = number;
    item.m = m;
    item.marked = true;
    return item;
}

// Three measurements in units equal to pixels, the picture after them.
CReportInput ThreeShapes() {
    CReportInput input;
    input.conversion = CUnitConversion{1.0, 1.0};
    input.decimals = 2;
    input.texts = {QStringLiteral("Gauge"), QStringLiteral("Acme"), QStringLiteral("Ann")};
    input.date = QDate(2026, 3, 4);
    input.picture = true;
    input.items = {Item(ShapeKind::kLine, {12.346, 0, 0}, 0),
                   Item(ShapeKind::kRectangle, {3, 4, 0}, 1),
                   Item(ShapeKind::kArc, {10, 90, 0}, 2)};
    return input;
}

tinyxml2::XMLDocument* Parse(tinyxml2::XMLDocument& xml, const QByteArray& bytes) {
    EXPECT_EQ(xml.Parse(bytes.constData(), bytes.size()), tinyxml2::XML_SUCCESS);
    return &xml;
}

// Every element named `name` under `from`, depth first.
void FindAll(const tinyxml2::XMLElement* from, const char* name,
             std::vector<const tinyxml2::XMLElement*>& out) {
    for (auto* e = from->FirstChildElement(); e != nullptr; e = e->NextSiblingElement()) {
        if (std::strcmp(e->Name(), name) == 0) {
            out.push_back(e);
        }
        FindAll(e, name, out);
    }
}

std::vector<const tinyxml2::XMLElement*> All(const tinyxml2::XMLDocument& xml, const char* name) {
    std::vector<const tinyxml2::XMLElement*> out;
    FindAll(xml.RootElement(), name, out);
    return out;
}

QString TextOf(const tinyxml2::XMLElement* element) {
    std::vector<const tinyxml2::XMLElement*> runs;
    FindAll(element, "w:t", runs);
    QString text;
    for (const auto* t : runs) {
        text += QString::fromUtf8(t->GetText() != nullptr ? t->GetText() : "");
    }
    return text;
}

class ReportFilesTest : public ::testing::Test {
protected:
    QString Write(const QString& name, const CReportInput& input, const CDib* picture) {
        const QString path = dir.filePath(name);
        EXPECT_EQ(WriteReportFile(path, input, picture), QString());
        return path;
    }

    ScopedProgramFolder home;
    QTemporaryDir dir;
    CDib picture = Picture(100, 40);
};

TEST_F(ReportFilesTest, XlsxHoldsNumbersAsNumbersAndAnchorsThePicture) {
    const QString path = Write(QStringLiteral("r.XLSX"), ThreeShapes(), &picture);
    const SheetCells cells = ReadXlsxCells(path);
    EXPECT_EQ(cells.at({0, 1}), SheetValue(QStringLiteral("Gauge")));
    EXPECT_EQ(cells.at({1, 0}), SheetValue(QStringLiteral("Company:Acme")));
    EXPECT_EQ(cells.at({5, 0}), SheetValue(QStringLiteral("0")));
    EXPECT_EQ(cells.at({5, 2}), SheetValue(QStringLiteral("L:")));
    EXPECT_EQ(cells.at({5, 3}), SheetValue(12.35));
    EXPECT_EQ(cells.at({6, 9}), SheetValue(12.0));
    EXPECT_EQ(cells.at({7, 7}), SheetValue(15.71));

    tinyxml2::XMLDocument drawing;
    Parse(drawing, ZipEntry(path, "xl/drawings/drawing1.xml"));
    const auto from = All(drawing, "xdr:from");
    ASSERT_EQ(from.size(), 1U);
    EXPECT_STREQ(from[0]->FirstChildElement("xdr:row")->GetText(), "9");
    EXPECT_STREQ(from[0]->FirstChildElement("xdr:col")->GetText(), "0");
    const auto extent = All(drawing, "a:ext");
    ASSERT_FALSE(extent.empty());
    EXPECT_EQ(extent[0]->IntAttribute("cx"), 100 * 9525);
    EXPECT_TRUE(ZipNames(path).contains(QStringLiteral("xl/media/image1.png")));
}

TEST_F(ReportFilesTest, DocxHoldsMarginsBookmarkTableAndPicture) {
    const QString path = Write(QStringLiteral("r.docx"), ThreeShapes(), &picture);
    tinyxml2::XMLDocument xml;
    Parse(xml, ZipEntry(path, "word/document.xml"));
    const auto margins = All(xml, "w:pgMar");
    ASSERT_EQ(margins.size(), 1U);
    for (const char* side : {"w:top", "w:bottom", "w:left", "w:right"}) {
        EXPECT_EQ(margins[0]->IntAttribute(side), 900) << side; // 45 points
    }
    const auto bookmarks = All(xml, "w:bookmarkStart");
    ASSERT_EQ(bookmarks.size(), 1U);
    EXPECT_STREQ(bookmarks[0]->Attribute("w:name"), "Book1");
    EXPECT_EQ(TextOf(bookmarks[0]->Parent()->ToElement()), "Calibrator:2.0mm");

    const auto paragraphs = xml.RootElement()->FirstChildElement("w:body");
    const auto* first = paragraphs->FirstChildElement("w:p");
    EXPECT_EQ(TextOf(first), "Measure Report");
    EXPECT_STREQ(first->FirstChildElement("w:pPr")->FirstChildElement("w:jc")->Attribute("w:val"),
                 "both");
    const auto sizes = All(xml, "w:sz");
    EXPECT_EQ(sizes.front()->IntAttribute("w:val"), 24);
    const auto fonts = All(xml, "w:rFonts");
    EXPECT_STREQ(fonts.front()->Attribute("w:ascii"), "Arial");

    const auto rows = All(xml, "w:tr");
    ASSERT_EQ(rows.size(), 3U);
    std::vector<const tinyxml2::XMLElement*> cells;
    FindAll(rows[1], "w:tc", cells);
    ASSERT_EQ(cells.size(), 5U);
    EXPECT_EQ(TextOf(cells[0]), "Rectangle:1");
    EXPECT_EQ(TextOf(cells[4]), "A:12.00mm2");
    std::vector<const tinyxml2::XMLElement*> firstCellSize;
    FindAll(rows[0], "w:sz", firstCellSize);
    EXPECT_EQ(firstCellSize.front()->IntAttribute("w:val"), 20);

    ASSERT_EQ(All(xml, "a:blip").size(), 1U);
    EXPECT_TRUE(ZipNames(path).contains(QStringLiteral("word/media/picture.png")));
    const QByteArray rels = ZipEntry(path, "word/_rels/document.xml.rels");
    EXPECT_TRUE(rels.contains("media/picture.png"));
}

TEST_F(ReportFilesTest, XlsRecordsReadBackWithCellsAndThePictureAnchor) {
    const QString path = Write(QStringLiteral("r.xls"), ThreeShapes(), &picture);
    const std::optional<CXlsContent> xls = ReadXls(path);
    ASSERT_TRUE(xls);
    EXPECT_EQ(xls->cells.at({0, 1}), SheetValue(QStringLiteral("Gauge")));
    EXPECT_EQ(xls->cells.at({2, 2}), SheetValue(QStringLiteral("Time:2026-03-04")));
    EXPECT_EQ(xls->cells.at({5, 1}), SheetValue(QStringLiteral("Distance of Line")));
    EXPECT_EQ(xls->cells.at({5, 3}), SheetValue(12.35));
    EXPECT_EQ(xls->cells.at({7, 9}), SheetValue(78.54));
    EXPECT_EQ(xls->anchorRow, 9);
    EXPECT_EQ(xls->anchorColumn, 0);
    EXPECT_EQ(xls->pictureWidth, 100);
    EXPECT_EQ(xls->pictureHeight, 40);
}

TEST_F(ReportFilesTest, XlsKeepsLongTextsSmallSheetsAndLargePictures) {
    // A text longer than one record continues in the next; a header-only
    // sheet fits the mini stream; a large picture needs more FAT sectors than
    // the header lists.
    CReportInput input = ThreeShapes();
    input.texts.title = QString(9000, u'é') + QStringLiteral("end");
    input.items.clear();
    input.picture = false;
    std::optional<CXlsContent> xls = ReadXls(Write(QStringLiteral("small.xls"), input, nullptr));
    ASSERT_TRUE(xls);
    EXPECT_EQ(xls->cells.at({0, 1}), SheetValue(input.texts.title));
    EXPECT_EQ(xls->cells.size(), 8U);
    EXPECT_EQ(xls->anchorRow, -1);

    input.picture = true;
    const CDib large = Picture(1700, 1700);
    xls = ReadXls(Write(QStringLiteral("large.xls"), input, &large));
    ASSERT_TRUE(xls);
    EXPECT_EQ(xls->cells.at({4, 2}), SheetValue(QStringLiteral("Measured Value")));
    EXPECT_EQ(xls->pictureWidth, 1700);
    EXPECT_EQ(xls->anchorRow, 6);
}

TEST_F(ReportFilesTest, RtfHoldsTheTableBookmarkAndPicture) {
    const QString path = Write(QStringLiteral("r.doc"), ThreeShapes(), &picture);
    const QByteArray rtf = ReadFile(path);
    EXPECT_TRUE(rtf.startsWith("{\\rtf1"));
    for (const char* margin : {"\\margl900", "\\margr900", "\\margt900", "\\margb900"}) {
        EXPECT_TRUE(rtf.contains(margin)) << margin;
    }
    EXPECT_TRUE(rtf.contains("{\\*\\bkmkstart Book1}Calibrator:2.0mm{\\*\\bkmkend Book1}"));
    EXPECT_TRUE(rtf.contains("{\\pict\\pngblip\\picw100\\pich40"));
    EXPECT_EQ(rtf.count("\\row"), 3);
    const std::optional<QString> text = RtfPlainText(rtf);
    ASSERT_TRUE(text);
    EXPECT_TRUE(
        text->contains(QStringLiteral("Arc:2|R:10.00mm|Deg:90.00°|C:15.71mm|A:78.54mm2|\n")))
        << text->toStdString();
    EXPECT_TRUE(text->startsWith(QStringLiteral("Measure Report\nCompany:Acme\nAuthor:Ann\n")));
}

TEST_F(ReportFilesTest, FailuresLeaveTheOldFileAndSayWhy) {
    const QString path = dir.filePath(QStringLiteral("kept.xls"));
    WriteFile(path, "old");
    // More rows than a binary workbook has.
    CReportInput input = ThreeShapes();
    input.items.assign(70000, Item(ShapeKind::kLine, {1, 0, 0}, 0));
    EXPECT_FALSE(WriteReportFile(path, input, nullptr).isEmpty());
    EXPECT_EQ(ReadFile(path), "old");

    EXPECT_FALSE(
        WriteReportFile(dir.filePath(QStringLiteral("r.txt")), ThreeShapes(), nullptr).isEmpty());
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("r.txt"))));
    EXPECT_FALSE(
        WriteReportFile(dir.filePath(QStringLiteral("missing/r.docx")), ThreeShapes(), nullptr)
            .isEmpty());
}

// Hostile texts in every field end up in each file escaped, and the files
// still parse; characters no file may hold are dropped.
TEST_F(ReportFilesTest, HostileTextsAreEscapedInEveryWriter) {
    const QString nonBmp = QString::fromUcs4(U"\U0001F52C");
    const QStringList hostile = {
        QStringLiteral("\"quoted\" <b>&amp; & 'x'"),
        QStringLiteral("{\\rtf1 \\par} \\u1234? \\*\\bkmkstart X } {"),
        QStringLiteral("]]><!-- -->") + nonBmp + QStringLiteral("\u00e9\u4e2d"),
        QString(10000, u'w') + QStringLiteral("<&>"),
        QStringLiteral("bell\u0007 nul") + QChar(0) + QStringLiteral(" lone") + QChar(0xD800) +
            QStringLiteral(" line\nbreak\ttab"),
    };
    for (const QString& text : hostile) {
        CReportInput input = ThreeShapes();
        input.texts = {text, text, text};
        CReportItem note = Item(ShapeKind::kText, {}, 3);
        note.text = text;
        input.items.push_back(note);
        const QString clean = CleanReportText(text);
        SCOPED_TRACE(clean.left(60).toStdString());

        const QString xlsx = Write(QStringLiteral("h.xlsx"), input, &picture);
        const SheetCells xlsxCells = ReadXlsxCells(xlsx);
        ASSERT_TRUE(xlsxCells.count({0, 1}));
        EXPECT_EQ(xlsxCells.at({0, 1}), SheetValue(clean));
        EXPECT_EQ(xlsxCells.at({8, 3}), SheetValue(clean));

        const std::optional<CXlsContent> xls =
            ReadXls(Write(QStringLiteral("h.xls"), input, &picture));
        ASSERT_TRUE(xls);
        EXPECT_EQ(xls->cells.at({1, 0}), SheetValue(QStringLiteral("Company:") + clean));
        EXPECT_EQ(xls->cells.at({8, 3}), SheetValue(clean));

        tinyxml2::XMLDocument docx;
        Parse(docx,
              ZipEntry(Write(QStringLiteral("h.docx"), input, &picture), "word/document.xml"));
        const auto rows = All(docx, "w:tr");
        ASSERT_EQ(rows.size(), 4U);
        std::vector<const tinyxml2::XMLElement*> cells;
        FindAll(rows[3], "w:tc", cells);
        // Line breaks become breaks in the document; the rest reads back.
        QString expected = QStringLiteral("T:") + clean;
        expected.remove(u'\n');
        EXPECT_EQ(TextOf(cells[1]), expected);

        const std::optional<QString> rtf =
            RtfPlainText(ReadFile(Write(QStringLiteral("h.doc"), input, &picture)));
        ASSERT_TRUE(rtf);
        QString rtfExpected = QStringLiteral("Author:") + clean;
        rtfExpected.remove(u'\r');
        EXPECT_TRUE(rtf->contains(rtfExpected));
    }
}

// Where an office suite is installed, it must read each file and find the
// values; without one the check cannot run.
TEST_F(ReportFilesTest, AnOfficeSuiteReadsEveryKind) {
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) {
        GTEST_SKIP() << "soffice (LibreOffice) is not installed; the conversion check is skipped";
    }
    const CReportInput input = ThreeShapes();
    const std::vector<std::pair<QString, QString>> files = {
        {QStringLiteral("lo.xlsx"), QStringLiteral("csv")},
        {QStringLiteral("lo.xls"), QStringLiteral("csv")},
        {QStringLiteral("lo.docx"), QStringLiteral("txt")},
        {QStringLiteral("lo.doc"), QStringLiteral("txt")},
    };
    for (const auto& [name, target] : files) {
        const QString path = Write(name, input, &picture);
        const QString out = dir.filePath(QStringLiteral("out-") + name.section(u'.', 1));
        QProcess process;
        process.setEnvironment(QProcess::systemEnvironment()
                               << QStringLiteral("HOME=") + dir.path());
        process.start(soffice, {QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                                target, QStringLiteral("--outdir"), out, path});
        ASSERT_TRUE(process.waitForFinished(120000)) << name.toStdString();
        const QByteArray converted =
            ReadFile(out + u'/' + name.section(u'.', 0, 0) + u'.' + target);
        EXPECT_TRUE(converted.contains("12.35")) << name.toStdString();
        EXPECT_TRUE(converted.contains("78.54")) << name.toStdString();
        EXPECT_TRUE(converted.contains("Company:Acme")) << name.toStdString();
    }
}

} // namespace
