#pragma once
// Small text helpers shared by every subsystem. Texts are byte strings; only the ASCII
// letters take part in case mapping, and "blank" means any byte with a code of 32 or less.

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

// True when the text is not empty after removing bytes 0..32 at both ends.
bool HasText(std::string_view text);

// Removes bytes with codes 0..32 from both ends.
std::string Trim(std::string_view text);
// The same, as a view into `text`.
std::string_view TrimView(std::string_view text);

// Maps a..z to A..Z and leaves every other byte alone.
std::string UpperAscii(std::string_view text);

// Compares two texts without regard to the case of ASCII letters.
bool SameTextAscii(std::string_view a, std::string_view b);

// The lines of a text, each ending at CR, LF or CR LF (a final line end adds no empty line).
std::vector<std::string_view> SplitLines(std::string_view text);

// Every occurrence of `from` (not empty) replaced by `to`.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// The text as one field of a tab-separated line: tabs, CR and LF become blanks.
std::string FieldText(std::string_view text);

// Local date and time as the short date in the language's form (its "date_format", else "%x"), a
// blank and the long time ("%X"); at exactly midnight the time part is left out.
std::string DateTimeText(std::time_t when);
