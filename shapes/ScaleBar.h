#pragma once

#include "calibration/Calibration.h"
#include "framework/DrawContext.h"

#include <optional>

#include <QRect>
#include <QString>

// A scale bar: a round length of the current unit drawn in the bottom-right
// corner of a picture, its length written above it, so a saved or shown
// picture carries its own scale.

// The length a bar shows: 1, 2 or 5 × 10ⁿ in the unit.
struct CScaleBarLength {
    double value = 0;  // in the unit
    double pixels = 0; // the same length in image pixels
    QString text;      // value and unit, "0.5mm"; never in the process locale
};

// The round length nearest (by ratio) to a fifth of `pictureWidth` image
// pixels under `conversion`; nullopt for a picture without width or a
// conversion that gives no finite positive length.
std::optional<CScaleBarLength>
ChooseScaleBarLength(int pictureWidth, const CUnitConversion& conversion, const QString& unit);

// Colours and sizes of the bar: the drawing style's line and text colours,
// line width and text size.
struct CScaleBarStyle {
    COLORREF lineColor = 255;
    COLORREF textColor = 255;
    int penWidth = 1;
    int textSize = 16;

    static CScaleBarStyle FromSettings();
};

// Where the bar and its text go, in device pixels.
struct CScaleBarPlacement {
    int left = 0; // the bar runs from left to right at y
    int right = 0;
    int y = 0;
    QRect text; // the box the text is centred in
};

// The bar of `barLength` device pixels in the bottom-right corner of the
// box (0, 0)–(right, bottom), a margin off both edges. nullopt when the bar
// and its margins do not fit the box, or the bar is shorter than 2 pixels.
std::optional<CScaleBarPlacement> PlaceScaleBar(double barLength, int right, int bottom,
                                                const CScaleBarStyle& style);

// Draws the bar and its text with a halo of black or white, whichever
// stands out more from each colour, so it reads on light and dark pictures.
// Leaves the context's selection as it found it.
void DrawScaleBar(CDrawContext& dc, const CScaleBarPlacement& placement, const QString& text,
                  const CScaleBarStyle& style);

// A picture of imageWidth × imageHeight pixels drawn at `zoom` with its
// top-left corner at (−offsetX, −offsetY): its scale bar for `conversion`,
// placed at the zoomed picture's bottom-right corner. Draws nothing when no
// bar fits. Touches no process-wide state.
void DrawPictureScaleBar(CDrawContext& dc, int imageWidth, int imageHeight, double zoom,
                         int offsetX, int offsetY, const CUnitConversion& conversion,
                         const QString& unit, const CScaleBarStyle& style);

// The same with the current calibration and drawing style, and only while
// the scale bar setting is on. GUI thread.
void DrawCurrentScaleBar(CDrawContext& dc, int imageWidth, int imageHeight, double zoom,
                         int offsetX = 0, int offsetY = 0);
