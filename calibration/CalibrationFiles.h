#pragma once

#include <QString>

// The calibration files of the program folder (g_folders.programFolder):
// data.xml mirrors the store, defaultcalibration.txt names the calibration
// applied last. GUI thread only.

// "<program folder>/data.xml" and "<program folder>/defaultcalibration.txt".
QString CalibrationStorePath();
QString DefaultCalibrationPath();

// Replaces the store with the records of an XML file: the root's first child
// element holds one child element per record, whose attributes are read by
// position (name, Unit, ValueX, ValueY, a fifth starting over at name);
// element and attribute names are not checked. A record's child element
// "camera" with the attributes id, width and height (positive) says where
// it was made; one that is not whole is ignored. Text is UTF-8. On a file that
// cannot be read or parsed the store is left empty, `error` (when given)
// receives the parser's error text and the result is false.
bool LoadCalibrationsFrom(const QString& path, QString* error = nullptr);

// Loads data.xml of the program folder as above. A missing file is an empty
// store and no failure. A file that cannot be read or parsed leaves the store
// empty and is named on standard error with the parser's error, once until a
// load succeeds or the error changes.
bool LoadCalibrations();

// Writes the whole store to an XML file: root "LOBRIN", one "Calibration"
// element with name="Data", one "caldata" element per record with the
// attributes name, Unit, ValueX, ValueY and, for a record made on the live
// picture, a child element "camera" with id, width and height (a reader that
// walks only the attributes still sees just the four); UTF-8, no declaration, no
// byte-order mark. The file is written aside and renamed into place, so a failed save
// leaves the previous file whole. Returns false when it could not be written.
bool SaveCalibrationsTo(const QString& path);

// Saves the store to data.xml of the program folder as above.
bool SaveCalibrations();

// Writes `name` to defaultcalibration.txt as UTF-16LE code units (no
// byte-order mark, no terminator), replacing the file whole or not at all.
bool WriteDefaultCalibration(const QString& name);

// Deletes defaultcalibration.txt if it exists.
void RemoveDefaultCalibration();

// Restores the calibration applied last: reads defaultcalibration.txt (an odd
// byte length drops the last byte) and, when the store holds that name with a
// usable scale, applies it and makes it the selected name. Otherwise nothing
// changes and the result is false. Uses the store as it is loaded.
bool RestoreDefaultCalibration();
