#include "reports/ParticleResults.h"
#include "reports/ReportFiles.h"
#include "tests/reports/ReportReaders.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

// The particle table and summary in every report file, read back as a
// reading program finds them: each workbook's cells, each document's text.

namespace {

CParticle Particle(int id, double area) {
    CParticle p;
    p.id = id;
    p.area = area;
    p.perimeter = 40;
    p.circularity = 0.9;
    p.feret = 12;
    p.minFeret = 10;
    p.feretAngle = 30;
    p.centroidX = 10.5;
    p.centroidY = 20.5;
    p.boxWidth = 11;
    p.boxHeight = 11;
    return p;
}

CReportInput ParticleInput() {
    CParticleResult result;
    result.unit = "mm";
    result.areaFraction = 0.125;
    result.particles = {Particle(1, 123.45), Particle(2, 76.55)};
    CReportInput input;
    input.conversion = CUnitConversion{1.0, 1.0};
    input.particleRows = ParticleReportRows(result, 2);
    return input;
}

} // namespace

TEST(ParticleReportRows, TableThenSummaryWithLocaleFreeNumbers) {
    const std::vector<QStringList> rows = ParticleInput().particleRows;
    ASSERT_EQ(rows.size(), 1 + 2 + 1 + 1 + 6 + 2u);
    EXPECT_EQ(rows[0].value(1), "Area (mm²)");
    EXPECT_EQ(rows[1].mid(0, 2), (QStringList{"1", "123.45"}));
    EXPECT_TRUE(rows[3].isEmpty());
    // Mean of the areas, then the count and the fraction in per cent.
    EXPECT_EQ(rows[5].value(1), "100.00");
    EXPECT_EQ(rows[11].value(1), "2");
    EXPECT_EQ(rows[12].value(1), "12.50");
    EXPECT_TRUE(ParticleReportRows(CParticleResult{}, 2).empty());
}

TEST(ParticleReportFiles, EveryKindHoldsTheParticleTableAndSummary) {
    ScopedProgramFolder home;
    QTemporaryDir dir;
    const CReportInput input = ParticleInput();
    for (const char* name : {"p.xlsx", "p.xls", "p.docx", "p.doc"}) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        ASSERT_EQ(WriteReportFile(path, input, nullptr), QString()) << name;
        QString text;
        SheetCells cells;
        if (path.endsWith(".xlsx")) {
            cells = ReadXlsxCells(path);
        } else if (path.endsWith(".xls")) {
            const std::optional<CXlsContent> xls = ReadXls(path);
            ASSERT_TRUE(xls) << name;
            cells = xls->cells;
        } else if (path.endsWith(".docx")) {
            text = QString::fromUtf8(ZipEntry(path, "word/document.xml"));
        } else {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            text = RtfPlainText(file.readAll()).value_or(QString());
        }
        for (const auto& [at, value] : cells) {
            if (const double* number = std::get_if<double>(&value)) {
                text += QString::asprintf("|%.2f", *number);
            } else if (const QString* words = std::get_if<QString>(&value)) {
                text += u'|' + *words;
            }
        }
        for (const char* expected : {"Area (mm²)", "123.45", "76.55", "Area fraction:", "12.50"}) {
            EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << name << " " << expected;
        }
    }
}
