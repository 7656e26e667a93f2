#include "spam/filter_editing.h"

#include <algorithm>

#include "spam/spam_filter.h"

const char* KindKey(std::int32_t kind) {
    return kind == static_cast<std::int32_t>(RuleKind::Subject) ? "filter_subject"
                                                                : "filter_address";
}

const char* RelationKey(bool content) {
    return content ? "filter_content" : "filter_equ";
}

bool IsDuplicateOf(const SpamRule& rule, std::int32_t kind, std::string_view text) {
    const bool plain = kind == static_cast<std::int32_t>(RuleKind::Sender);
    return rule.kind == kind && NormalizeText(rule.text, plain) == NormalizeText(text, plain);
}

bool IsLiveRule(const SpamRuleEntry* rule, const SpamRules& rules) {
    return rule != nullptr && std::any_of(rules.begin(), rules.end(),
                                          [rule](const auto& live) { return live.get() == rule; });
}
