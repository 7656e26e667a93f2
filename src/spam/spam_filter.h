#pragma once
// Spam rules and general criteria: storage in the settings file, matching and the verdict.

#include <cstdint>
#include <string>
#include <string_view>

#include "spam/spam_types.h"

class T_mail_entry;

// Reads the criteria (GENERAL_FILTER) and every key of FILTER, in file order, into the
// program-wide rule list. Returns true.
bool LoadFilter();
// Writes the criteria and the rules as F0, F1, ... in list order. Returns true.
bool SaveFilter();

// Sets the rule from a stored value ("Subject: " or "Address: ", "%" or "=", the text).
// Anything without a known prefix, or shorter than 4 characters, is a subject rule
// "contains" with the whole value as its text.
void ParseRule(T_spam& rule, std::string_view value);
std::string EncodeRule(std::int32_t kind, bool content, std::string_view text);

// Upper-cased and trimmed; unless plain, "@" reads as A, "!" and "1" as I, the other
// separators become blanks and runs of blanks shrink to one.
std::string NormalizeText(std::string_view text, bool plain);

bool MatchRule(const T_mail_filter& rule, std::string_view subject, std::string_view sender);

// Whether the message is suspected spam. The general criteria count only while at least one
// rule exists. `size` is the server's size in bytes (-1 when unknown).
bool SpamVerdict(const T_mail_entry& header, std::int32_t size, std::string_view accountAddress,
                 std::string_view subject, std::string_view sender);

// Adds a rule "contains" for the text (subject rules stored normalised) and saves. Returns the
// new rule's index, or -1 when the text is blank or an existing rule of the same kind and
// normalised text was overwritten instead.
std::int32_t AddSpamRule(std::int32_t kind, std::string_view text);
