// Loads an arbitrary language file, writes it back enciphered and checks that every key shows
// the same text after reloading it.

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "settings/language.h"
#include "support/temp_folder.h"

namespace {

std::vector<std::string> KeysOfTable() {
    std::vector<std::string> keys;
    for (const std::string& line : LanguageTable()) {
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos) keys.push_back(line.substr(0, equals));
    }
    return keys;
}

std::vector<std::string> TextsOf(const std::vector<std::string>& keys) {
    std::vector<std::string> texts;
    for (const std::string& key : keys) texts.push_back(GetLangText(key));
    return texts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ProcessProgramFolder();
    std::ofstream(LanguageFilePath(), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    ResetLanguageTable();
    LoadLanguageTable();
    std::vector<std::string> keys = KeysOfTable();
    keys.push_back("missing_key");
    const std::vector<std::string> before = TextsOf(keys);
    WriteBackLanguageTable();
    LoadLanguageTable();
    if (TextsOf(keys) != before) abort();
    if (WriteBackLanguageTable()) abort();  // nothing left to encipher
    return 0;
}
