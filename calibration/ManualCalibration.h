#pragma once

#include <optional>

#include <QString>

// A calibration made by drawing a distance line over a ruler of known length.
enum class ManualCalibrationResult {
    Stored,         // the record was added and saved; the new scale is current
    EmptyField,     // title, unit or real length left empty
    DuplicateTitle, // a record of that title (without regard to case) exists
    BadRealLength,  // the real length is not a positive number
    NoLine,         // no distance line was drawn since start or since the last calibration
    SaveFailed,     // data.xml could not be written; nothing changed
};

// The new scale in pixels per centimetre: the last line length (in the current
// unit) over the real length, times the current scale. nullopt when the real
// length or the last line length is not a positive number.
std::optional<double> ManualScale(double lastLineLength, double realLength, double scale);

// Adds a record titled `title` with the typed unit, the new scale formatted
// "%f" and the real length exactly as typed, saves data.xml, makes the new
// scale current and sets the last line length to 0. The selected name, the
// current unit and defaultcalibration.txt stay as they are. On any result
// other than Stored nothing changes; the caller shows the matching message.
ManualCalibrationResult CalibrateManually(const QString& title, const QString& unit,
                                          const QString& realLengthText);
