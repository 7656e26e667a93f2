// tarnwick-check; the modes are dispatched in RunCommandLine (commands.cpp).
#include <clocale>
#include <iostream>

#include "cli/commands.h"

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    return RunCommandLine(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
