#include "reports/ExportSettings.h"

CExportSettings g_exportSettings;
