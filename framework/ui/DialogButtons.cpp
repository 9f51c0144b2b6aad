#include "framework/ui/DialogButtons.h"

#include <QPushButton>

QPushButton* MakeDialogButton(const char* objectName, const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setAutoDefault(false);
    return button;
}
