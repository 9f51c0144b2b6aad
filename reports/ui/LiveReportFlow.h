#pragma once

class QWidget;

// The report commands of the live window over its measurements
// (g_liveShapes) and the kept camera frame. `view` is the live view: the
// dialogs and messages are shown over it and a selective export puts its two
// selection buttons on it. The picture of the report is the kept frame at
// its own size, with the reported measurements drawn on it when the picture
// export imprints measurements. GUI thread only.

// Export to Excel: the export dialog, then the workbook of every live
// measurement (each is marked for export, and the marks stay), a workbook
// with the header only when there are none. A selective export shows the
// selection buttons instead: the first marks the newest measurement, the
// second writes the workbook of the marked ones and removes both buttons.
void ExportLiveToSpreadsheet(QWidget* view);

// Export to Word: the export dialog, then the document of every live
// measurement; nothing is written when there are none.
void ExportLiveToDocument(QWidget* view);

// Removes the selection buttons of a pending selective export (the live
// window does so when it becomes active); nothing happens without them.
void RemoveLiveSelectionButtons(QWidget* view);

// Export to CSV: the live measurements as the results pane lists them, in a
// file the user chooses; nothing without any.
void ExportLiveToCsv(QWidget* view);
