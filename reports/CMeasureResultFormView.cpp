#include "reports/CMeasureResultFormView.h"

CMeasureResultFormView::CMeasureResultFormView(QWidget* parent)
    : QWidget(parent) {}
