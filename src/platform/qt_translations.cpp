#include "platform/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool InstallQtTranslations(QCoreApplication& app, const std::string& languageCode) {
    if (languageCode.empty() || languageCode == "en") return false;
    auto* translator = new QTranslator(&app);
    const QString name = QStringLiteral("qtbase_") + QString::fromStdString(languageCode);
    if (!translator->load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}
