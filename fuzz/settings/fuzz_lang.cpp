// Loads an arbitrary language file, writes it back enciphered and checks that every line read
// comes back (unchanged, or its value enciphered to the text that was read) and that every key
// shows the same text after reloading it.

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "settings/cipher.h"
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

// `after` is `before`, or the same key with "?" and the cipher text of the value before.
bool SameLine(const std::string& before, const std::string& after) {
    if (after == before) return true;
    const std::size_t equals = before.find('=');
    if (equals == std::string::npos || after.size() < equals + 2 ||
        after.compare(0, equals + 1, before, 0, equals + 1) != 0 || after[equals + 1] != '?')
        return false;
    return DecipherText(after.substr(equals + 2)) == before.substr(equals + 1);
}

void CheckEveryLineCameBack(const std::vector<std::string>& read) {
    const std::vector<std::string>& written = LanguageTable();
    if (written.size() < read.size()) abort();
    for (std::size_t i = 0; i < read.size(); ++i)
        if (!SameLine(read[i], written[i])) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ProcessProgramFolder();
    std::ofstream(LanguageFilePath(), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    ResetLanguageTable();
    LoadLanguageTable();
    const std::vector<std::string> read = LanguageTable();
    std::vector<std::string> keys = KeysOfTable();
    keys.push_back("missing_key");
    const std::vector<std::string> before = TextsOf(keys);
    WriteBackLanguageTable();
    LoadLanguageTable();
    CheckEveryLineCameBack(read);
    if (TextsOf(keys) != before) abort();
    if (WriteBackLanguageTable()) abort();  // nothing left to encipher
    return 0;
}
