#pragma once
// What the filter editor decides about its rows, as plain functions: the captions of a rule's
// columns and whether a typed rule repeats a listed one.

#include <cstdint>
#include <string_view>

#include "spam/spam_types.h"

// Language keys of the first and the second column.
const char* KindKey(RuleKind kind);
const char* RelationKey(bool content);

// Whether `rule` is the rule typed as `text` of `kind`: same kind, and the same text once
// both are normalised (letter case never counts; punctuation does not for subject rules).
bool IsDuplicateOf(const SpamRule& rule, RuleKind kind, std::string_view text);
