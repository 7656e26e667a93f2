// Reads an arbitrary settings file every way the program does (a repeated section is listed
// once), then checks that a written key reads back and that erasing a section removes it. The
// edits stay in a batch that is never committed, so each input costs one file read.

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>

#include "settings/ini_file.h"
#include "settings/text_utils.h"
#include "support/temp_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = ProcessProgramFolder() + "/fuzz.ini";
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    IniFile ini(path);
    ini.BeginBatch();
    const std::vector<std::string> sections = ini.ReadSections();
    std::set<std::string> distinct;
    for (const std::string& section : sections) {
        if (!distinct.insert(UpperAscii(section)).second) abort();
    }
    for (const std::string& section : sections) {
        for (const std::string& key : ini.ReadSection(section)) {
            if (ini.ReadString(section, key, "").size() > 2047) abort();
            ini.ReadInteger(section, key, 0);
        }
    }
    const std::string section = sections.empty() ? "GENERAL" : sections.front();
    ini.WriteString(section, "FUZZ_KEY", " written\rvalue\n");
    if (ini.ReadString(section, "fuzz_key", "") != "written~value~") abort();
    ini.EraseSection(section);
    if (ini.SectionExists(section)) abort();
    return 0;
}
