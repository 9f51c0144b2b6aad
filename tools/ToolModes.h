#pragma once

#include <span>

#include <QString>

// The measuring and area tools of both documents: which command arms which
// measuring mode (the values of shapes/ShapeKinds.h) or area mode, the hint
// each shows, and the numbers the live picture uses for them.

// The measuring mode of the live area selection (live documents only).
inline constexpr int kLiveAreaSelectionMode = 132;

// One measuring or annotation tool. `liveKind` is the live view's own number
// for the tool (0: clicks do nothing there).
struct CMeasuringToolInfo {
    int commandId;
    int mode;
    int liveKind;
};

// One area tool: the image document's area mode 2..8, the operation code its
// adjustment runs on the chosen rectangle, and the live adjustment code.
struct CAreaToolInfo {
    int commandId;
    int areaMode;
    int operation;
    int liveCode;
};

// The 23 measuring tools, crosshair included.
std::span<const CMeasuringToolInfo> MeasuringTools();
// The seven area tools (the two flips are not among them).
std::span<const CAreaToolInfo> AreaTools();

// The row of a command, of a measuring mode or of an area mode; nullptr when
// there is none.
const CMeasuringToolInfo* MeasuringToolOfCommand(int commandId);
const CMeasuringToolInfo* MeasuringToolOfMode(int mode);
const CAreaToolInfo* AreaToolOfCommand(int commandId);
const CAreaToolInfo* AreaToolOfMode(int areaMode);

// The adjustment operation a flip command starts on the whole image (32832
// horizontal, 32828 vertical); 0 for other commands.
int FlipOperation(int commandId);

// The live view's kind for a live measuring mode (100 for the area
// selection); 0 for a mode the live view does not know.
int LiveKindOfMode(int mode);

// True for the measuring modes whose clicks the image view places: every tool
// mode above, crosshair included.
bool IsPlacementMode(int mode);

// The status-line hint of a tool command, looked up in the language file each
// time (limit 256); empty for a command without one. Both flips share one
// hint, as do the three distance tools.
QString ToolHint(int commandId);
