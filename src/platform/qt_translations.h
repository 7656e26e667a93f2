#pragma once
// Qt's own texts (the buttons of the questions, the save dialog) in the language of the texts.

#include <string>

class QCoreApplication;

// Installs Qt's translation for `languageCode` ("cs") from Qt's translations folder; nothing
// for English or a language Qt has no translation for. Call before the first window.
// Returns true when a translation was installed.
bool InstallQtTranslations(QCoreApplication& app, const std::string& languageCode);
