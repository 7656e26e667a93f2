#pragma once
// Spam rules and general criteria: storage in the settings file, matching and the verdict.

#include <cstdint>
#include <string>
#include <string_view>

#include "spam/spam_types.h"

// Reads the criteria (GENERAL_FILTER) and every key of FILTER, in file order, into `rules`
// and `criteria`. Returns true.
bool LoadFilter(SpamRules& rules, SpamCriteria& criteria);
// Writes the criteria and the rules as F0, F1, ... in list order. Returns true.
bool SaveFilter(const SpamRules& rules, const SpamCriteria& criteria);

// Sets the rule from a stored value ("Subject: " or "Address: ", "%" or "=", the text).
// Anything without a known prefix, or shorter than 4 characters, is a subject rule
// "contains" with the whole value as its text.
void ParseRule(SpamRuleEntry& rule, std::string_view value);
std::string EncodeRule(RuleKind kind, bool content, std::string_view text);

// Upper-cased and trimmed; unless plain, "@" reads as A, "!" and "1" as I, the other
// separators become blanks and runs of blanks shrink to one.
std::string NormalizeText(std::string_view text, bool plain);

bool MatchRule(const SpamRule& rule, std::string_view subject, std::string_view sender);

// Whether the message is suspected spam for the account with that address. The five general
// criteria of the message itself count only while at least one rule exists; the two that take
// over the server's verdicts count always.
bool SpamVerdict(const SpamFacts& message, std::string_view accountAddress, const SpamRules& rules,
                 const SpamCriteria& criteria);

// Why the server's verdicts make the message suspected spam under these criteria, as the user
// reads it ("DMARC failed for bank.example"); empty when they do not.
std::string ServerSpamReason(const ServerVerdict& server, const SpamCriteria& criteria);

// Adds a rule "contains" for the text (subject rules stored normalised) to `rules` and saves
// the rules with `criteria`. Returns the new rule's index, or -1 when the text is blank or an
// existing rule of the same kind and normalised text was overwritten instead.
std::int32_t AddSpamRule(SpamRules& rules, const SpamCriteria& criteria, RuleKind kind,
                         std::string_view text);
