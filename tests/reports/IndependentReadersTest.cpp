#include "camera/VideoShape.h"
#include "image/Dib.h"
#include "reports/ReportFiles.h"
#include "reports/ReportWriters.h"
#include "shapes/ShapeKinds.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

// Reading programs of other makers open every report file we write and find
// what the report model holds: the sheet's cells with numbers as numbers, the
// picture and its anchor, the document's paragraphs, table, bookmark and
// margins. The readers are Python packages (xlrd, olefile, openpyxl,
// python-docx); the script exits 3 when one of them is missing.

namespace {

constexpr int kReaderMissing = 3;

CDib Picture(int width, int height) {
    CDib dib;
    EXPECT_TRUE(dib.Create(width, height, 24));
    for (int row = 0; row < height; ++row) {
        std::uint8_t* bits = dib.Row(row);
        for (int x = 0; x < width; ++x) {
            bits[3 * x] = static_cast<std::uint8_t>(x * 3);
            bits[3 * x + 1] = static_cast<std::uint8_t>(row * 5);
            bits[3 * x + 2] = 90;
        }
    }
    return dib;
}

// A text no file format holds plainly: markup, quotes, RTF groups and control
// words, a tab, a line break and a character outside the BMP.
QString HostileText() {
    return QStringLiteral("<b a=\"1\">&amp; 'q' {\\b \\par} \\u66? x\ty\nz ") +
           QString::fromUcs4(U"\U0001F52C") + QStringLiteral("\u00e9\u4e2d");
}

CReportItem Item(int kind, std::array<double, 3> m, int number) {
    CReportItem item;
    item.kind = kind;
    item.number = number;
    item.m = m;
    item.marked = true;
    return item;
}

// Every still kind that has a row, one unknown kind that has none, and the
// picture after them; values at 0.6 units a pixel so that rounding shows.
CReportInput EveryStillKind() {
    CReportInput input;
    input.conversion = CUnitConversion{0.6, 1.0};
    input.decimals = 2;
    input.texts = {QStringLiteral("Gauge \"7\""), QStringLiteral("Acme & Sons"), HostileText()};
    input.date = QDate(2026, 3, 4);
    input.picture = true;
    using namespace ShapeKind;
    const int kinds[] = {kLine,
                         kHorizontalLine,
                         kVerticalLine,
                         kRectangle,
                         kEllipse,
                         kCircle,
                         kRadiusCircle,
                         kThreePointCircle,
                         kAutoCircle,
                         kArc,
                         kThreePointAngle,
                         kFourPointAngle,
                         kParallel,
                         kAutoLine,
                         kPointLine,
                         kFoldLine,
                         kTwoCircles,
                         kLineCircle,
                         kPolygon,
                         kSquareMark,
                         kCircleMark,
                         kText,
                         99};
    int number = 0;
    for (const int kind : kinds) {
        CReportItem item = Item(kind, {12.3456 + number, 7.891, 31.25}, number);
        if (kind == kText) {
            item.text = HostileText();
        }
        input.items.push_back(item);
        ++number;
    }
    return input;
}

// Every live kind that has a row, with the radii kept apart; no picture.
CReportInput EveryLiveKind() {
    CReportInput input = EveryStillKind();
    input.source = ReportSource::Live;
    input.picture = false;
    input.items.clear();
    using namespace LiveKind;
    const int kinds[] = {kLine,         kHorizontalLine,   kVerticalLine,
                         kRectangle,    kEllipse,          kCircle,
                         kRadiusCircle, kThreePointCircle, kAutoCircle,
                         kArc,          kThreePointAngle,  kFourPointAngle,
                         kParallel,     kPolygon,          kFoldLine,
                         kPointLine,    kAutoLine,         kTwoCircles,
                         kLineCircle,   kSquareMark,       kCircleMark,
                         kText,         kCrosshair};
    int number = 1;
    for (const int kind : kinds) {
        CReportItem item = Item(kind, {20.5 + number, 4.25, 0}, number);
        item.further = {3.5, 2.25};
        item.text = kind == kText ? HostileText() : QString();
        input.items.push_back(item);
        ++number;
    }
    return input;
}

QJsonValue PictureJson(const CDib* picture, int row) {
    if (picture == nullptr) {
        return QJsonValue::Null;
    }
    QJsonObject object{{"width", picture->Width()}, {"height", picture->Height()}};
    if (row >= 0) {
        object.insert("row", row);
        object.insert("column", 0);
    }
    return object;
}

QJsonObject SheetExpectation(const CReportInput& input, const CDib* picture) {
    const CSheetReport sheet = BuildSheetReport(input);
    QJsonArray cells;
    for (const CSheetCell& cell : sheet.cells) {
        const QJsonValue value =
            cell.number ? QJsonValue(*cell.number) : QJsonValue(CleanReportText(cell.text));
        cells.append(QJsonArray{cell.row, cell.column, value});
    }
    return {{"sheet", "Sheet1"},
            {"cells", cells},
            {"picture", PictureJson(sheet.pictureRow >= 0 ? picture : nullptr, sheet.pictureRow)}};
}

QJsonObject DocumentExpectation(const CReportInput& input, const CDib* picture) {
    const CDocumentReport document = BuildDocumentReport(input);
    QJsonArray rows;
    for (const auto& row : document.rows) {
        QJsonArray texts;
        for (const QString& text : row) {
            texts.append(CleanReportText(text));
        }
        rows.append(texts);
    }
    QJsonArray paragraphs;
    for (const QString& text : {document.heading, document.company, document.author,
                                document.calibrator, document.date}) {
        paragraphs.append(CleanReportText(text));
    }
    return {
        {"paragraphs", paragraphs},
        {"rows", rows},
        {"bookmark", QJsonObject{{"name", kReportBookmark}, {"paragraph", document.calibrator}}},
        {"marginPoints", kReportMarginPoints},
        {"picture", PictureJson(document.picture ? picture : nullptr, -1)}};
}

// The Python that has the Debian packages: the system's own before any other
// on the search path.
QString Python() {
    if (QFile::exists(QStringLiteral("/usr/bin/python3"))) {
        return QStringLiteral("/usr/bin/python3");
    }
    return QStandardPaths::findExecutable(QStringLiteral("python3"));
}

class IndependentReadersTest : public ::testing::Test {
protected:
    // Writes the report of `input` as `name`, then has the script read it as
    // `kind`. Returns false (and marks the test skipped) when a reader is
    // missing.
    bool ReadsBack(const QString& name, const char* kind, const CReportInput& input,
                   const CDib* picture) {
        const QString path = dir.filePath(name);
        EXPECT_EQ(WriteReportFile(path, input, picture), QString()) << name.toStdString();
        const bool sheet = IsSpreadsheet(*ReportFileKindOf(path));
        const QJsonObject expected =
            sheet ? SheetExpectation(input, picture) : DocumentExpectation(input, picture);
        const QString expectedPath = path + QStringLiteral(".json");
        WriteFile(expectedPath, QJsonDocument(expected).toJson());

        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(Python(),
                      {QStringLiteral(MARNELO_SOURCE_DIR "/tests/reports/read_reports.py"),
                       QString::fromLatin1(kind), path, expectedPath});
        EXPECT_TRUE(process.waitForFinished(60000)) << name.toStdString();
        const QString output = QString::fromUtf8(process.readAll());
        if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == kReaderMissing) {
            return false;
        }
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0) << name.toStdString() << ":\n" << output.toStdString();
        return true;
    }

    ScopedProgramFolder home;
    QTemporaryDir dir;
    CDib picture = Picture(120, 50);
};

TEST_F(IndependentReadersTest, ReadersFindEveryRowAndThePicture) {
    if (Python().isEmpty()) {
        GTEST_SKIP() << "python3 is not installed; the independent readers cannot run";
    }
    const struct {
        const char* name;
        const char* kind;
    } files[] = {{"still.xls", "xls"}, {"still.xlsx", "xlsx"}, {"still.docx", "docx"}};
    const CReportInput still = EveryStillKind();
    const CReportInput live = EveryLiveKind();
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        if (!ReadsBack(QString::fromLatin1(file.name), file.kind, still, &picture)) {
            GTEST_SKIP() << "the Python readers (python3-xlrd, python3-openpyxl, python3-docx, "
                            "python3-pil, python3-olefile) are not installed";
        }
        ReadsBack(QStringLiteral("live-") + QString::fromLatin1(file.name), file.kind, live,
                  nullptr);
    }
}

TEST_F(IndependentReadersTest, ReadersOpenHeaderOnlyReportsAndLongOnes) {
    if (Python().isEmpty()) {
        GTEST_SKIP() << "python3 is not installed; the independent readers cannot run";
    }
    // A live view without measurements still gets its workbook; a picture
    // larger than one drawing record holds is continued.
    CReportInput empty = EveryLiveKind();
    empty.items.clear();
    empty.picture = true;
    const CDib large = Picture(700, 400);
    if (!ReadsBack(QStringLiteral("empty.xls"), "xls", empty, &large)) {
        GTEST_SKIP() << "the Python readers are not installed";
    }
    ReadsBack(QStringLiteral("empty.xlsx"), "xlsx", empty, &large);
    // Without the picture the workbook is small enough for the container's
    // mini stream.
    empty.picture = false;
    ReadsBack(QStringLiteral("small.xls"), "xls", empty, nullptr);

    // Strings longer than a record, and more of them than one record of the
    // binary workbook's string table holds.
    CReportInput many = EveryStillKind();
    many.texts.title = QString(9000, u'\u00e9') + QStringLiteral("end");
    const std::vector<CReportItem> kinds = many.items;
    for (int copy = 1; copy < 60; ++copy) {
        for (CReportItem item : kinds) {
            item.number += copy * 100;
            many.items.push_back(item);
        }
    }
    ReadsBack(QStringLiteral("many.xls"), "xls", many, &picture);
    ReadsBack(QStringLiteral("many.xlsx"), "xlsx", many, &picture);
    ReadsBack(QStringLiteral("many.docx"), "docx", many, &picture);
}

} // namespace
