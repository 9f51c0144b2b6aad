#pragma once

#include <span>

#include <QString>
#include <QStringList>

// The picture formats the open and save dialogs offer, by format id; "any"
// is the open dialog's first filter, which the file's content decides.
inline constexpr int kImageFormatAny = 0;
inline constexpr int kImageFormatBmp = 1;
inline constexpr int kImageFormatJpeg = 3;
inline constexpr int kImageFormatPng = 4;
inline constexpr int kImageFormatTiff = 6;

struct ImageFormatRow {
    int id;
    bool canOpen;
    bool canSave;
    const char* filterText; // "BMP files"
    const char* pattern;    // "*.bmp" or "*.jpg;*.jpeg"; the first suffix is the default
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

// The extension a name filter stands for: its first pattern's suffix
// ("TIFF files (*.tif *.tiff)" -> "tif"); empty when it names none. A name
// typed without extension gets it, so the chosen filter decides the kind.
QString SuffixOfFilter(const QString& filter);

// The kinds a snapshot and a time-lapse picture can be, by the stored
// snapshot format setting (imageformat). The first two values keep the
// meaning they always had.
struct SnapshotFormatRow {
    int setting;        // 1 BMP, 2 JPG, 3 TIFF, 4 PNG
    int formatId;       // kImageFormat…, the same number as the picture type
    const char* label;  // "BMP"
    const char* suffix; // "bmp"
};

std::span<const SnapshotFormatRow> SnapshotFormatTable();

// The row of a stored setting; any value we do not know is JPG, as anything
// but 1 always was.
const SnapshotFormatRow& SnapshotFormatOf(int setting);
