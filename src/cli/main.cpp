// tarnwick-check; the modes are dispatched in RunCommandLine (commands.cpp).
#include <clocale>
#include <iostream>

#include "cli/commands.h"
#include "settings/file_places.h"

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    PrepareUserFiles();
    return RunCommandLine(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
