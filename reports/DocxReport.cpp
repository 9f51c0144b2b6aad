#include "reports/ReportPicture.h"
#include "reports/ReportWriters.h"

#include <algorithm>
#include <utility>
#include <vector>
#include <zip.h>

namespace {

// Text content and attribute values of WordprocessingML, escaped.
QString Xml(const QString& text) {
    QString out;
    const QString clean = CleanReportText(text, text.size());
    out.reserve(clean.size());
    for (const QChar c : clean) {
        switch (c.unicode()) {
        case u'&':
            out += QLatin1String("&amp;");
            break;
        case u'<':
            out += QLatin1String("&lt;");
            break;
        case u'>':
            out += QLatin1String("&gt;");
            break;
        case u'"':
            out += QLatin1String("&quot;");
            break;
        case u'\'':
            out += QLatin1String("&apos;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

constexpr int kTwipsPerPoint = 20;
constexpr int kPageWidth = 11906; // A4, twips
constexpr int kPageHeight = 16838;
constexpr int kMargin = static_cast<int>(kReportMarginPoints) * kTwipsPerPoint;
constexpr int kTextWidth = kPageWidth - 2 * kMargin;
constexpr qint64 kEmuPerTwip = 635;
constexpr qint64 kEmuPerPixel = 9525; // at 96 pixels per inch

QString RunProperties(int points) {
    return QStringLiteral(
               "<w:rPr><w:rFonts w:ascii=\"Arial\" w:hAnsi=\"Arial\" w:cs=\"Arial\" "
               "w:eastAsia=\"Arial\"/><w:sz w:val=\"%1\"/><w:szCs w:val=\"%1\"/></w:rPr>")
        .arg(points * 2);
}

// A run keeps line breaks of a text note as breaks.
QString Run(const QString& text, int points) {
    QString out = QStringLiteral("<w:r>") + RunProperties(points);
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            out += QLatin1String("<w:br/>");
        }
        out += QStringLiteral("<w:t xml:space=\"preserve\">") + Xml(lines[i]) +
               QLatin1String("</w:t>");
    }
    return out + QLatin1String("</w:r>");
}

QString Paragraph(const char* alignment, const QString& body) {
    return QStringLiteral("<w:p><w:pPr><w:jc w:val=\"%1\"/></w:pPr>")
               .arg(QLatin1String(alignment)) +
           body + QLatin1String("</w:p>");
}

// A table of equal columns across the text width; the measurements' table
// sets its first cell smaller, as the report always had it.
QString Table(const std::vector<QStringList>& rows, bool smallFirstCell) {
    const int columns = static_cast<int>(rows.front().size());
    const int cellWidth = kTextWidth / columns;
    QString out = QStringLiteral(
        "<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/><w:jc w:val=\"center\"/>"
        "<w:tblBorders><w:top w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"auto\"/>"
        "<w:left w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"auto\"/>"
        "<w:bottom w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"auto\"/>"
        "<w:right w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"auto\"/>"
        "<w:insideH w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"auto\"/>"
        "<w:insideV w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"auto\"/>"
        "</w:tblBorders></w:tblPr><w:tblGrid>");
    for (int c = 0; c < columns; ++c) {
        out += QStringLiteral("<w:gridCol w:w=\"%1\"/>").arg(cellWidth);
    }
    out += QLatin1String("</w:tblGrid>");
    for (std::size_t r = 0; r < rows.size(); ++r) {
        out += QLatin1String("<w:tr>");
        for (int c = 0; c < columns; ++c) {
            const int points = smallFirstCell && r == 0 && c == 0 ? 10 : 12;
            out += QStringLiteral("<w:tc><w:tcPr><w:tcW w:w=\"%1\" w:type=\"dxa\"/></w:tcPr>")
                       .arg(cellWidth) +
                   Paragraph("center", Run(rows[r].value(c), points)) + QLatin1String("</w:tc>");
        }
        out += QLatin1String("</w:tr>");
    }
    return out + QLatin1String("</w:tbl>");
}

// The picture inline at its size at 96 pixels per inch, made smaller to fit
// between the margins.
QString Picture(const QByteArray& png) {
    int width = 0;
    int height = 0;
    if (!PngSize(png, width, height)) {
        return {};
    }
    qint64 cx = width * kEmuPerPixel;
    qint64 cy = height * kEmuPerPixel;
    const qint64 maxWidth = kTextWidth * kEmuPerTwip;
    if (cx > maxWidth) {
        cy = std::max<qint64>(1, cy * maxWidth / cx);
        cx = maxWidth;
    }
    return Paragraph(
        "center",
        QStringLiteral(
            "<w:r><w:drawing><wp:inline distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\">"
            "<wp:extent cx=\"%1\" cy=\"%2\"/><wp:docPr id=\"1\" name=\"Picture 1\"/>"
            "<a:graphic xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\">"
            "<a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\">"
            "<pic:pic xmlns:pic=\"http://schemas.openxmlformats.org/drawingml/2006/picture\">"
            "<pic:nvPicPr><pic:cNvPr id=\"1\" name=\"picture.png\"/><pic:cNvPicPr/></pic:nvPicPr>"
            "<pic:blipFill><a:blip r:embed=\"rIdPicture\"/><a:stretch><a:fillRect/></a:stretch>"
            "</pic:blipFill><pic:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"%1\" cy=\"%2\"/>"
            "</a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></pic:spPr></pic:pic>"
            "</a:graphicData></a:graphic></wp:inline></w:drawing></w:r>")
            .arg(cx)
            .arg(cy));
}

QString DocumentXml(const CDocumentReport& document, const QByteArray& png) {
    QString body;
    body += Paragraph("both", Run(document.heading, 12));
    body += Paragraph("both", Run(document.company, 12));
    body += Paragraph("both", Run(document.author, 12));
    body += Paragraph("both", QStringLiteral("<w:bookmarkStart w:id=\"0\" w:name=\"%1\"/>")
                                      .arg(QLatin1String(kReportBookmark)) +
                                  Run(document.calibrator, 12) +
                                  QLatin1String("<w:bookmarkEnd w:id=\"0\"/>"));
    body += Paragraph("right", Run(document.date, 10));
    if (!document.rows.empty()) {
        body += Table(DocumentRows(document), true);
    }
    if (!document.summary.empty()) {
        // An empty paragraph keeps the two tables apart.
        body += Paragraph("both", QString()) + Table(document.summary, false);
    }
    if (!document.particles.empty()) {
        body += Paragraph("both", QString()) + Table(document.particles, false);
    }
    if (document.picture && !png.isEmpty()) {
        body += Picture(png);
    }
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
               "<w:document "
               "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
               "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
               "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/"
               "wordprocessingDrawing\">"
               "<w:body>") +
           body +
           QStringLiteral("<w:sectPr><w:pgSz w:w=\"%1\" w:h=\"%2\"/>"
                          "<w:pgMar w:top=\"%3\" w:right=\"%3\" w:bottom=\"%3\" w:left=\"%3\" "
                          "w:header=\"708\" w:footer=\"708\" w:gutter=\"0\"/></w:sectPr>"
                          "</w:body></w:document>")
               .arg(kPageWidth)
               .arg(kPageHeight)
               .arg(kMargin);
}

constexpr char kContentTypes[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" "
    "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Default Extension=\"png\" ContentType=\"image/png\"/>"
    "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
    "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
    "</Types>";

constexpr char kPackageRelationships[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
    "relationships/officeDocument\" Target=\"word/document.xml\"/>"
    "</Relationships>";

constexpr char kDocumentRelationships[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rIdPicture\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
    "relationships/image\" Target=\"media/picture.png\"/>"
    "</Relationships>";

// Zips the parts in memory. libzip reads the part buffers only when the
// archive is closed, so they must outlive the call to zip_close.
CReportBytes ZipParts(const std::vector<std::pair<const char*, QByteArray>>& parts) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (target == nullptr) {
        zip_error_fini(&error);
        return {{}, QStringLiteral("The document could not be packed: out of memory.")};
    }
    zip_t* archive = zip_open_from_source(target, ZIP_TRUNCATE, &error);
    if (archive == nullptr) {
        zip_source_free(target);
        zip_error_fini(&error);
        return {{}, QStringLiteral("The document could not be packed.")};
    }
    zip_error_fini(&error);
    zip_source_keep(target);
    bool added = true;
    for (const auto& [name, bytes] : parts) {
        zip_source_t* part = zip_source_buffer(archive, bytes.constData(),
                                               static_cast<zip_uint64_t>(bytes.size()), 0);
        const zip_int64_t index =
            part == nullptr ? -1 : zip_file_add(archive, name, part, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(part);
            added = false;
            break;
        }
        // Pictures are compressed already.
        if (QByteArray(name).endsWith(".png")) {
            zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
        }
    }
    if (!added || zip_close(archive) != 0) {
        // A failed close leaves the archive open.
        zip_discard(archive);
        zip_source_free(target);
        return {{}, QStringLiteral("The document could not be packed.")};
    }
    QByteArray out;
    zip_stat_t stat;
    if (zip_source_stat(target, &stat) == 0 && zip_source_open(target) == 0) {
        out.resize(static_cast<qsizetype>(stat.size));
        const zip_int64_t read =
            zip_source_read(target, out.data(), static_cast<zip_uint64_t>(out.size()));
        zip_source_close(target);
        if (read != out.size()) {
            out.clear();
        }
    }
    zip_source_free(target);
    if (out.isEmpty()) {
        return {{}, QStringLiteral("The packed document could not be read.")};
    }
    return {out, {}};
}

} // namespace

CReportBytes WriteDocxReport(const CDocumentReport& document, const QByteArray& png) {
    const bool withPicture = document.picture && !png.isEmpty();
    std::vector<std::pair<const char*, QByteArray>> parts = {
        {"[Content_Types].xml", QByteArray(kContentTypes)},
        {"_rels/.rels", QByteArray(kPackageRelationships)},
        {"word/document.xml", DocumentXml(document, png).toUtf8()},
    };
    if (withPicture) {
        parts.emplace_back("word/_rels/document.xml.rels", QByteArray(kDocumentRelationships));
        parts.emplace_back("word/media/picture.png", png);
    }
    return ZipParts(parts);
}
