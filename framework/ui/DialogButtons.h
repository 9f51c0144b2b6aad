#pragma once

#include <QString>

class QPushButton;
class QWidget;

// A push button of a dialog's side column, found by `objectName` in tests.
// It never becomes the default button, so Enter in a list or a field does
// not press it.
QPushButton* MakeDialogButton(const char* objectName, const QString& text, QWidget* parent);
