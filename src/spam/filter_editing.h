#pragma once
// What the filter editor decides about its rows, as plain functions: the captions of a rule's
// columns, whether a typed rule repeats a listed one, and whether a row's rule still lives.

#include <cstdint>
#include <string_view>

#include "spam/spam_types.h"

enum class RuleKind : std::int32_t { Subject = 0, Sender = 1 };

// Language keys of the first and the second column.
const char* KindKey(std::int32_t kind);
const char* RelationKey(bool content);

// Whether `rule` is the rule typed as `text` of `kind`: same kind, and the same text once
// both are normalised (letter case never counts; punctuation does not for subject rules).
bool IsDuplicateOf(const SpamRule& rule, std::int32_t kind, std::string_view text);

// Whether `rule` is still one of `rules` (a rule can be removed while a row shows it).
bool IsLiveRule(const SpamRuleEntry* rule, const SpamRules& rules);
