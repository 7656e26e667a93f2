#pragma once
// The folder of the running executable. A portable program keeps its files there; where each
// file lives in either mode is decided in settings/file_places.h.

#include <string>
#include <string_view>

// Path of a file in the program's folder: folder + "/" + name, doubled slashes collapsed.
std::string ProgramFilePath(std::string_view fileName);

// The program's folder, without a trailing slash.
std::string ProgramFolder();

// Makes every later ProgramFilePath use `folder` instead of the executable's folder
// (tests and command-line tools that point at another folder). Empty restores the default.
void SetProgramFolder(std::string folder);
