#include "framework/MessageBox.h"

namespace {
MessageBoxResponder g_responder;
}

QMessageBox::StandardButton ShowMessageBox(QWidget* owner, const QString& text,
                                           const QString& caption,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::Icon icon) {
    if (g_responder) {
        return g_responder(MessageBoxRequest{text, caption, buttons, icon});
    }
    QMessageBox box(icon, caption, text, buttons, owner);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void SetMessageBoxResponder(MessageBoxResponder responder) {
    g_responder = std::move(responder);
}
