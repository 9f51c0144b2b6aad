#include "tests/cli/CliTestSupport.h"
#include "tests/reports/ReportReaders.h"

#include <QColor>

namespace {

class CliReportTest : public ::testing::Test {
protected:
    CliRun Report(const QByteArray& session, const QStringList& options) {
        WriteFile(home.filePath("session.json"), session);
        return RunCli(QStringList{"measure", home.filePath("session.json")} + options, home.path());
    }

    ScopedProgramFolder home;
};

constexpr char kTwoShapes[] =
    R"({"decimals": 2, "shapes": [{"mode": 108, "points": [[10, 20], [130, 20], [60, 40]]},
        {"mode": 121, "points": [[30, 60]], "text": "a <note> & {brace}"}]})";

TEST_F(CliReportTest, WritesEveryKindOfReportOfAllShapes) {
    const QString xlsx = home.filePath("r.xlsx");
    CliRun run = Report(kTwoShapes, {"--report", xlsx, "--company", "Acme", "--author", "Lee"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.json["shapes"].toArray().size(), 2); // the results still go to stdout
    const SheetCells cells = ReadXlsxCells(xlsx);
    EXPECT_EQ(cells.at({0, 1}), SheetValue(QStringLiteral("Measure Report")));
    EXPECT_EQ(cells.at({1, 0}), SheetValue(QStringLiteral("Company:Acme")));
    EXPECT_EQ(cells.at({5, 3}),
              SheetValue(20.0)); // 120 pixels at 60 per cm, unmarked in the session
    EXPECT_EQ(cells.at({6, 3}), SheetValue(QStringLiteral("a <note> & {brace}")));

    const QString doc = home.filePath("r.doc");
    run = Report(kTwoShapes, {"--report", doc, "--title", "T"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const std::optional<QString> text = RtfPlainText(ReadFile(doc));
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->contains(QStringLiteral("Text:0|T:a <note> & {brace}|")))
        << text->toStdString();
}

TEST_F(CliReportTest, PutsThePictureWithItsMeasurementsIntoTheReport) {
    QImage grey(200, 80, QImage::Format_RGB32);
    grey.fill(QColor(128, 128, 128));
    ASSERT_TRUE(grey.save(home.filePath("grey.bmp")));
    const QString xls = home.filePath("p.xls");
    const CliRun run = Report(
        R"({"image": "grey.bmp", "shapes": [{"mode": 108, "points": [[10, 20], [130, 20], [60, 40]]}]})",
        {"--report", xls, "--picture"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const std::optional<CXlsContent> content = ReadXls(xls);
    ASSERT_TRUE(content);
    EXPECT_EQ(content->pictureWidth, 200);
    EXPECT_EQ(content->pictureHeight, 80);
    EXPECT_EQ(content->anchorRow, 7);
}

TEST_F(CliReportTest, RefusesWhatCannotBeReportedWithOneLine) {
    const auto refused = [this](const QByteArray& session, const QStringList& options,
                                const char* says) {
        const CliRun run = Report(session, options);
        EXPECT_EQ(run.exitCode, 2) << says;
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(says)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    };
    refused(kTwoShapes, {"--report", home.filePath("r.pdf")}, "is not a .xlsx");
    refused(R"({"shapes": []})", {"--report", home.filePath("r.docx")}, "no shapes");
    refused(kTwoShapes, {"--report", home.filePath("missing/r.xlsx")}, "could not be written");
    refused(kTwoShapes, {"--report", home.filePath("r.xlsx"), "--picture"}, "no picture");
    EXPECT_FALSE(QFile::exists(home.filePath("r.pdf")));
    EXPECT_FALSE(QFile::exists(home.filePath("r.xlsx")));

    // Report options without a report are a usage mistake.
    const CliRun run = Report(kTwoShapes, {"--title", "T"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.startsWith("usage:"));
}

TEST_F(CliReportTest, AnUnreadableSessionPictureStopsWithTheDecodersReason) {
    WriteFile(home.filePath("broken.bmp"), "BM but nothing more");
    const CliRun run = Report(R"({"image": "broken.bmp", "shapes": []})", {});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err.count('\n'), 1);
    EXPECT_TRUE(run.err.contains("cannot read the picture")) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
}

} // namespace
