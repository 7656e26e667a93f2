#pragma once
// Message boxes with a title and a plain text. Questions are Yes/No with No as the default.
// Tests install an answer hook so that no box waits for a person.

#include <QMessageBox>
#include <functional>

// Shows a box and returns the button pressed.
QMessageBox::StandardButton ShowMessageBox(
    QWidget* owner, const QString& title, const QString& text, QMessageBox::Icon icon,
    QMessageBox::StandardButtons buttons = QMessageBox::Ok,
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// A Yes/No question with No as the default; true for Yes.
bool AskYesNo(QWidget* owner, const QString& title, const QString& text);

// When set, every box calls the hook (title, text) instead of showing itself, and returns its
// answer. Tests use it to answer questions and to record what was asked.
using MessageBoxHook =
    std::function<QMessageBox::StandardButton(const QString& title, const QString& text)>;
void SetMessageBoxHook(MessageBoxHook hook);
