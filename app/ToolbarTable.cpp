#include "app/ToolbarTable.h"

#include "core/CommandIds.h"
#include "core/Language.h"

namespace {

constexpr ToolbarButton kButtons[] = {
    {ID_OPEN_DEVICE, "open-camera"},
    {0, nullptr},
    {ID_EXPORT_EXCEL, "export-sheet"},
    {ID_EXPORT_WORD, "export-document"},
    {ID_EXPORT_PICTURE, "export-picture"},
    {0, nullptr},
    {ID_ZOOM_IN, "zoom-in"},
    {ID_ZOOM_NORMAL, "zoom-normal"},
    {ID_ZOOM_OUT, "zoom-out"},
    {ID_ZOOM_FIT, "zoom-fit"},
    {0, nullptr},
    {ID_UNDO, "undo"},
    {ID_CROSSLINE, "crosshair"},
    {0, nullptr},
    {ID_MEASURE_HLINE, "distance-horizontal"},
    {ID_MEASURE_VLINE, "distance-vertical"},
    {ID_MEASURE_LINE, "distance"},
    {ID_MEASURE_RECTANGLE, "rectangle"},
    {ID_MEASURE_ELLIPSE, "ellipse"},
    {ID_MEASURE_RCIRCLE, "circle-radius"},
    {ID_MEASURE_DCIRCLE, "circle-diameter"},
    {ID_MEASURE_TCIRCLE, "circle-3points"},
    {ID_MEASURE_ARC, "arc"},
    {ID_MEASURE_POLYGON, "polygon"},
    {ID_MEASURE_BROKENLINE, "foldline"},
    {ID_MEASURE_FANGLE, "angle-4points"},
    {ID_MEASURE_TANGLE, "angle-3points"},
    {ID_MEASURE_PARALLEL, "parallel"},
    {ID_MEASURE_DOTLINE, "point-line"},
    {ID_MEASURE_TCIRCLES, "two-circles"},
    {ID_MEASURE_LINECIRCLE, "line-circle"},
    {ID_MARK_SQUARE, "mark-square"},
    {ID_MARK_CIRCLE, "mark-circle"},
    {0, nullptr},
    {ID_ADD_TEXT, "text"},
    {ID_AUTO_LINE, "auto-lines"},
    {ID_AUTO_CIRCLE, "auto-circle"},
    {0, nullptr},
    {ID_AREA_EDGE, "edge"},
    {ID_AREA_BRIGHTER, "brighter"},
    {ID_AREA_DARKER, "darker"},
    {ID_AREA_NEGATIVE, "negative"},
    {ID_FLIP_HORIZONTAL, "flip-horizontal"},
    {ID_FLIP_VERTICAL, "flip-vertical"},
    {ID_AREA_RELIEF, "relief"},
    {ID_AREA_SHARPEN, "sharpen"},
    {ID_AREA_SMOOTH, "smooth"},
    {0, nullptr},
    {ID_TAKE_PICTURE, "take-picture"},
    {ID_TAKE_VIDEO, "take-video"},
};

} // namespace

std::span<const ToolbarButton> ToolbarButtons() {
    return kButtons;
}

QString ToolbarHelpText(int id, ToolbarText kind) {
    switch (id) {
    case ID_OPEN_DEVICE:
        return GetLanguageString("ToolbarHitOpenDevice", QStringLiteral("Open Camera"), 128);
    case ID_EXPORT_EXCEL:
        return GetLanguageString("ToolbarHitExportExcel", QStringLiteral("Export to Excel"), 128);
    case ID_EXPORT_WORD:
        return GetLanguageString("ToolbarHitExportWord", QStringLiteral("Export to Word"), 128);
    case ID_EXPORT_PICTURE:
        return GetLanguageString("ToolbarHitExportPicture", QStringLiteral("Export to Picture"),
                                 128);
    case ID_ZOOM_IN:
        return GetLanguageString("ToolbarHitZoomIn", QStringLiteral("Zoom In"), 128);
    case ID_ZOOM_NORMAL:
        return GetLanguageString("ToolbarHitNormal", QStringLiteral("Normal"), 128);
    case ID_ZOOM_OUT:
        return GetLanguageString("ToolbarHitZoomOut", QStringLiteral("Zoom Out"), 128);
    case ID_ZOOM_FIT:
        return GetLanguageString("ToolbarHitZoomFit", QStringLiteral("Fit to Window"), 128);
    case ID_UNDO:
        return GetLanguageString("ToolbarHitUndo", QStringLiteral("Undoes the last action"), 128);
    case ID_CROSSLINE:
        return GetLanguageString("CROSSLINE", QStringLiteral("Crosshairs"), 128);
    case ID_MEASURE_HLINE:
    case ID_MEASURE_VLINE:
        return GetLanguageString("ToolbarHitMSLINE",
                                 QStringLiteral("Distance of a point and a point"), 128);
    case ID_MEASURE_LINE:
        return GetLanguageString("ToolbarHitMSLINE",
                                 kind == ToolbarText::Tooltip
                                     ? QStringLiteral("Distance of 2 points")
                                     : QStringLiteral("Distance of a point and a point"),
                                 128);
    case ID_MEASURE_RECTANGLE:
        return GetLanguageString("ToolbarHitMRECTANGLE", QStringLiteral("Measuring a rectangular"),
                                 128);
    case ID_MEASURE_ELLIPSE:
        return GetLanguageString("ToolbarHitMELLIPSE", QStringLiteral("Measuring an ellipse"), 128);
    case ID_MEASURE_RCIRCLE:
        return GetLanguageString("ToolbarHitRCIRCLE", QStringLiteral("Measuring a radius circle"),
                                 128);
    case ID_MEASURE_DCIRCLE:
        return GetLanguageString("ToolbarHitMDCIRCLE",
                                 QStringLiteral("Measuring a diameter circle"), 128);
    case ID_MEASURE_TCIRCLE:
        return GetLanguageString("ToolbarHitMTCIRCLE",
                                 QStringLiteral("Measuring a 3 points circle"), 128);
    case ID_MEASURE_ARC:
        return GetLanguageString("ToolbarHitMARC", QStringLiteral("Measuring a 3 points arc"), 128);
    case ID_MEASURE_POLYGON:
        return GetLanguageString("ToolbarHitMPOLYGON", QStringLiteral("Measuring a polygon"), 128);
    case ID_MEASURE_BROKENLINE:
        return GetLanguageString("ToolbarHitMBROKENLINE", QStringLiteral("Measuring fold-lines"),
                                 128);
    case ID_MEASURE_FANGLE:
        return GetLanguageString("ToolbarHitMFANGLE", QStringLiteral("Measuring a 4 points angle"),
                                 128);
    case ID_MEASURE_TANGLE:
        return GetLanguageString("ToolbarHitMTANGLE", QStringLiteral("Measuring a 3 points angle"),
                                 128);
    case ID_MEASURE_PARALLEL:
        return GetLanguageString("ToolbarHitMPARALLEL",
                                 QStringLiteral("Distance of parallel lines"), 128);
    case ID_MEASURE_DOTLINE:
        return GetLanguageString("ToolbarHitMDOTLINE",
                                 QStringLiteral("Distance of a point and a line"), 128);
    case ID_MEASURE_TCIRCLES:
        return GetLanguageString("ToolbarHitMTCIRCLES", QStringLiteral("Distance of 2 circles"),
                                 128);
    case ID_MEASURE_LINECIRCLE:
        return GetLanguageString("ToolbarHitAMTCIRCLES",
                                 QStringLiteral("Distance of a line and a circles"), 128);
    case ID_MARK_SQUARE:
        return GetLanguageString("ToolbarHitMSMARK", QStringLiteral("Add a square mark"), 128);
    case ID_MARK_CIRCLE:
        return GetLanguageString("ToolbarHitMCMARK", QStringLiteral("Add a circle mark"), 128);
    case ID_ADD_TEXT:
        return GetLanguageString("ToolbarHitMTEXT", QStringLiteral("Add text"), 128);
    case ID_AUTO_LINE:
        return GetLanguageString("ToolbarHitAMLINE", QStringLiteral("Distance of 2 lines"), 128);
    case ID_AUTO_CIRCLE:
        return GetLanguageString("ToolbarHitAMCIRCLE", QStringLiteral("3 points Circle"), 128);
    case ID_AREA_EDGE:
        return GetLanguageString("ToolbarHitAMEDGE", QStringLiteral("Edge Detection"), 128);
    case ID_AREA_BRIGHTER:
        return GetLanguageString("ToolbarHitAMINBRIGHTNESS", QStringLiteral("Increase brightness"),
                                 128);
    case ID_AREA_DARKER:
        return GetLanguageString("ToolbarHitAMOUTBRIGHTNESS", QStringLiteral("Decrease brightness"),
                                 128);
    case ID_AREA_NEGATIVE:
        return GetLanguageString("ToolbarHitAMNEGATIVE", QStringLiteral("Inverse Color"), 128);
    case ID_FLIP_HORIZONTAL:
        return GetLanguageString("ToolbarHitAMHFLIP", QStringLiteral("Flip Horizontal"), 128);
    case ID_FLIP_VERTICAL:
        return GetLanguageString("ToolbarHitAMVFLIP", QStringLiteral("Flip Vertical"), 128);
    case ID_AREA_RELIEF:
        return GetLanguageString("ToolbarHitAMRELIEVO", QStringLiteral("Relief"), 128);
    case ID_AREA_SHARPEN:
        return GetLanguageString("ToolbarHitAMSHARP", QStringLiteral("Sharpen"), 128);
    case ID_AREA_SMOOTH:
        return GetLanguageString("ToolbarHitAMSMOOTH", QStringLiteral("Smooth"), 128);
    case ID_TAKE_PICTURE:
        return GetLanguageString("ToolbarHitCAMERA", QStringLiteral("Take a picture"), 128);
    case ID_TAKE_VIDEO:
        return GetLanguageString("ToolbarHitAVI", QStringLiteral("Take a video"), 128);
    default:
        return {};
    }
}
