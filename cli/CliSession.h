#pragma once

#include "camera/VideoShape.h"

#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

// The commands of marnelo-cli over a session (the calibration, the decimals,
// the picture, the zoom, the shapes and the clicks, as JSON): every shape is
// built through the same factory and placement logic as the view, completed
// as the view completes it and measured with the current calibration;
// pictures are read and written with the application's own codecs. The
// session and output formats are described in README.md.

// What "measure" writes besides the results: the picture with the shapes
// burned in (--save), and the spreadsheet or document report of every shape
// (--report, in the kind its extension names, with the picture when
// `reportPicture` is set).
struct CMeasureOutputs {
    QString savePath;
    QString reportPath;
    QString title;
    QString company;
    QString author;
    bool reportPicture = false;
};

struct CCliOutcome {
    int exitStatus = 0;   // 0 done, 1 the output could not be made, 2 bad input
    QByteArray output;    // what goes to standard output
    QString error;        // one line naming the problem when not done
    QStringList warnings; // problems that did not stop the command
};

// "measure": one JSON document with every shape's results and labels; with
// a save path, also the session's picture with the shapes burned in, written
// as the application's Save writes it (BMP or JPEG by the extension); with a
// report path, the report of every shape, as an export of all writes it
// (status 2 for an unknown extension, a session without shapes or a file that
// cannot be written). Pictures need a QGuiApplication. Relative paths are
// taken from `sessionFolder`. A session picture that cannot be read is an
// error (status 2, the decoder's reason). Changes the process-wide
// calibration, store and measure decimals.
CCliOutcome RunMeasureSession(const QByteArray& sessionJson, const QString& sessionFolder,
                              const CMeasureOutputs& outputs = {});

// "render": draws the shapes on the session's picture (or a white one of the
// session's size) at zoom 1 in the current drawing style and replaces
// `picturePath` with it as a 24-bit BMP. Needs a QGuiApplication (fonts).
CCliOutcome RunRenderSession(const QByteArray& sessionJson, const QString& sessionFolder,
                             const QString& picturePath);

// "snapshot --session": the session's shapes, read as "measure" reads them,
// as live measurements whose points are the camera frame's pixels, for
// imprinting on a snapshot as the live view's snapshots are. Shapes no live
// tool makes are left out with a warning. Changes the process-wide
// calibration, store and measure decimals, which the labels then show.
// Status 2 and the problem for a session that cannot be used.
CCliOutcome ReadLiveSessionShapes(const QByteArray& sessionJson, const QString& sessionFolder,
                                  std::vector<CVideoShap>& shapes);
