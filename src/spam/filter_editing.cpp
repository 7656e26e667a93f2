#include "spam/filter_editing.h"

#include "spam/spam_filter.h"

const char* KindKey(RuleKind kind) {
    return kind == RuleKind::Subject ? "filter_subject" : "filter_address";
}

const char* RelationKey(bool content) {
    return content ? "filter_content" : "filter_equ";
}

bool IsDuplicateOf(const SpamRule& rule, RuleKind kind, std::string_view text) {
    const bool plain = kind == RuleKind::Sender;
    return rule.kind == kind && NormalizeText(rule.text, plain) == NormalizeText(text, plain);
}
