#include "app/application.h"
#include "app/start_up.h"
#include "platform/qt_translations.h"
#include "settings/counted_text.h"
#include "settings/file_places.h"
#include "settings/language.h"
#include "widgets/combo_box_accessible.h"

int main(int argc, char** argv) {
    PrepareUserFiles();
    LoadLanguageTable();
    TarnwickApplication app(argc, argv);
    InstallQtTranslations(app, TextLanguage());
    InstallComboBoxAccessibility();
    return RunProgram(argc);
}
