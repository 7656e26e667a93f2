#pragma once
// Texts that go with a number ("1 message", "3 zprávy", "5 zpráv"). A counted text has one key
// per form its language needs, the base key with the form's suffix: "items_count_one" and
// "items_count_other" in English; "items_count_one", "_few" and "_many" in Czech. The language is
// the one the language file names in its "language_code" entry.

#include <string>
#include <string_view>
#include <vector>

enum class PluralForm { One, Few, Many, Other };

// The forms a language distinguishes, in the order of their suffixes in a language file.
std::vector<PluralForm> PluralFormsOf(std::string_view languageCode);
// The form of `count` in the language: Czech and Slovak use one for 1, few for 2 to 4 and many
// for everything else (0 included); every other language here uses one for 1, other for the rest.
PluralForm PluralFormFor(std::string_view languageCode, unsigned long long count);
// "one", "few", "many" or "other".
std::string_view PluralSuffix(PluralForm form);

// The language of the texts: the "language_code" entry of the language table when it holds a
// code of two or three small letters, else "en" (the texts of a file without it are English or
// the user's own).
std::string TextLanguage();

// The text of `baseKey` for `count`: the entry of the count's form; a table without it (a file
// from before counted texts) gives the entry of the base key when there is one, else the form's
// key as any missing key shows.
std::string CountedText(std::string_view baseKey, unsigned long long count);
