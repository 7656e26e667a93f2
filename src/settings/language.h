#pragma once
// The language table: every visible text by its key, from "vellmoar.lng" in the program's
// folder. Values may be stored enciphered ("?" + cipher text); "~" stands for a line break.

#include <string>
#include <string_view>
#include <vector>

// Path of the language file, fixed by LoadLanguageTable.
const std::string& LanguageFilePath();

// Reads the language file into the table (a missing file leaves the table empty).
void LoadLanguageTable();

// The text of a key; a key without an entry shows as itself and is remembered.
std::string GetLangText(std::string_view key);

// Enciphers every plain value of the table; returns how many it enciphered.
int EncipherLanguageTable();

// Writes the table back to the language file, when EncipherLanguageTable enciphered anything.
// Returns true when the file was written.
bool WriteBackLanguageTable();

// The table's lines (for tests and tools).
const std::vector<std::string>& LanguageTable();
