#pragma once
// The save dialog of the message view: a file name chosen by the user, or an empty text when
// the user cancels. Tests install a chooser so that no dialog waits for a person.

#include <QString>
#include <QWidget>
#include <functional>

// Asks for a file to save to: title, default extension "eml", the given filters, a question
// before an existing file is replaced.
QString ChooseSaveFile(QWidget* owner, const QString& title, const QStringList& filters);

// When set, ChooseSaveFile calls the chooser (title, filters) instead of showing the dialog.
using SaveFileChooser = std::function<QString(const QString& title, const QStringList& filters)>;
void SetSaveFileChooser(SaveFileChooser chooser);
