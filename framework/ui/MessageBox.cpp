#include "framework/ui/MessageBox.h"

#include "core/Language.h"

#include <QAbstractButton>
#include <QCheckBox>

namespace {
MessageBoxResponder g_responder;
}

QMessageBox::StandardButton ShowMessageBox(QWidget* owner, const QString& text,
                                           const QString& caption,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::Icon icon) {
    return ShowMessageBox(owner, MessageBoxRequest{text, caption, buttons, icon, {}, {}, nullptr});
}

QMessageBox::StandardButton ShowMessageBox(QWidget* owner, const MessageBoxRequest& request) {
    if (g_responder) {
        return g_responder(request);
    }
    QMessageBox box(request.icon, request.caption, request.text, request.buttons, owner);
    for (const auto& [button, text] : request.buttonTexts) {
        if (QAbstractButton* shown = box.button(button)) {
            shown->setText(text);
        }
    }
    QCheckBox* check = nullptr;
    if (!request.checkBoxText.isEmpty() && request.checked != nullptr) {
        check = new QCheckBox(request.checkBoxText, &box);
        check->setChecked(*request.checked);
        box.setCheckBox(check);
    }
    const auto answer = static_cast<QMessageBox::StandardButton>(box.exec());
    if (check != nullptr) {
        *request.checked = check->isChecked();
    }
    return answer;
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
