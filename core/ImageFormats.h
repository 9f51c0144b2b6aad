#pragma once

#include <span>

#include <QString>
#include <QStringList>

// The picture formats the open and save dialogs offer, by format id; "any"
// is the open dialog's first filter, which the file's content decides.
inline constexpr int kImageFormatAny = 0;
inline constexpr int kImageFormatBmp = 1;
inline constexpr int kImageFormatJpeg = 3;

struct ImageFormatRow {
    int id;
    bool canOpen;
    bool canSave;
    const char* filterText; // "BMP files"
    const char* pattern;    // "*.bmp" or "*.jpg;*.jpeg"
};

std::span<const ImageFormatRow> ImageFormatTable();

enum class ImageDialogMode { Open, Save };

// The state an image file dialog starts with and how its answer maps back.
struct ImageDialogSetup {
    QString title;         // "Open image file" / "Save image file"
    QStringList filters;   // Qt name filters, one per allowed row: "BMP files (*.bmp)";
                           // opening offers "All pictures" first and preselects it
    QList<int> formatIds;  // the format id of each filter
    int initialFilter = 0; // index into filters (0-based)
    QString defaultSuffix; // "bmp" or "jpg"
};

// `formatId` 0 or unknown counts as BMP.
ImageDialogSetup MakeImageDialogSetup(ImageDialogMode mode, int formatId);
