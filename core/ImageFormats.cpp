#include "core/ImageFormats.h"

namespace {

constexpr ImageFormatRow kRows[] = {
    {kImageFormatBmp, true, true, "BMP files", "*.bmp"},
    {kImageFormatJpeg, true, true, "JPG files", "*.jpg;*.jpeg"},
};

} // namespace

std::span<const ImageFormatRow> ImageFormatTable() {
    return kRows;
}

ImageDialogSetup MakeImageDialogSetup(ImageDialogMode mode, int formatId) {
    ImageDialogSetup setup;
    setup.title = mode == ImageDialogMode::Open ? QStringLiteral("Open image file")
                                                : QStringLiteral("Save image file");
    const int wanted = formatId == 0 ? kImageFormatBmp : formatId;
    for (const ImageFormatRow& row : kRows) {
        if (mode == ImageDialogMode::Open ? !row.canOpen : !row.canSave) {
            continue;
        }
        const QString patterns = QString::fromLatin1(row.pattern).replace(u';', u' ');
        if (row.id == wanted) {
            setup.initialFilter = static_cast<int>(setup.filters.size());
            // The default extension is the pattern's first suffix ("*.jpg;..." -> "jpg").
            setup.defaultSuffix = QString::fromLatin1(row.pattern).mid(2, 3);
        }
        setup.filters.append(QString::fromLatin1(row.filterText) + QStringLiteral(" (") + patterns +
                             u')');
        setup.formatIds.append(row.id);
    }
    if (mode == ImageDialogMode::Open) {
        // Every picture shows at first, whatever format the last one had.
        setup.filters.prepend(QStringLiteral("All pictures (*.bmp *.jpg *.jpeg)"));
        setup.formatIds.prepend(kImageFormatAny);
        setup.initialFilter = 0;
    }
    if (setup.defaultSuffix.isEmpty() && !setup.filters.isEmpty()) {
        setup.defaultSuffix = QString::fromLatin1(kRows[0].pattern).mid(2, 3);
    }
    return setup;
}
