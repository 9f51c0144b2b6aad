#include "core/ImageFormats.h"

#include <QRegularExpression>

namespace {

constexpr ImageFormatRow kRows[] = {
    {kImageFormatBmp, true, true, "BMP files", "*.bmp"},
    {kImageFormatJpeg, true, true, "JPG files", "*.jpg;*.jpeg"},
    {kImageFormatTiff, true, true, "TIFF files", "*.tif;*.tiff"},
    {kImageFormatPng, true, true, "PNG files", "*.png"},
};

constexpr SnapshotFormatRow kSnapshotRows[] = {
    {1, kImageFormatBmp, "BMP", "bmp"},
    {2, kImageFormatJpeg, "JPG", "jpg"},
    {3, kImageFormatTiff, "TIFF", "tif"},
    {4, kImageFormatPng, "PNG", "png"},
};

QString PatternsOf(const ImageFormatRow& row) {
    return QString::fromLatin1(row.pattern).replace(u';', u' ');
}

} // namespace

std::span<const ImageFormatRow> ImageFormatTable() {
    return kRows;
}

ImageDialogSetup MakeImageDialogSetup(ImageDialogMode mode, int formatId) {
    ImageDialogSetup setup;
    setup.title = mode == ImageDialogMode::Open ? QStringLiteral("Open image file")
                                                : QStringLiteral("Save image file");
    const int wanted = formatId == 0 ? kImageFormatBmp : formatId;
    QStringList everyPattern;
    for (const ImageFormatRow& row : kRows) {
        if (mode == ImageDialogMode::Open ? !row.canOpen : !row.canSave) {
            continue;
        }
        const QString filter =
            QString::fromLatin1(row.filterText) + QStringLiteral(" (") + PatternsOf(row) + u')';
        if (row.id == wanted) {
            setup.initialFilter = static_cast<int>(setup.filters.size());
            setup.defaultSuffix = SuffixOfFilter(filter);
        }
        setup.filters.append(filter);
        setup.formatIds.append(row.id);
        everyPattern.append(PatternsOf(row));
    }
    if (mode == ImageDialogMode::Open) {
        // Every picture shows at first, whatever format the last one had.
        setup.filters.prepend(QStringLiteral("All pictures (") + everyPattern.join(u' ') + u')');
        setup.formatIds.prepend(kImageFormatAny);
        setup.initialFilter = 0;
    }
    if (setup.defaultSuffix.isEmpty() && !setup.filters.isEmpty()) {
        setup.defaultSuffix = QString::fromLatin1(kRows[0].pattern).mid(2);
    }
    return setup;
}

QString SuffixOfFilter(const QString& filter) {
    static const QRegularExpression pattern(QStringLiteral(R"(\(\*\.([^)*;\s]+))"));
    return pattern.match(filter).captured(1);
}

std::span<const SnapshotFormatRow> SnapshotFormatTable() {
    return kSnapshotRows;
}

const SnapshotFormatRow& SnapshotFormatOf(int setting) {
    for (const SnapshotFormatRow& row : kSnapshotRows) {
        if (row.setting == setting) {
            return row;
        }
    }
    return kSnapshotRows[1];
}
