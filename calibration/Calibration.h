#pragma once

#include <optional>
#include <vector>

#include <QString>

// The camera a calibration was made on: its stable id and the frame size it
// delivered, in pixels. A scale in pixels per centimetre holds only for the
// picture it was measured on.
struct CCalibrationCamera {
    QString id;
    int width = 0;
    int height = 0;
    bool operator==(const CCalibrationCamera&) const = default;
};

// One stored calibration: four texts, as kept in data.xml, and the camera it
// was made on when it was made on the live picture. The numbers are parsed
// whenever the record is used (see ParseLeadingNumber).
struct CCalibrationData {
    QString name;   // title typed by the user; the key, compared without regard to case
    QString Unit;   // "nm", "um", "mm", "cm", "mil" (other texts are kept unchanged)
    QString ValueX; // scale: image pixels per centimetre, "%f"
    QString ValueY; // reference length in the record's unit, exactly as typed
    std::optional<CCalibrationCamera> camera = std::nullopt;
};

// Every calibration the user has made, in insertion order. Names are not
// forced unique here (the manager refuses duplicates); lookups take the
// first match.
struct CCalibrationStore {
    std::vector<CCalibrationData> records;
};

// The calibration every shown length and area is converted with. The initial
// values measure in millimetres at 60 pixels per centimetre.
struct CCurrentCalibration {
    QString selectedName; // record chosen in the manager; empty: uncalibrated
    QString unit = QStringLiteral("mm");
    double unitFactor = 10.0;     // units of `unit` in one centimetre
    double scale = 60.0;          // pixels per centimetre; kept positive and finite
    double referenceLength = 2.0; // ValueY of the applied record
    double lastLineLength = 2.0;  // converted length of the last completed distance line
    // A distance line was completed in this run. Until then the last line
    // length is only its starting value, not a line on any picture.
    bool lineDrawn = false;
    // The camera the scale was made on, when known (a calibration made on
    // the live picture); none for the initial scale and for still pictures.
    std::optional<CCalibrationCamera> camera;
    // The camera and frame size the last distance line was drawn on; none
    // for a line on a still picture. A manual calibration records it.
    std::optional<CCalibrationCamera> lineCamera;
};

// Both live for the whole process and are used on the GUI thread only.
extern CCalibrationStore g_calibrationStore;
extern CCurrentCalibration g_calibration;

// Pixel-to-unit conversion with a unit factor F and a scale S:
// length = pixels × F / S, area = square pixels × F² / S². Angles are not converted.
struct CUnitConversion {
    double factor = 10.0;
    double scale = 60.0;

    double Length(double pixels) const { return pixels * factor / scale; }
    double Area(double squarePixels) const {
        return squarePixels * factor * factor / (scale * scale);
    }

    friend bool operator==(const CUnitConversion&, const CUnitConversion&) = default;
};

// The conversion of the current calibration.
CUnitConversion CurrentConversion();

// The leading decimal number of a text, as a plain C conversion reads it:
// leading white space skipped, then an optional sign, digits, a decimal point
// and an exponent; trailing text is ignored. Independent of the process locale.
// A text without a leading number, or one that is not finite, gives 0.
double ParseLeadingNumber(const QString& text);

// The unit factor of a unit text ("nm" 10000000, "um" 10000, "mil" 393.700787,
// "mm" 10, "cm" 1, compared without regard to case); nullopt for any other text.
std::optional<double> UnitFactorOf(const QString& unit);

// Sets g_calibration.unitFactor from g_calibration.unit and returns it; an
// unknown unit leaves the factor as it was.
double UnitFactor();

// The first record whose name equals `name` without regard to case fills the
// outputs (ValueX and ValueY parsed) and the result is true; otherwise the
// outputs are untouched and the result is false.
bool FindCalibration(const QString& name, QString& unit, double& valueX, double& valueY);

// An empty name destroys every record; otherwise only the first record whose
// name matches without regard to case is removed. The current calibration is
// never changed.
void RemoveCalibration(const QString& name);

// Makes the stored record `name` the current calibration: unit, unit factor,
// scale, reference length and the camera it was made on. The selected name is the caller's to set.
// Returns false and changes nothing when no record matches or when its scale
// is not a positive number (a zero scale would make every length infinite).
bool ApplyCalibration(const QString& name);
