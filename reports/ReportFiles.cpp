#include "reports/ReportFiles.h"

#include "core/FileWriting.h"
#include "image/Dib.h"
#include "reports/ReportPicture.h"
#include "reports/ReportWriters.h"

#include <QFileInfo>

std::optional<ReportFileKind> ReportFileKindOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("xlsx")) {
        return ReportFileKind::Xlsx;
    }
    if (suffix == QLatin1String("xls")) {
        return ReportFileKind::Xls;
    }
    if (suffix == QLatin1String("docx")) {
        return ReportFileKind::Docx;
    }
    if (suffix == QLatin1String("doc")) {
        return ReportFileKind::Doc;
    }
    return std::nullopt;
}

QString ReportPathForFamily(const QString& path, bool spreadsheet) {
    const std::optional<ReportFileKind> kind = ReportFileKindOf(path);
    if (kind && IsSpreadsheet(*kind) == spreadsheet) {
        return path;
    }
    return path + (spreadsheet ? QStringLiteral(".xls") : QStringLiteral(".doc"));
}

QString CleanReportText(const QString& text, qsizetype limit) {
    QString clean;
    clean.reserve(std::min(text.size(), limit));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate()) {
            if (i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                if (clean.size() + 2 > limit) {
                    break;
                }
                clean.append(c);
                clean.append(text[++i]);
            }
            continue;
        }
        const char16_t u = c.unicode();
        const bool allowed = (u >= 0x20 || u == u'\t' || u == u'\n' || u == u'\r') &&
                             !c.isLowSurrogate() && u != 0xFFFE && u != 0xFFFF;
        if (!allowed) {
            continue;
        }
        if (clean.size() + 1 > limit) {
            break;
        }
        clean.append(c);
    }
    return clean;
}

QString WriteReportFile(const QString& path, const CReportInput& input, const CDib* picture) {
    const std::optional<ReportFileKind> kind = ReportFileKindOf(path);
    if (!kind) {
        return QStringLiteral("Reports are written as .xlsx, .xls, .docx or .doc files.");
    }
    const bool withPicture = input.picture && picture != nullptr && picture->IsValid();
    QByteArray image;
    if (withPicture) {
        image =
            *kind == ReportFileKind::Xls ? EncodeReportDib(*picture) : EncodeReportPng(*picture);
        if (image.isEmpty()) {
            return QStringLiteral("The picture could not be prepared for the report.");
        }
    }
    CReportBytes file;
    if (IsSpreadsheet(*kind)) {
        CSheetReport sheet = BuildSheetReport(input);
        if (!withPicture) {
            sheet.pictureRow = -1;
        }
        file = *kind == ReportFileKind::Xlsx ? WriteXlsxReport(sheet, image)
                                             : WriteXlsReport(sheet, image);
    } else {
        CDocumentReport document = BuildDocumentReport(input);
        document.picture = withPicture;
        file = *kind == ReportFileKind::Docx ? WriteDocxReport(document, image)
                                             : WriteRtfReport(document, image);
    }
    if (!file.error.isEmpty()) {
        return file.error;
    }
    if (!WriteFileWhole(path, file.bytes)) {
        return QStringLiteral("The report could not be written to %1.")
            .arg(QFileInfo(path).absoluteFilePath());
    }
    return {};
}
