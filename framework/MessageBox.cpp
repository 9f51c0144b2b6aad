#include "framework/MessageBox.h"

#include "app/Language.h"

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

bool ConfirmClose(QWidget* owner) {
    return ShowMessageBox(owner,
                          GetLanguageString("CloseTip", QStringLiteral("Are you sure close?"), 128),
                          QString(), QMessageBox::Yes | QMessageBox::No,
                          QMessageBox::Question) == QMessageBox::Yes;
}
