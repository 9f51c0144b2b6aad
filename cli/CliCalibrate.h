#pragma once

#include "cli/CliSession.h"

// "calibrate": stores a calibration as the manual calibration of the
// calibration pane does. The session's last distance line is taken to be
// `realLength` long; the record (`title`, `unit`, the new scale) is added to
// the program folder's data.xml, which is written whole. Outputs the stored
// record as JSON. Status 2 for a bad session, an empty or duplicate title,
// a length that is no positive number or a session without a distance
// line; 1 when data.xml cannot be read or written (it is then left as it
// was).
CCliOutcome RunCalibrateSession(const QByteArray& sessionJson, const QString& sessionFolder,
                                const QString& title, const QString& realLength,
                                const QString& unit);
