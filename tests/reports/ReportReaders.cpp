#include "tests/reports/ReportReaders.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <tinyxml2.h>
#include <vector>
#include <zip.h>

#include <QFile>

namespace {

std::uint32_t Read32(const QByteArray& data, qsizetype at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<std::uint8_t>(data[at + i]);
    }
    return value;
}

std::uint16_t Read16(const QByteArray& data, qsizetype at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(data[at]) |
                                      (static_cast<std::uint8_t>(data[at + 1]) << 8));
}

} // namespace

QByteArray ZipEntry(const QString& zipPath, const char* name) {
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(zipPath).constData(), ZIP_RDONLY, &error);
    if (archive == nullptr) {
        return {};
    }
    QByteArray out;
    zip_stat_t stat;
    if (zip_stat(archive, name, 0, &stat) == 0) {
        if (zip_file_t* file = zip_fopen(archive, name, 0)) {
            out.resize(static_cast<qsizetype>(stat.size));
            if (zip_fread(file, out.data(), stat.size) != static_cast<zip_int64_t>(stat.size)) {
                out.clear();
            }
            zip_fclose(file);
        }
    }
    zip_discard(archive);
    return out;
}

QStringList ZipNames(const QString& zipPath) {
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(zipPath).constData(), ZIP_RDONLY, &error);
    QStringList names;
    if (archive == nullptr) {
        return names;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        names.append(QString::fromUtf8(zip_get_name(archive, static_cast<zip_uint64_t>(i), 0)));
    }
    zip_discard(archive);
    return names;
}

std::optional<QByteArray> CompoundFileStream(const QByteArray& file, const QString& name) {
    if (file.size() < 512 || !file.startsWith(QByteArray::fromHex("D0CF11E0A1B11AE1"))) {
        return std::nullopt;
    }
    const qsizetype sectorSize = qsizetype{1} << Read16(file, 30);
    const qsizetype miniSize = qsizetype{1} << Read16(file, 32);
    const auto sector = [&](std::uint32_t id) {
        return (static_cast<qsizetype>(id) + 1) * sectorSize;
    };
    const qsizetype perSector = sectorSize / 4;
    // FAT sector numbers: 109 in the header, then the DIFAT chain.
    std::vector<std::uint32_t> fatSectors;
    const std::uint32_t fatCount = Read32(file, 44);
    for (int i = 0; i < 109 && fatSectors.size() < fatCount; ++i) {
        fatSectors.push_back(Read32(file, 76 + 4 * i));
    }
    for (std::uint32_t d = Read32(file, 68); d < 0xFFFFFFFA && fatSectors.size() < fatCount;) {
        if (sector(d) + sectorSize > file.size()) {
            return std::nullopt;
        }
        for (qsizetype i = 0; i < perSector - 1 && fatSectors.size() < fatCount; ++i) {
            fatSectors.push_back(Read32(file, sector(d) + 4 * i));
        }
        d = Read32(file, sector(d) + 4 * (perSector - 1));
    }
    std::vector<std::uint32_t> fat;
    for (const std::uint32_t s : fatSectors) {
        if (sector(s) + sectorSize > file.size()) {
            return std::nullopt;
        }
        for (qsizetype i = 0; i < perSector; ++i) {
            fat.push_back(Read32(file, sector(s) + 4 * i));
        }
    }
    const auto chain = [&](std::uint32_t start, const std::vector<std::uint32_t>& table,
                           const auto& read) -> std::optional<QByteArray> {
        QByteArray out;
        std::size_t steps = 0;
        for (std::uint32_t s = start; s < 0xFFFFFFFA; s = table[s]) {
            if (s >= table.size() || ++steps > table.size()) {
                return std::nullopt;
            }
            const std::optional<QByteArray> block = read(s);
            if (!block) {
                return std::nullopt;
            }
            out += *block;
        }
        return out;
    };
    const auto readSector = [&](std::uint32_t s) -> std::optional<QByteArray> {
        if (sector(s) + sectorSize > file.size()) {
            return std::nullopt;
        }
        return file.mid(sector(s), sectorSize);
    };
    const std::optional<QByteArray> directory = chain(Read32(file, 48), fat, readSector);
    if (!directory) {
        return std::nullopt;
    }
    const std::optional<QByteArray> miniFatBytes = chain(Read32(file, 60), fat, readSector);
    std::vector<std::uint32_t> miniFat;
    for (qsizetype i = 0; miniFatBytes && i + 4 <= miniFatBytes->size(); i += 4) {
        miniFat.push_back(Read32(*miniFatBytes, i));
    }
    const std::optional<QByteArray> miniStream = chain(Read32(*directory, 116), fat, readSector);
    for (qsizetype at = 0; at + 128 <= directory->size(); at += 128) {
        const int nameBytes = Read16(*directory, at + 64);
        if (directory->at(at + 66) != 2 || nameBytes < 2 || nameBytes > 64) {
            continue;
        }
        QString entryName;
        for (int i = 0; i + 2 < nameBytes; i += 2) {
            entryName.append(QChar(Read16(*directory, at + i)));
        }
        if (entryName != name) {
            continue;
        }
        const std::uint32_t start = Read32(*directory, at + 116);
        const std::uint32_t size = Read32(*directory, at + 120);
        std::optional<QByteArray> data;
        if (size < Read32(file, 56)) {
            data = chain(start, miniFat, [&](std::uint32_t s) -> std::optional<QByteArray> {
                if (!miniStream || (s + 1) * miniSize > miniStream->size()) {
                    return std::nullopt;
                }
                return miniStream->mid(s * miniSize, miniSize);
            });
        } else {
            data = chain(start, fat, readSector);
        }
        if (!data || data->size() < size) {
            return std::nullopt;
        }
        return data->left(size);
    }
    return std::nullopt;
}

namespace {

// The option byte of a string part says one or two bytes per character.
QString ReadChars(const QByteArray& data, qsizetype& at, int count, bool wide) {
    QString text;
    for (int i = 0; i < count && at < data.size(); ++i) {
        text.append(QChar(wide ? Read16(data, at) : static_cast<std::uint8_t>(data[at])));
        at += wide ? 2 : 1;
    }
    return text;
}

QStringList SharedStrings(const std::vector<QByteArray>& parts) {
    QStringList strings;
    const std::uint32_t unique = Read32(parts[0], 4);
    std::size_t part = 0;
    qsizetype at = 8;
    while (static_cast<std::uint32_t>(strings.size()) < unique) {
        if (at >= parts[part].size()) {
            if (++part >= parts.size()) {
                break;
            }
            at = 0; // a string's header never splits, and carries its own option byte
        }
        int count = Read16(parts[part], at);
        bool wide = (parts[part][at + 2] & 1) != 0;
        at += 3;
        QString text;
        while (count > 0) {
            if (at >= parts[part].size()) {
                if (++part >= parts.size()) {
                    break;
                }
                wide = (parts[part][0] & 1) != 0;
                at = 1;
            }
            const int available = static_cast<int>((parts[part].size() - at) / (wide ? 2 : 1));
            const int take = std::min(count, available);
            text += ReadChars(parts[part], at, take, wide);
            count -= take;
        }
        strings.append(text);
    }
    return strings;
}

} // namespace

std::optional<CXlsContent> ReadXls(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const std::optional<QByteArray> stream = CompoundFileStream(file.readAll(), "Workbook");
    if (!stream) {
        return std::nullopt;
    }
    struct RecordData {
        std::uint16_t type;
        QByteArray data;
    };
    std::vector<RecordData> records;
    for (qsizetype at = 0; at + 4 <= stream->size();) {
        const std::uint16_t type = Read16(*stream, at);
        const std::uint16_t size = Read16(*stream, at + 2);
        if (at + 4 + size > stream->size()) {
            return std::nullopt;
        }
        records.push_back({type, stream->mid(at + 4, size)});
        at += 4 + size;
    }
    CXlsContent content;
    QStringList strings;
    QByteArray drawingGroup;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const RecordData& record = records[i];
        std::vector<QByteArray> parts = {record.data};
        while (i + 1 < records.size() && records[i + 1].type == 0x003C) {
            parts.push_back(records[++i].data);
        }
        if (record.type == 0x00FC) {
            strings = SharedStrings(parts);
        } else if (record.type == 0x00EB) {
            for (const QByteArray& part : parts) {
                drawingGroup += part;
            }
        } else if (record.type == 0x00FD || record.type == 0x0203) {
            const int row = Read16(record.data, 0);
            const int column = Read16(record.data, 2);
            if (record.type == 0x0203) {
                double value = 0;
                std::memcpy(&value, record.data.constData() + 6, 8);
                content.cells[{row, column}] = value;
            } else {
                const std::uint32_t index = Read32(record.data, 6);
                content.cells[{row, column}] =
                    index < static_cast<std::uint32_t>(strings.size()) ? strings[index] : QString();
            }
        } else if (record.type == 0x00EC) {
            // The client anchor record of the picture shape.
            const qsizetype anchor = record.data.indexOf(QByteArray::fromHex("000010F012000000"));
            if (anchor >= 0) {
                content.anchorColumn = Read16(record.data, anchor + 10);
                content.anchorRow = Read16(record.data, anchor + 14);
            }
        }
    }
    const qsizetype blip = drawingGroup.indexOf(QByteArray::fromHex("807A1FF0"));
    if (blip >= 0 && blip + 8 + 17 + 12 <= drawingGroup.size()) {
        const qsizetype header = blip + 8 + 17; // record header, then UID and tag
        content.pictureWidth = static_cast<int>(Read32(drawingGroup, header + 4));
        content.pictureHeight = static_cast<int>(Read32(drawingGroup, header + 8));
    }
    return content;
}

SheetCells ReadXlsxCells(const QString& path) {
    SheetCells cells;
    QStringList shared;
    tinyxml2::XMLDocument strings;
    const QByteArray stringsXml = ZipEntry(path, "xl/sharedStrings.xml");
    if (!stringsXml.isEmpty() && strings.Parse(stringsXml.constData(), stringsXml.size()) == 0) {
        for (auto* si = strings.RootElement()->FirstChildElement("si"); si != nullptr;
             si = si->NextSiblingElement("si")) {
            const auto* t = si->FirstChildElement("t");
            shared.append(QString::fromUtf8(t != nullptr && t->GetText() ? t->GetText() : ""));
        }
    }
    tinyxml2::XMLDocument sheet;
    const QByteArray sheetXml = ZipEntry(path, "xl/worksheets/sheet1.xml");
    if (sheetXml.isEmpty() || sheet.Parse(sheetXml.constData(), sheetXml.size()) != 0) {
        return cells;
    }
    const auto* data = sheet.RootElement()->FirstChildElement("sheetData");
    for (auto* row = data->FirstChildElement("row"); row != nullptr;
         row = row->NextSiblingElement("row")) {
        for (auto* c = row->FirstChildElement("c"); c != nullptr; c = c->NextSiblingElement("c")) {
            const QString ref = QString::fromUtf8(c->Attribute("r"));
            const int column = ref.at(0).unicode() - 'A';
            const int rowNumber = ref.mid(1).toInt() - 1;
            const auto* v = c->FirstChildElement("v");
            const char* type = c->Attribute("t");
            if (v == nullptr || v->GetText() == nullptr) {
                continue;
            }
            if (type != nullptr && std::strcmp(type, "s") == 0) {
                const int index = QString::fromUtf8(v->GetText()).toInt();
                cells[{rowNumber, column}] = index < shared.size() ? shared[index] : QString();
            } else {
                cells[{rowNumber, column}] = QString::fromUtf8(v->GetText()).toDouble();
            }
        }
    }
    return cells;
}

std::optional<QString> RtfPlainText(const QByteArray& rtf) {
    QString text;
    std::vector<bool> skipping = {false};
    int ucSkip = 0;
    for (qsizetype i = 0; i < rtf.size();) {
        const char c = rtf[i];
        if (c == '{') {
            const bool ignorable = rtf.mid(i + 1, 2) == "\\*";
            skipping.push_back(skipping.back() || ignorable);
            ++i;
        } else if (c == '}') {
            if (skipping.size() < 2) {
                return std::nullopt;
            }
            skipping.pop_back();
            if (skipping.size() == 1) {
                return rtf.mid(i + 1).trimmed().isEmpty() ? std::optional<QString>(text)
                                                          : std::nullopt;
            }
            ++i;
        } else if (c == '\\') {
            const char next = i + 1 < rtf.size() ? rtf[i + 1] : '\0';
            if (next == '\\' || next == '{' || next == '}') {
                if (!skipping.back()) {
                    text.append(QChar::fromLatin1(next));
                }
                i += 2;
                continue;
            }
            qsizetype end = i + 1;
            while (end < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[end]))) {
                ++end;
            }
            const QByteArray word = rtf.mid(i + 1, end - i - 1);
            qsizetype numberEnd = end;
            if (numberEnd < rtf.size() &&
                (rtf[numberEnd] == '-' ||
                 std::isdigit(static_cast<unsigned char>(rtf[numberEnd])))) {
                ++numberEnd;
                while (numberEnd < rtf.size() &&
                       std::isdigit(static_cast<unsigned char>(rtf[numberEnd]))) {
                    ++numberEnd;
                }
            }
            const int number = rtf.mid(end, numberEnd - end).toInt();
            i = numberEnd;
            if (i < rtf.size() && rtf[i] == ' ') {
                ++i;
            }
            if (word == "pict" || word == "fonttbl") {
                skipping.back() = true;
            }
            if (skipping.back()) {
                continue;
            }
            if (word == "u") {
                text.append(QChar(static_cast<char16_t>(static_cast<std::uint16_t>(number))));
                ucSkip = 1;
            } else if (word == "par" || word == "line") {
                text.append(u'\n');
            } else if (word == "tab") {
                text.append(u'\t');
            } else if (word == "cell") {
                text.append(u'|');
            } else if (word == "row") {
                text.append(u'\n');
            }
        } else {
            if (c != '\n' && c != '\r' && !skipping.back()) {
                if (ucSkip > 0) {
                    --ucSkip;
                } else {
                    text.append(QChar::fromLatin1(c));
                }
            }
            ++i;
        }
    }
    return std::nullopt;
}
