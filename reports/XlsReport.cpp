#include "reports/CompoundFile.h"
#include "reports/ReportWriters.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include <QCryptographicHash>
#include <QHash>

// A binary workbook as small as the report needs: the global records of one
// sheet with a default font and format, the shared strings, the cells, and
// one picture kept as a 24-bit bitmap in the drawing records.

namespace {

constexpr qsizetype kMaxRecordData = 8224;
constexpr int kMaxRows = 65536;
constexpr int kMaxColumns = 256;
constexpr std::uint16_t kCellFormat = 15; // the first cell format after the 15 style formats
// The picture's size in cells at the default column width and row height.
constexpr int kColumnPixels = 64;
constexpr int kRowPixels = 17;

namespace Record {
constexpr std::uint16_t kBof = 0x0809;
constexpr std::uint16_t kEof = 0x000A;
constexpr std::uint16_t kCodePage = 0x0042;
constexpr std::uint16_t kWindow1 = 0x003D;
constexpr std::uint16_t kFont = 0x0031;
constexpr std::uint16_t kXf = 0x00E0;
constexpr std::uint16_t kStyle = 0x0293;
constexpr std::uint16_t kBoundSheet = 0x0085;
constexpr std::uint16_t kSst = 0x00FC;
constexpr std::uint16_t kContinue = 0x003C;
constexpr std::uint16_t kDefColWidth = 0x0055;
constexpr std::uint16_t kDefaultRowHeight = 0x0225;
constexpr std::uint16_t kDimensions = 0x0200;
constexpr std::uint16_t kLabelSst = 0x00FD;
constexpr std::uint16_t kNumber = 0x0203;
constexpr std::uint16_t kDrawingGroup = 0x00EB;
constexpr std::uint16_t kDrawing = 0x00EC;
constexpr std::uint16_t kObj = 0x005D;
constexpr std::uint16_t kWindow2 = 0x023E;
} // namespace Record

void Add16(QByteArray& out, std::uint32_t value) {
    out.append(static_cast<char>(value));
    out.append(static_cast<char>(value >> 8));
}

void Add32(QByteArray& out, std::uint32_t value) {
    Add16(out, value & 0xFFFF);
    Add16(out, value >> 16);
}

QByteArray Bytes(std::initializer_list<std::uint8_t> bytes) {
    QByteArray out;
    for (const std::uint8_t b : bytes) {
        out.append(static_cast<char>(b));
    }
    return out;
}

// A record; data past the record limit goes on in CONTINUE records.
void AddRecord(QByteArray& stream, std::uint16_t type, const QByteArray& data) {
    qsizetype at = 0;
    do {
        const qsizetype chunk = std::min(kMaxRecordData, data.size() - at);
        Add16(stream, at == 0 ? type : Record::kContinue);
        Add16(stream, static_cast<std::uint32_t>(chunk));
        stream.append(data.constData() + at, chunk);
        at += chunk;
    } while (at < data.size());
}

QByteArray Bof(std::uint16_t kind) {
    QByteArray data;
    Add16(data, 0x0600); // BIFF8
    Add16(data, kind);
    Add16(data, 0x0DBB); // build
    Add16(data, 0x07CC); // year
    Add32(data, 0);
    Add32(data, 0x00000006); // lowest version that can read it: BIFF8
    return data;
}

QByteArray Font() {
    QByteArray data;
    Add16(data, 200); // 10 points in twentieths
    Add16(data, 0);
    Add16(data, 0x7FFF); // automatic colour
    Add16(data, 400);    // normal weight
    Add16(data, 0);
    data.append(QByteArray(4, '\0'));
    const QByteArray name = "Arial";
    data.append(static_cast<char>(name.size()));
    data.append('\0'); // one byte per character
    data.append(name);
    return data;
}

QByteArray Xf(bool style) {
    QByteArray data = Bytes({0, 0, 0, 0});
    Add16(data, style ? 0xFFF5 : 0x0001); // locked; style formats have no parent
    data.append(Bytes({0x20, 0, 0, static_cast<std::uint8_t>(style ? 0xF4 : 0)}));
    data.append(QByteArray(8, '\0'));
    Add16(data, 0x20C0); // default pattern colours
    return data;
}

// The shared strings: SST then CONTINUE records. A string's character
// header never splits; its characters may continue in the next record,
// which then starts with the option byte again.
void AddSharedStrings(QByteArray& stream, const QStringList& strings, std::uint32_t total) {
    std::vector<QByteArray> records(1);
    Add32(records[0], total);
    Add32(records[0], static_cast<std::uint32_t>(strings.size()));
    for (const QString& text : strings) {
        if (records.back().size() + 5 > kMaxRecordData) {
            records.emplace_back();
        }
        Add16(records.back(), static_cast<std::uint32_t>(text.size()));
        records.back().append('\x01'); // UTF-16
        for (const QChar c : text) {
            if (records.back().size() + 2 > kMaxRecordData) {
                records.emplace_back(1, '\x01');
            }
            Add16(records.back(), c.unicode());
        }
    }
    for (std::size_t i = 0; i < records.size(); ++i) {
        AddRecord(stream, i == 0 ? Record::kSst : Record::kContinue, records[i]);
    }
}

// An office drawing record header: version, instance, type, length.
QByteArray Escher(std::uint16_t version, std::uint16_t instance, std::uint16_t type,
                  const QByteArray& body) {
    QByteArray out;
    Add16(out, static_cast<std::uint32_t>(version | (instance << 4)));
    Add16(out, type);
    Add32(out, static_cast<std::uint32_t>(body.size()));
    return out + body;
}

constexpr std::uint8_t kBlipDib = 7;

QByteArray DrawingGroup(const QByteArray& dib) {
    const QByteArray uid = QCryptographicHash::hash(dib, QCryptographicHash::Md5);
    QByteArray dgg;
    Add32(dgg, 1026); // next shape id
    Add32(dgg, 2);    // clusters + 1
    Add32(dgg, 2);    // shapes saved
    Add32(dgg, 1);    // drawings saved
    Add32(dgg, 1);    // drawing 1 ...
    Add32(dgg, 2);    // ... uses two shape ids
    const QByteArray blip = Escher(0, 0x7A8, 0xF01F, uid + QByteArray(1, '\xFF') + dib);
    QByteArray bse = Bytes({kBlipDib, kBlipDib}) + uid;
    Add16(bse, 0x00FF);
    Add32(bse, static_cast<std::uint32_t>(blip.size()));
    Add32(bse, 1); // references
    Add32(bse, 0); // not in a delay stream
    bse.append(QByteArray(4, '\0'));
    const QByteArray store = Escher(0xF, 1, 0xF001, Escher(2, kBlipDib, 0xF007, bse + blip));
    return Escher(0xF, 0, 0xF000, Escher(0, 0, 0xF006, dgg) + store);
}

// The sheet's drawing with the one picture: the group and the picture shape
// anchored from (row, 0) over as many cells as the picture covers at scale 1.
QByteArray Drawing(int row, int width, int height) {
    const auto clampCell = [](int cell, int limit, int& offset, int units) {
        if (cell >= limit) {
            offset = units - 1;
            return limit - 1;
        }
        return cell;
    };
    int dxRight = (width % kColumnPixels) * 1024 / kColumnPixels;
    const int right = clampCell(width / kColumnPixels, kMaxColumns, dxRight, 1024);
    int dyBottom = (height % kRowPixels) * 256 / kRowPixels;
    const int bottom = clampCell(row + height / kRowPixels, kMaxRows, dyBottom, 256);

    QByteArray group;
    group.append(Escher(1, 0, 0xF009, QByteArray(16, '\0')));
    QByteArray groupShape;
    Add32(groupShape, 1024);
    Add32(groupShape, 0x0005); // group, patriarch
    group.append(Escher(2, 0, 0xF00A, groupShape));

    QByteArray shape;
    Add32(shape, 1025);
    Add32(shape, 0x0A00); // has anchor, has shape type
    QByteArray options;
    Add16(options, 0x4104); // the picture: blip store entry ...
    Add32(options, 1);      // ... number 1
    QByteArray anchor;
    for (const int value : {0, 0, 0, row, 0, right, dxRight, bottom, dyBottom}) {
        Add16(anchor, static_cast<std::uint32_t>(value));
    }
    const QByteArray picture = Escher(2, 75, 0xF00A, shape) + Escher(3, 1, 0xF00B, options) +
                               Escher(0, 0, 0xF010, anchor) + Escher(0, 0, 0xF011, QByteArray());

    QByteArray dg;
    Add32(dg, 2);    // shapes
    Add32(dg, 1025); // last shape id
    const QByteArray tree =
        Escher(0xF, 0, 0xF003, Escher(0xF, 0, 0xF004, group) + Escher(0xF, 0, 0xF004, picture));
    return Escher(0xF, 0, 0xF002, Escher(0, 1, 0xF008, dg) + tree);
}

QByteArray PictureObject() {
    QByteArray data;
    Add16(data, 0x0015); // common object data
    Add16(data, 0x0012);
    Add16(data, 8); // picture
    Add16(data, 1); // object id
    Add16(data, 0x6011);
    data.append(QByteArray(12, '\0'));
    Add16(data, 0x0007); // clipboard format: bitmap
    Add16(data, 2);
    Add16(data, 0x0009);
    Add16(data, 0x0008); // picture options
    Add16(data, 2);
    Add16(data, 0);
    Add32(data, 0); // end
    return data;
}

bool DibSize(const QByteArray& dib, int& width, int& height) {
    if (dib.size() < 40) {
        return false;
    }
    std::int32_t w = 0;
    std::int32_t h = 0;
    std::memcpy(&w, dib.constData() + 4, 4);
    std::memcpy(&h, dib.constData() + 8, 4);
    width = w;
    height = h < 0 ? -h : h;
    return w > 0 && h != 0;
}

} // namespace

CReportBytes WriteXlsReport(const CSheetReport& sheet, const QByteArray& dib) {
    std::vector<CSheetCell> cells = sheet.cells;
    std::stable_sort(cells.begin(), cells.end(), [](const CSheetCell& a, const CSheetCell& b) {
        return a.row != b.row ? a.row < b.row : a.column < b.column;
    });
    int lastRow = 0;
    int lastColumn = 0;
    for (const CSheetCell& cell : cells) {
        if (cell.row < 0 || cell.row >= kMaxRows || cell.column < 0 || cell.column >= kMaxColumns) {
            return {{},
                    QStringLiteral("The report has more rows than an .xls workbook holds; "
                                   "save it as .xlsx.")};
        }
        lastRow = std::max(lastRow, cell.row);
        lastColumn = std::max(lastColumn, cell.column);
    }
    int pictureWidth = 0;
    int pictureHeight = 0;
    const bool picture = sheet.pictureRow >= 0 && sheet.pictureRow < kMaxRows &&
                         DibSize(dib, pictureWidth, pictureHeight);

    QStringList strings;
    QHash<QString, std::uint32_t> stringIndex;
    std::uint32_t labels = 0;
    QByteArray cellRecords;
    for (const CSheetCell& cell : cells) {
        QByteArray data;
        Add16(data, static_cast<std::uint32_t>(cell.row));
        Add16(data, static_cast<std::uint32_t>(cell.column));
        Add16(data, kCellFormat);
        if (cell.number) {
            std::uint64_t bits = 0;
            std::memcpy(&bits, &*cell.number, sizeof bits);
            Add32(data, static_cast<std::uint32_t>(bits));
            Add32(data, static_cast<std::uint32_t>(bits >> 32));
            AddRecord(cellRecords, Record::kNumber, data);
            continue;
        }
        const QString text = CleanReportText(cell.text);
        auto found = stringIndex.find(text);
        if (found == stringIndex.end()) {
            found = stringIndex.insert(text, static_cast<std::uint32_t>(strings.size()));
            strings.append(text);
        }
        Add32(data, *found);
        AddRecord(cellRecords, Record::kLabelSst, data);
        ++labels;
    }

    QByteArray globals;
    AddRecord(globals, Record::kBof, Bof(0x0005));
    AddRecord(globals, Record::kCodePage, Bytes({0xB0, 0x04})); // UTF-16
    AddRecord(globals, Record::kWindow1,
              Bytes({0, 0, 0, 0, 0x00, 0x40, 0x00, 0x20, 0x38, 0, 0, 0, 0, 0, 1, 0, 0x58, 0x02}));
    for (int i = 0; i < 4; ++i) {
        AddRecord(globals, Record::kFont, Font());
    }
    for (int i = 0; i < 15; ++i) {
        AddRecord(globals, Record::kXf, Xf(true));
    }
    AddRecord(globals, Record::kXf, Xf(false));
    AddRecord(globals, Record::kStyle, Bytes({0x00, 0x80, 0x00, 0xFF})); // "Normal"
    const qsizetype sheetOffsetAt = globals.size() + 4;
    AddRecord(globals, Record::kBoundSheet,
              Bytes({0, 0, 0, 0, 0, 0, 6, 0, 'S', 'h', 'e', 'e', 't', '1'}));
    if (picture) {
        AddRecord(globals, Record::kDrawingGroup, DrawingGroup(dib));
    }
    AddSharedStrings(globals, strings, labels);
    AddRecord(globals, Record::kEof, {});
    const auto sheetOffset = static_cast<std::uint32_t>(globals.size());
    for (int i = 0; i < 4; ++i) {
        globals[sheetOffsetAt + i] = static_cast<char>(sheetOffset >> (8 * i));
    }

    QByteArray worksheet;
    AddRecord(worksheet, Record::kBof, Bof(0x0010));
    AddRecord(worksheet, Record::kDefColWidth, Bytes({8, 0}));
    AddRecord(worksheet, Record::kDefaultRowHeight, Bytes({0, 0, 0xFF, 0}));
    QByteArray dimensions;
    Add32(dimensions, 0);
    Add32(dimensions, cells.empty() ? 0 : static_cast<std::uint32_t>(lastRow + 1));
    Add16(dimensions, 0);
    Add16(dimensions, cells.empty() ? 0 : static_cast<std::uint32_t>(lastColumn + 1));
    Add16(dimensions, 0);
    AddRecord(worksheet, Record::kDimensions, dimensions);
    worksheet.append(cellRecords);
    if (picture) {
        AddRecord(worksheet, Record::kDrawing,
                  Drawing(sheet.pictureRow, pictureWidth, pictureHeight));
        AddRecord(worksheet, Record::kObj, PictureObject());
    }
    AddRecord(worksheet, Record::kWindow2,
              Bytes({0xB6, 0x06, 0, 0, 0, 0, 0x40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    AddRecord(worksheet, Record::kEof, {});

    const QByteArray file = WriteCompoundFile(QStringLiteral("Workbook"), globals + worksheet);
    if (file.isEmpty()) {
        return {{},
                QStringLiteral("The picture is too large for an .xls workbook; save it as "
                               ".xlsx.")};
    }
    return {file, {}};
}
