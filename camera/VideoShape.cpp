#include "camera/VideoShape.h"

CLiveShapeList g_liveShapes;
