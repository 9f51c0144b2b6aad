#include "tools/ToolModes.h"

#include "core/CommandIds.h"
#include "core/Language.h"
#include "shapes/ShapeFactory.h"
#include "shapes/ShapeKinds.h"
#include "tests/support/TestEnvironment.h"
#include "tools/ToolCommands.h"

#include <gtest/gtest.h>

namespace M = MeasureMode;

namespace {

class ToolModesTest : public ::testing::Test {
protected:
    // A language file in the program folder, made the current one.
    void UseLanguageFile(const QByteArray& body) {
        const QString path = home.filePath(QStringLiteral("Test.ini"));
        WriteFile(path, "[ZeDUV]\n" + body);
        g_language.file = path;
    }

    static bool Checked(const CImageToolModes& modes, int id) {
        CCmdUI ui(id);
        EXPECT_TRUE(modes.OnUpdateCommand(id, ui)) << id;
        return ui.checked();
    }
    static bool Checked(const CLiveToolModes& modes, int id) {
        CCmdUI ui(id);
        EXPECT_TRUE(modes.OnUpdateCommand(id, ui)) << id;
        return ui.checked();
    }

    ScopedProgramFolder home;
};

const QString kDistanceHint =
    QStringLiteral("Distance: Click the left mouse button to select 2 points");

} // namespace

TEST_F(ToolModesTest, EveryToolModeMakesItsShapeKindAndHasAHint) {
    EXPECT_EQ(MeasuringTools().size(), 23u);
    for (const CMeasuringToolInfo& tool : MeasuringTools()) {
        SCOPED_TRACE(tool.commandId);
        EXPECT_TRUE(IsPlacementMode(tool.mode));
        EXPECT_FALSE(ToolHint(tool.commandId).isEmpty());
        EXPECT_EQ(LiveKindOfMode(tool.mode), tool.liveKind);
        if (tool.mode != M::kCrosshair) {
            ASSERT_NE(KindOfMode(tool.mode), nullptr);
        }
    }
    EXPECT_EQ(ShapeKindTable().size() + 1, MeasuringTools().size());
    for (const CAreaToolInfo& area : AreaTools()) {
        EXPECT_EQ(AreaToolOfMode(area.areaMode), &area);
        EXPECT_FALSE(ToolHint(area.commandId).isEmpty());
    }
    EXPECT_EQ(LiveKindOfMode(kLiveAreaSelectionMode), 100);
    EXPECT_EQ(LiveKindOfMode(0), 0);
    EXPECT_FALSE(IsPlacementMode(0));
    EXPECT_FALSE(IsPlacementMode(kLiveAreaSelectionMode));
    EXPECT_EQ(ToolHint(ID_ZOOM_IN), QString());
}

TEST_F(ToolModesTest, HintsComeFromTheLanguageFileWithTheirDefaults) {
    UseLanguageFile("MSLINE=Abstand\nAMHFLIP=Spiegeln\nMARC=" + QByteArray(300, 'x') + "\n");
    EXPECT_EQ(ToolHint(ID_MEASURE_HLINE), "Abstand");
    EXPECT_EQ(ToolHint(ID_MEASURE_VLINE), "Abstand");
    // The vertical flip has no hint of its own.
    EXPECT_EQ(ToolHint(ID_FLIP_VERTICAL), "Spiegeln");
    EXPECT_EQ(ToolHint(ID_MEASURE_ARC), QString(255, 'x'));
    EXPECT_EQ(ToolHint(ID_MEASURE_LINECIRCLE),
              "Distance of a line and a circle: Click the left mouse button to select 4 points");
    EXPECT_EQ(ToolHint(ID_CROSSLINE), "Crosshairs: Click the left mouse button to add crosshairs");
    EXPECT_EQ(ToolHint(ID_AREA_DARKER),
              "Decrease brightness: Press the left mouse button to select an area");
}

TEST_F(ToolModesTest, ImageToolTogglesAndSwitchesDirectly) {
    CImageToolModes modes;
    CToolCommandOutcome armed = modes.OnCommand(ID_MEASURE_LINE);
    EXPECT_TRUE(armed.handled);
    EXPECT_EQ(modes.measureMode, M::kLine);
    EXPECT_EQ(armed.hint, kDistanceHint);
    EXPECT_TRUE(armed.repaint);
    EXPECT_TRUE(Checked(modes, ID_MEASURE_LINE));
    EXPECT_FALSE(Checked(modes, ID_MEASURE_HLINE));

    CToolCommandOutcome switched = modes.OnCommand(ID_MEASURE_HLINE);
    EXPECT_EQ(modes.measureMode, M::kHorizontalLine);
    EXPECT_EQ(switched.hint, kDistanceHint);
    EXPECT_FALSE(Checked(modes, ID_MEASURE_LINE));
    EXPECT_TRUE(Checked(modes, ID_MEASURE_HLINE));

    // Picking the armed tool again switches it off and clears its prompt.
    CToolCommandOutcome off = modes.OnCommand(ID_MEASURE_HLINE);
    EXPECT_EQ(modes.measureMode, 0);
    EXPECT_EQ(off.hint, QString());
    EXPECT_TRUE(off.repaint);
    EXPECT_FALSE(Checked(modes, ID_MEASURE_HLINE));
}

TEST_F(ToolModesTest, ImageAreaToolsStayArmedAndGiveWayToMeasuringTools) {
    CImageToolModes modes;
    modes.OnCommand(ID_MEASURE_POLYGON);
    CToolCommandOutcome area = modes.OnCommand(ID_AREA_SHARPEN);
    EXPECT_EQ(modes.measureMode, 0);
    EXPECT_EQ(modes.areaMode, 3);
    EXPECT_EQ(AreaToolOfMode(modes.areaMode)->operation, 32782);
    EXPECT_EQ(area.hint, "Sharpen: Press the left mouse button to select an area");
    modes.OnCommand(ID_AREA_SHARPEN);
    EXPECT_EQ(modes.areaMode, 3);
    EXPECT_FALSE(Checked(modes, ID_AREA_SHARPEN));

    modes.OnCommand(ID_AREA_BRIGHTER);
    EXPECT_EQ(modes.areaMode, 8);
    modes.OnCommand(ID_MARK_SQUARE);
    EXPECT_EQ(modes.areaMode, 0);
    EXPECT_EQ(modes.measureMode, M::kSquareMark);

    modes.Clear();
    EXPECT_EQ(modes.measureMode, 0);
    EXPECT_EQ(modes.areaMode, 0);
}

TEST_F(ToolModesTest, ImageCrosshairAndFlips) {
    CImageToolModes modes;
    modes.OnCommand(ID_AREA_EDGE);
    CToolCommandOutcome on = modes.OnCommand(ID_CROSSLINE);
    EXPECT_EQ(modes.measureMode, M::kCrosshair);
    EXPECT_EQ(modes.areaMode, 0);
    EXPECT_EQ(on.crosshair, true);
    EXPECT_TRUE(on.hint.has_value());
    EXPECT_FALSE(Checked(modes, ID_CROSSLINE)); // never shown pressed
    CToolCommandOutcome off = modes.OnCommand(ID_CROSSLINE);
    EXPECT_EQ(modes.measureMode, 0);
    EXPECT_EQ(off.crosshair, false);
    EXPECT_FALSE(modes.OnCommand(ID_MEASURE_LINE).crosshair.has_value());

    // Flips start at once and leave the armed tools.
    modes.OnCommand(ID_AREA_NEGATIVE);
    CToolCommandOutcome horizontal = modes.OnCommand(ID_FLIP_HORIZONTAL);
    CToolCommandOutcome vertical = modes.OnCommand(ID_FLIP_VERTICAL);
    EXPECT_EQ(horizontal.startOperation, 32832);
    EXPECT_EQ(vertical.startOperation, 32828);
    EXPECT_EQ(vertical.hint, "Flip: Press the left mouse button to select an area");
    EXPECT_EQ(modes.areaMode, 6);

    CCmdUI ui(ID_ZOOM_IN);
    EXPECT_FALSE(modes.OnUpdateCommand(ID_ZOOM_IN, ui));
    EXPECT_FALSE(modes.OnCommand(ID_UNDO).handled);
    EXPECT_EQ(modes.areaMode, 6);
}

TEST_F(ToolModesTest, LiveToolsToggleWithTheirAdjustmentCodes) {
    CLiveToolModes modes;
    CToolCommandOutcome edge = modes.OnCommand(ID_AREA_EDGE);
    EXPECT_TRUE(edge.clearLiveSelection);
    EXPECT_EQ(modes.measureMode, kLiveAreaSelectionMode);
    EXPECT_EQ(modes.adjustmentCode, 100);
    EXPECT_TRUE(edge.hint.has_value());
    EXPECT_TRUE(Checked(modes, ID_AREA_EDGE));
    EXPECT_FALSE(Checked(modes, ID_AREA_RELIEF));

    // Measuring tools keep the adjustment; the area tool then still toggles off.
    modes.OnCommand(ID_MEASURE_LINE);
    EXPECT_EQ(modes.measureMode, M::kLine);
    EXPECT_EQ(modes.adjustmentCode, 100);
    EXPECT_FALSE(edge.repaint);
    CToolCommandOutcome off = modes.OnCommand(ID_AREA_EDGE);
    EXPECT_TRUE(off.clearLiveSelection);
    EXPECT_EQ(off.hint, QString());
    EXPECT_EQ(modes.measureMode, 0);
    EXPECT_EQ(modes.adjustmentCode, 0);

    modes.OnCommand(ID_AUTO_CIRCLE);
    EXPECT_EQ(modes.measureMode, M::kAutoCircle);
    EXPECT_EQ(modes.adjustmentCode, 108);
    modes.OnCommand(ID_AUTO_LINE);
    EXPECT_EQ(modes.measureMode, M::kAutoLine);
    EXPECT_EQ(modes.adjustmentCode, 110);
    EXPECT_TRUE(Checked(modes, ID_AUTO_LINE));
    modes.OnCommand(ID_AUTO_LINE);
    EXPECT_EQ(modes.measureMode, 0);
    EXPECT_EQ(modes.adjustmentCode, 0);
}

TEST_F(ToolModesTest, LiveCrosshairAndFlips) {
    CLiveToolModes modes;
    EXPECT_EQ(modes.OnCommand(ID_CROSSLINE).crosshair, true);
    EXPECT_TRUE(Checked(modes, ID_CROSSLINE));
    EXPECT_EQ(modes.OnCommand(ID_CROSSLINE).crosshair, false);
    EXPECT_EQ(modes.measureMode, 0);

    CToolCommandOutcome halfTurn = modes.OnCommand(ID_FLIP_HORIZONTAL);
    CToolCommandOutcome mirror = modes.OnCommand(ID_FLIP_VERTICAL);
    EXPECT_TRUE(halfTurn.toggleHalfTurn && !halfTurn.toggleMirror);
    EXPECT_TRUE(mirror.toggleMirror && !mirror.toggleHalfTurn);
    EXPECT_FALSE(halfTurn.hint.has_value());
    EXPECT_EQ(halfTurn.startOperation, 0);
}
