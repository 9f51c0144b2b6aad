#include "calibration/CCalManageFormView.h"

CCalManageFormView::CCalManageFormView(QWidget* parent)
    : QWidget(parent) {}
