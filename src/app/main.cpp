#include "app/application.h"
#include "app/start_up.h"
#include "settings/file_places.h"
#include "settings/language.h"

int main(int argc, char** argv) {
    PrepareUserFiles();
    LoadLanguageTable();
    TarnwickApplication app(argc, argv);
    return RunProgram(argc);
}
