#include "tools/ToolCommands.h"

#include "core/CommandIds.h"
#include "shapes/ShapeKinds.h"
#include "tools/ToolModes.h"

namespace {

constexpr int kAutoCircleCode = 108;
constexpr int kAutoLineCode = 110;

// The live adjustment code that goes with a measuring mode (0: none).
int LiveCodeOfMode(int mode) {
    switch (mode) {
    case MeasureMode::kAutoCircle:
        return kAutoCircleCode;
    case MeasureMode::kAutoLine:
        return kAutoLineCode;
    default:
        return 0;
    }
}

} // namespace

CToolCommandOutcome CImageToolModes::OnCommand(int commandId) {
    CToolCommandOutcome outcome;
    if (const CMeasuringToolInfo* tool = MeasuringToolOfCommand(commandId)) {
        outcome.handled = true;
        outcome.repaint = true;
        areaMode = 0;
        const bool armed = measureMode != tool->mode;
        measureMode = armed ? tool->mode : 0;
        outcome.hint = armed ? ToolHint(commandId) : QString();
        if (tool->mode == MeasureMode::kCrosshair) {
            outcome.crosshair = armed;
        }
    } else if (const CAreaToolInfo* area = AreaToolOfCommand(commandId)) {
        outcome.handled = true;
        outcome.repaint = true;
        measureMode = 0;
        areaMode = area->areaMode;
        outcome.hint = ToolHint(commandId);
    } else if (const int operation = FlipOperation(commandId); operation != 0) {
        outcome.handled = true;
        outcome.repaint = true;
        outcome.startOperation = operation;
        outcome.hint = ToolHint(commandId);
    }
    return outcome;
}

bool CImageToolModes::OnUpdateCommand(int commandId, CCmdUI& cmdUI) const {
    if (const CMeasuringToolInfo* tool = MeasuringToolOfCommand(commandId)) {
        if (tool->mode != MeasureMode::kCrosshair) {
            cmdUI.SetCheck(measureMode == tool->mode);
        }
        return true;
    }
    return AreaToolOfCommand(commandId) != nullptr || FlipOperation(commandId) != 0;
}

CToolCommandOutcome CLiveToolModes::OnCommand(int commandId) {
    CToolCommandOutcome outcome;
    if (const CMeasuringToolInfo* tool = MeasuringToolOfCommand(commandId)) {
        outcome.handled = true;
        const int code = LiveCodeOfMode(tool->mode);
        const bool armed = measureMode != tool->mode;
        measureMode = armed ? tool->mode : 0;
        if (code != 0) {
            adjustmentCode = armed ? code : 0;
        }
        outcome.hint = armed ? ToolHint(commandId) : QString();
        if (tool->mode == MeasureMode::kCrosshair) {
            outcome.crosshair = armed;
        }
    } else if (const CAreaToolInfo* area = AreaToolOfCommand(commandId)) {
        outcome.handled = true;
        outcome.clearLiveSelection = true;
        if (adjustmentCode == area->liveCode) {
            measureMode = 0;
            adjustmentCode = 0;
            outcome.hint = QString();
        } else {
            measureMode = kLiveAreaSelectionMode;
            adjustmentCode = area->liveCode;
            outcome.hint = ToolHint(commandId);
        }
    } else if (commandId == ID_FLIP_HORIZONTAL) {
        outcome.handled = true;
        outcome.toggleHalfTurn = true;
    } else if (commandId == ID_FLIP_VERTICAL) {
        outcome.handled = true;
        outcome.toggleMirror = true;
    }
    return outcome;
}

bool CLiveToolModes::OnUpdateCommand(int commandId, CCmdUI& cmdUI) const {
    if (const CMeasuringToolInfo* tool = MeasuringToolOfCommand(commandId)) {
        cmdUI.SetCheck(measureMode == tool->mode);
        return true;
    }
    if (const CAreaToolInfo* area = AreaToolOfCommand(commandId)) {
        cmdUI.SetCheck(measureMode == kLiveAreaSelectionMode && adjustmentCode == area->liveCode);
        return true;
    }
    return commandId == ID_FLIP_HORIZONTAL || commandId == ID_FLIP_VERTICAL;
}
