#include "reports/CompoundFile.h"

#include <cstdint>
#include <vector>

namespace {

constexpr int kSectorSize = 512;
constexpr int kMiniSectorSize = 64;
constexpr std::uint32_t kMiniCutoff = 4096;
constexpr int kIdsPerSector = kSectorSize / 4;
constexpr int kHeaderFatSlots = 109;
constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFatSector = 0xFFFFFFFD;
constexpr std::uint32_t kDifatSector = 0xFFFFFFFC;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;

void Put16(QByteArray& out, qsizetype at, std::uint16_t value) {
    out[at] = static_cast<char>(value);
    out[at + 1] = static_cast<char>(value >> 8);
}

void Put32(QByteArray& out, qsizetype at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[at + i] = static_cast<char>(value >> (8 * i));
    }
}

qsizetype SectorsFor(qsizetype bytes, int sectorSize) {
    return (bytes + sectorSize - 1) / sectorSize;
}

// One 128-byte directory entry.
void PutEntry(QByteArray& sector, int index, const QString& name, std::uint8_t type,
              std::uint32_t child, std::uint32_t start, std::uint32_t size) {
    const qsizetype at = static_cast<qsizetype>(index) * 128;
    for (qsizetype i = 0; i < name.size(); ++i) {
        Put16(sector, at + 2 * i, name[i].unicode());
    }
    Put16(sector, at + 64, static_cast<std::uint16_t>((name.size() + 1) * 2));
    sector[at + 66] = static_cast<char>(type);
    sector[at + 67] = 1; // black: the one-entry tree is trivially balanced
    Put32(sector, at + 68, kNoStream);
    Put32(sector, at + 72, kNoStream);
    Put32(sector, at + 76, child);
    Put32(sector, at + 116, start);
    Put32(sector, at + 120, size);
}

} // namespace

QByteArray WriteCompoundFile(const QString& streamName, const QByteArray& stream) {
    if (stream.size() >= 0x7FFF0000 || streamName.size() > 31) {
        return {};
    }
    const auto size = static_cast<std::uint32_t>(stream.size());
    const bool mini = size < kMiniCutoff;
    // The sectors in file order: the stream (or the mini stream holding it),
    // the mini FAT, the directory, then the FAT and DIFAT sectors.
    const qsizetype miniSectors = mini ? SectorsFor(size, kMiniSectorSize) : 0;
    const qsizetype dataSectors = mini ? SectorsFor(miniSectors * kMiniSectorSize, kSectorSize)
                                       : SectorsFor(size, kSectorSize);
    const qsizetype miniFatSectors = mini && miniSectors > 0 ? 1 : 0;
    const qsizetype fixedSectors = dataSectors + miniFatSectors + 1;
    qsizetype fatSectors = 1;
    qsizetype difatSectors = 0;
    for (;;) {
        const qsizetype total = fixedSectors + fatSectors + difatSectors;
        const qsizetype needFat = SectorsFor(total, kIdsPerSector);
        const qsizetype needDifat = needFat > kHeaderFatSlots
                                        ? SectorsFor(needFat - kHeaderFatSlots, kIdsPerSector - 1)
                                        : 0;
        if (needFat == fatSectors && needDifat == difatSectors) {
            break;
        }
        fatSectors = needFat;
        difatSectors = needDifat;
    }
    const auto miniFatStart = static_cast<std::uint32_t>(dataSectors);
    const auto directoryStart = static_cast<std::uint32_t>(dataSectors + miniFatSectors);
    const auto fatStart = directoryStart + 1;
    const auto difatStart = fatStart + static_cast<std::uint32_t>(fatSectors);
    const qsizetype totalSectors = fixedSectors + fatSectors + difatSectors;

    std::vector<std::uint32_t> fat(static_cast<std::size_t>(fatSectors * kIdsPerSector),
                                   kFreeSector);
    for (qsizetype i = 0; i < dataSectors; ++i) {
        fat[static_cast<std::size_t>(i)] =
            i + 1 < dataSectors ? static_cast<std::uint32_t>(i + 1) : kEndOfChain;
    }
    if (miniFatSectors > 0) {
        fat[miniFatStart] = kEndOfChain;
    }
    fat[directoryStart] = kEndOfChain;
    for (qsizetype i = 0; i < fatSectors; ++i) {
        fat[fatStart + static_cast<std::size_t>(i)] = kFatSector;
    }
    for (qsizetype i = 0; i < difatSectors; ++i) {
        fat[difatStart + static_cast<std::size_t>(i)] = kDifatSector;
    }

    QByteArray file(kSectorSize * (totalSectors + 1), '\0');
    // Header.
    file.replace(0, 8, QByteArray::fromHex("D0CF11E0A1B11AE1"));
    Put16(file, 24, 0x003E);
    Put16(file, 26, 3);
    Put16(file, 28, 0xFFFE);
    Put16(file, 30, 9);
    Put16(file, 32, 6);
    Put32(file, 44, static_cast<std::uint32_t>(fatSectors));
    Put32(file, 48, directoryStart);
    Put32(file, 56, kMiniCutoff);
    Put32(file, 60, miniFatSectors > 0 ? miniFatStart : kEndOfChain);
    Put32(file, 64, static_cast<std::uint32_t>(miniFatSectors));
    Put32(file, 68, difatSectors > 0 ? difatStart : kEndOfChain);
    Put32(file, 72, static_cast<std::uint32_t>(difatSectors));
    for (int i = 0; i < kHeaderFatSlots; ++i) {
        Put32(file, 76 + 4 * i,
              i < fatSectors ? fatStart + static_cast<std::uint32_t>(i) : kFreeSector);
    }
    const auto sectorOffset = [](qsizetype sector) {
        return kSectorSize * (sector + 1);
    };

    // The stream (or the mini stream: its mini sectors back to back).
    file.replace(sectorOffset(0), stream.size(), stream);
    if (miniFatSectors > 0) {
        const qsizetype at = sectorOffset(miniFatStart);
        for (qsizetype i = 0; i < kIdsPerSector; ++i) {
            Put32(file, at + 4 * i,
                  i < miniSectors
                      ? (i + 1 < miniSectors ? static_cast<std::uint32_t>(i + 1) : kEndOfChain)
                      : kFreeSector);
        }
    }

    QByteArray directory(kSectorSize, '\0');
    for (int i = 0; i < 4; ++i) {
        Put32(directory, i * 128 + 68, kNoStream);
        Put32(directory, i * 128 + 72, kNoStream);
        Put32(directory, i * 128 + 76, kNoStream);
    }
    const std::uint32_t miniStreamStart = mini && miniSectors > 0 ? 0 : kEndOfChain;
    PutEntry(directory, 0, QStringLiteral("Root Entry"), 5, 1, miniStreamStart,
             static_cast<std::uint32_t>(miniSectors * kMiniSectorSize));
    // The stream starts at sector 0, or at mini sector 0 of the mini stream.
    PutEntry(directory, 1, streamName, 2, kNoStream, size == 0 ? kEndOfChain : 0, size);
    file.replace(sectorOffset(directoryStart), kSectorSize, directory);

    for (qsizetype i = 0; i < fatSectors * kIdsPerSector; ++i) {
        Put32(file, sectorOffset(fatStart) + 4 * i, fat[static_cast<std::size_t>(i)]);
    }
    // DIFAT sectors: 127 further FAT sector numbers each, then the next one.
    for (qsizetype d = 0; d < difatSectors; ++d) {
        const qsizetype at = sectorOffset(difatStart + d);
        for (qsizetype i = 0; i < kIdsPerSector - 1; ++i) {
            const qsizetype fatIndex = kHeaderFatSlots + d * (kIdsPerSector - 1) + i;
            Put32(file, at + 4 * i,
                  fatIndex < fatSectors ? fatStart + static_cast<std::uint32_t>(fatIndex)
                                        : kFreeSector);
        }
        Put32(file, at + 4 * (kIdsPerSector - 1),
              d + 1 < difatSectors ? difatStart + static_cast<std::uint32_t>(d + 1) : kEndOfChain);
    }
    return file;
}
