#include "widgets/message_box.h"

namespace {
MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}
}  // namespace

QMessageBox::StandardButton ShowMessageBox(QWidget* owner, const QString& title,
                                           const QString& text, QMessageBox::Icon icon,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton) {
    if (Hook()) return Hook()(title, text);
    QMessageBox box(icon, title, text, buttons, owner);
    // Texts come from the language file and from error messages, a server's text among them:
    // never markup.
    box.setTextFormat(Qt::PlainText);
    if (defaultButton != QMessageBox::NoButton) box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

bool AskYesNo(QWidget* owner, const QString& title, const QString& text) {
    return ShowMessageBox(owner, title, text, QMessageBox::Question,
                          QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void SetMessageBoxHook(MessageBoxHook hook) {
    Hook() = std::move(hook);
}
