#include "reports/ActiveImage.h"

CActiveImage g_activeImage;
