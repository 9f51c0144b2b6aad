#pragma once

#include <QString>

// What the export dialog collected for the last report, kept for the run
// (empty at start). The report writers read it after the dialog closed with
// OK. GUI thread only.
struct CExportSettings {
    QString path;           // the report file to write
    QString title;          // report title
    QString company;        // company name printed in the report
    QString author;         // author printed in the report
    bool selective = false; // Excel: the user picks the measurements to include
};

extern CExportSettings g_exportSettings;
