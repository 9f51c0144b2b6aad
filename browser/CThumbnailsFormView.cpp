#include "browser/CThumbnailsFormView.h"

CThumbnailsFormView::CThumbnailsFormView(QWidget* parent)
    : QWidget(parent) {}
