#pragma once

#include <cstdint>

// The persisted settings. They live in one process-wide record that every
// subsystem reads directly (drawing style, decimals, export and capture
// options, language). The GUI thread is the only writer.
//
// Storage: QSettings, organisation "LOBRIN", application "Marnelo", group
// "Parameter", every value a 32-bit integer under the field's own name.
struct CParameters {
    std::int32_t videoformat = 3;    // capture pixel format choice
    std::int32_t imageformat = 1;    // snapshot format: 1 BMP, 2 JPG, 3 TIFF, 4 PNG
    std::int32_t languagemainid = 9; // primary language identifier
    std::int32_t languagesubid = 1;  // secondary language identifier
    std::int32_t saveoption1 = 1;    // exported picture size: 1 full, 2 half, 3 third, 4 zoom
    std::int32_t saveoption2 = 1;    // 1 = imprint measurements on exported pictures
    std::int32_t addexportimage = 1; // 1 = put the picture into reports
    std::int32_t snapshot = 1;       // still-pin snapshot check box
    std::int32_t linecolor = 255;    // COLORREF 0x00BBGGRR of measuring lines
    std::int32_t textcolor = 255;    // COLORREF of labels
    std::int32_t linewidth = 1;      // pen width in pixels
    std::int32_t textsize = 16;      // label font height
    std::int32_t measuredecimal = 6; // decimals of every measured value, 0..kMaxDecimals
    std::int32_t compress = 1;       // 1 = record uncompressed frames
    std::int32_t scalebar = 0;       // 1 = draw a scale bar on pictures, off by default
};

extern CParameters g_parameters;

// The most decimals a measured value is shown, reported or saved with.
inline constexpr int kMaxDecimals = 15;

// Reads the values over the current ones; a value that is missing or not
// a 32-bit number keeps what was there.
void LoadParameters();

// Writes all the values. The first save creates the store. Returns false when
// the store could not be written; the in-memory values stay as they are.
bool SaveParameters();

// The values of the settings dialog's Default button (measuredecimal is not
// reset, and the language becomes Simplified Chinese), set in memory only.
void ApplyResetValues(CParameters& parameters);

// Re-reads only saveoption1 and saveoption2, undoing values forced in memory
// for a snapshot.
void LoadSaveOptions();
