#pragma once

#include <functional>

#include <QList>
#include <QMessageBox>
#include <QPair>
#include <QString>

class QWidget;

// Modal message boxes. Callers look their texts up in the language file
// (GetLanguageString) and pass them in; the buttons are Qt's own and follow
// the installed Qt translation. GUI thread only.

struct MessageBoxRequest {
    QString text;
    QString caption;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon;
    // Buttons that show a text of their own instead of Qt's.
    QList<QPair<QMessageBox::StandardButton, QString>> buttonTexts;
    // A check box under the text when not empty ("Don't ask again"); it
    // starts as *checked and leaves its state there.
    QString checkBoxText;
    bool* checked = nullptr;
};

// Shows the box a request describes (see below for the other fields).
QMessageBox::StandardButton ShowMessageBox(QWidget* owner, const MessageBoxRequest& request);

// Shows a modal box and returns the button pressed (the escape button when the
// box is closed). `owner` may be null for an owner-less box.
QMessageBox::StandardButton ShowMessageBox(QWidget* owner, const QString& text,
                                           const QString& caption,
                                           QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                           QMessageBox::Icon icon = QMessageBox::NoIcon);

// The close question of the main frame and of each picture window
// ("CloseTip", Yes/No, no caption). True when the user answered Yes.
bool ConfirmClose(QWidget* owner);

// Tests answer message boxes without showing them: while a responder is set,
// every request goes to it and its answer is returned. Pass an empty function
// to show real boxes again.
using MessageBoxResponder = std::function<QMessageBox::StandardButton(const MessageBoxRequest&)>;
void SetMessageBoxResponder(MessageBoxResponder responder);
