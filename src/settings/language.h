#pragma once
// The language table: every visible text by its key, from "vellmoar.lng" (in the folder that
// LanguageFilePlace picks). Values may be stored enciphered ("?" + cipher text); "~" stands for a
// line break.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Path of the language file, fixed by LoadLanguageTable.
const std::string& LanguageFilePath();

// Reads the language file into the table (a missing file leaves the table empty).
void LoadLanguageTable();

// The text of a key; a key without an entry shows as itself and is remembered.
std::string GetLangText(std::string_view key);

// The text of a key as GetLangText gives it, or none when the table has no entry for the key
// (which is then not remembered either).
std::optional<std::string> FindLangText(std::string_view key);

// Enciphers every plain value of the table; returns how many it enciphered.
int EncipherLanguageTable();

// Runs EncipherLanguageTable and writes the table to the language file (CR LF line ends,
// replacing the file atomically) when anything was enciphered since the last write-back.
// Returns true when the file was written; a failed write throws TarnwickError.
bool WriteBackLanguageTable();

// Empties the table and forgets the file path (for tests and tools).
void ResetLanguageTable();

// The table's lines (for tests and tools).
const std::vector<std::string>& LanguageTable();
