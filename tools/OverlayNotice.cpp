#include "tools/OverlayNotice.h"

COverlayNotice g_overlayNotice;
