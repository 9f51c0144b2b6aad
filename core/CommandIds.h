#pragma once

// The command ids of the toolbar and menus. The numbers are fixed: language
// files, tests and the tool tables refer to them.
enum CommandId : int {
    // Frame and menu commands.
    ID_FILE_OPEN = 57601,       // Open Picture
    ID_OPEN_DEVICE = 32781,     // Open Camera
    ID_VIDEO_SETTING = 32793,   // live view: camera settings
    ID_SAVE_SETTING = 32836,    // measure settings dialog
    ID_FAVORITES = 32829,       // open the snapshot folder
    ID_APP_EXIT = 57665,        // Exit (asks first)
    ID_VIEW_STATUS_BAR = 59393, // show or hide the status bar
    ID_LANGUAGE_CHINESE_SP = 32794,
    ID_LANGUAGE_CHINESE_TR = 32797,
    ID_LANGUAGE_ENGLISH = 32798,
    ID_APP_ABOUT = 57664,
    ID_VIEW_CUSTOMIZE = 126,     // customize toolbars and panes
    ID_WINDOW_MANAGER = 131,     // the list of open windows
    ID_VIEW_APPLOOK_FIRST = 205, // application looks 205..219
    ID_VIEW_APPLOOK_LAST = 219,

    // Documents and views: saving, exports, zoom, undo.
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_SAVE_MEASUREMENTS = 32890, // the shapes as a session beside the picture
    ID_EXPORT_CSV = 32891,        // the results as comma-separated values
    ID_EXPORT_EXCEL = 32799,
    ID_EXPORT_WORD = 32800,
    ID_EXPORT_PICTURE = 32775,
    ID_ZOOM_IN = 32771,
    ID_ZOOM_NORMAL = 32773,
    ID_ZOOM_OUT = 32772,
    ID_ZOOM_FIT = 32892, // the whole picture in the window, kept on resizing
    ID_UNDO = 32831,
    ID_ANALYZE_PARTICLES = 32893, // count and measure the objects of a still picture
    // The two buttons a selective spreadsheet export puts on the view: pick the
    // measurement just drawn, then export the picked ones.
    ID_EXPORT_ADD_LAST = 36864,
    ID_EXPORT_SELECTED = 36865,

    // Measuring tools.
    ID_CROSSLINE = 32778,
    ID_MEASURE_HLINE = 32776,
    ID_MEASURE_VLINE = 32777,
    ID_MEASURE_LINE = 32802,
    ID_MEASURE_RECTANGLE = 32803,
    ID_MEASURE_ELLIPSE = 32804,
    ID_MEASURE_RCIRCLE = 32865,
    ID_MEASURE_DCIRCLE = 32805,
    ID_MEASURE_TCIRCLE = 32801,
    ID_MEASURE_ARC = 32806,
    ID_MEASURE_POLYGON = 32807,
    ID_MEASURE_BROKENLINE = 32808,
    ID_MEASURE_FANGLE = 32809,
    ID_MEASURE_TANGLE = 32810,
    ID_MEASURE_PARALLEL = 32811,
    ID_MEASURE_DOTLINE = 32812,
    ID_MEASURE_TCIRCLES = 32813,
    ID_MEASURE_LINECIRCLE = 32819,
    ID_MARK_SQUARE = 32814,
    ID_MARK_CIRCLE = 32815,
    ID_ADD_TEXT = 32816,
    ID_AUTO_LINE = 32817,
    ID_AUTO_CIRCLE = 32818,

    // Area adjustments and flips.
    ID_AREA_EDGE = 32820,
    ID_AREA_BRIGHTER = 32838,
    ID_AREA_DARKER = 32839,
    ID_AREA_NEGATIVE = 32837,
    ID_FLIP_HORIZONTAL = 32821,
    ID_FLIP_VERTICAL = 32780,
    ID_AREA_RELIEF = 32822,
    ID_AREA_SHARPEN = 32823,
    ID_AREA_SMOOTH = 32824,

    // Live camera.
    ID_TAKE_PICTURE = 32833,
    ID_TAKE_VIDEO = 32834,
    ID_TIME_LAPSE = 32850,
    // The live particle count on and off.
    ID_LIVE_PARTICLES = 32894,
    // The live mosaic on; off opens the mosaic as a picture.
    ID_LIVE_MOSAIC = 32898,

    // Pictures merged into one: a focus series and a mosaic, from chosen files.
    ID_FOCUS_STACK = 32910,
    ID_STITCH = 32911,
    // A height map's window writes its heights as a float TIFF.
    ID_SAVE_HEIGHT_MAP = 32912,
    // The live focus sweep on and off.
    ID_LIVE_FOCUS_STACK = 32913,
};
