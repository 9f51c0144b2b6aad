#pragma once

#include <QByteArray>
#include <QString>

// The "measure" command of marnelo-cli: reads a session (the calibration, the
// decimals, the image size and the shapes, as JSON), builds every shape
// through the same factory as the view, completes it as the view does and
// computes its results with the current calibration, then writes one JSON
// document. The session and output formats are described in README.md.

struct CCliOutcome {
    int exitStatus = 0; // 0 measured, 2 bad input
    QByteArray output;  // the JSON document when measured
    QString error;      // one line naming the problem otherwise
};

// Runs a session given as JSON text. Relative store paths are taken from
// `sessionFolder`. Changes the process-wide calibration and store.
CCliOutcome RunMeasureSession(const QByteArray& sessionJson, const QString& sessionFolder);
