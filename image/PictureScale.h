#pragma once

#include <optional>
#include <string>
#include <string_view>

// The scale a picture file carries, in the calibration's own terms.
struct CPictureScale {
    double pixelsPerCentimetre = 0; // > 0; x resolution (pictures with non-square pixels keep x)
    std::string unit;               // the calibration's unit text: "nm", "um", "mil", "mm" or "cm"
    std::string calibrationName;    // from our own tag/text chunk; empty from foreign files
    bool operator==(const CPictureScale&) const = default;
};

// Units per centimetre of a calibration unit ("nm", "um", "mil", "mm", "cm");
// 0 for any other text.
double UnitsPerCentimetre(std::string_view unit);

// Our own record of a scale inside a picture file (a private TIFF tag, a PNG
// text chunk): the exact scale, the unit and the calibration's name, one
// "key=value" line each. Parsing ignores unknown lines and fails without a
// positive scale or a known unit.
std::string ScaleRecord(const CPictureScale& scale);
std::optional<CPictureScale> ParseScaleRecord(std::string_view text);

// The scale of a foreign file from its resolution (`perUnit` pixels per
// resolution unit) and the unit text of an ImageJ description, if any.
// `resolutionUnit` is 2 for inch, 3 for centimetre and 1 (or anything else)
// for none, as TIFF numbers them; PNG's metre comes in as centimetres.
std::optional<CPictureScale> ForeignScale(double perUnit, int resolutionUnit,
                                          std::string_view imageJDescription);

// The ImageJ description that makes ImageJ open a picture written with
// resolution tags in pixels per centimetre already calibrated. ImageJ rescales
// a centimetre resolution only for its "um" unit, so every unit but the
// centimetre is described as micrometres (the same scale, told in microns).
std::string ImageJDescription(const CPictureScale& scale);
