#include "spam/spam_filter.h"

#include <algorithm>
#include <atomic>

#include "settings/language.h"
#include "settings/text_utils.h"

namespace {

constexpr std::string_view kSubjectPrefix = "Subject: ";
constexpr std::string_view kAddressPrefix = "Address: ";

bool IsSeparator(unsigned char c) {
    return (c >= 33 && c <= 38) || (c >= 40 && c <= 47) || (c >= 58 && c <= 60) ||
           (c >= 62 && c <= 64) || (c >= 91 && c <= 95) || (c >= 123 && c <= 125) || c == 255;
}

char SubstituteSeparator(char c) {
    if (c == '@') return 'A';
    if (c == '!' || c == '1') return 'I';
    return IsSeparator(static_cast<unsigned char>(c)) ? ' ' : c;
}

std::string CollapseBlanks(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        if (c == ' ' && !result.empty() && result.back() == ' ') continue;
        result += c;
    }
    return result;
}

bool Contains(std::string_view haystack, std::string_view needle) {
    return !needle.empty() && haystack.find(needle) != std::string_view::npos;
}

bool BeginsWith(std::string_view text, std::string_view start) {
    return !start.empty() && text.substr(0, start.size()) == start;
}

bool IsEmptySubject(std::string_view subject) {
    return !HasText(subject) || Trim(UpperAscii(subject)) == "RE:";
}

bool CriteriaFire(const SpamFacts& m, std::string_view accountAddress, const SpamCriteria& c) {
    if (c.maxSize > 0 && m.size > std::int64_t{c.maxSize} * 1024) return true;
    if (c.maxRecipients > 0 && m.recipientCount > static_cast<std::size_t>(c.maxRecipients))
        return true;
    if (c.noEmptySubject && IsEmptySubject(m.subject)) return true;
    if (c.noEmptyDate && m.emptyDate) return true;
    return c.noRecipient && !Contains(UpperAscii(m.toText), UpperAscii(accountAddress));
}

}  // namespace

std::string NormalizeText(std::string_view text, bool plain) {
    std::string r = Trim(UpperAscii(text));
    if (plain) return r;
    for (char& c : r) c = SubstituteSeparator(c);
    return Trim(UpperAscii(CollapseBlanks(r)));
}

std::string EncodeRule(RuleKind kind, bool content, std::string_view text) {
    std::string value(kind == RuleKind::Subject ? kSubjectPrefix : kAddressPrefix);
    value += content ? '%' : '=';
    value += text;
    return value;
}

SpamRuleEntry::SpamRuleEntry() {
    static std::atomic<std::uint64_t> lastId{0};
    id_ = ++lastId;
}

SpamRuleEntry* FindRule(const SpamRules& rules, std::uint64_t id) {
    const auto found = std::find_if(rules.begin(), rules.end(),
                                    [id](const auto& rule) { return rule->Id() == id; });
    return found == rules.end() ? nullptr : found->get();
}

FilterSnapshot CopyFilter(const SpamRules& rules, const SpamCriteria& criteria) {
    FilterSnapshot copy;
    copy.criteria = criteria;
    for (const auto& rule : rules) copy.rules.push_back(std::make_unique<SpamRuleEntry>(*rule));
    return copy;
}

void ParseRule(SpamRuleEntry& rule, std::string_view value) {
    SpamRule& f = rule.filter;
    f = SpamRule{RuleKind::Subject, true, std::string(value)};
    if (value.size() < 4) return;
    if (BeginsWith(value, kSubjectPrefix)) {
        f.kind = RuleKind::Subject;
    } else if (BeginsWith(value, kAddressPrefix)) {
        f.kind = RuleKind::Sender;
    } else {
        return;
    }
    const std::string_view rest = value.substr(kSubjectPrefix.size());
    // A value that ends right after the prefix is an empty rule "contains".
    f.content = rest.empty() || rest.front() == '%';
    f.text = std::string(rest.empty() ? rest : rest.substr(1));
}

namespace {

// One blank on either side (appended: "x" + string trips a false GCC 12 warning).
std::string Padded(std::string_view text) {
    std::string padded;
    padded.reserve(text.size() + 2);
    padded.append(" ").append(text).append(" ");
    return padded;
}

// The message side of the comparison, normalised once for all the rules of a verdict.
struct MatchTexts {
    MatchTexts(std::string_view subject, std::string_view sender)
        : paddedSubject(Padded(NormalizeText(subject, false))),
          upperSender(NormalizeText(sender, true)) {}
    std::string paddedSubject;
    std::string upperSender;
};

bool Matches(const SpamRule& rule, const MatchTexts& message) {
    if (rule.kind == RuleKind::Subject) {
        const std::string rt = Padded(NormalizeText(rule.text, false));
        if (rule.content) return Contains(message.paddedSubject, rt);
        return BeginsWith(Trim(message.paddedSubject), Trim(rt));
    }
    const std::string rt = NormalizeText(rule.text, true);
    if (rule.content) return Contains(message.upperSender, rt);
    return BeginsWith(Trim(message.upperSender), Trim(rt));
}

}  // namespace

bool MatchRule(const SpamRule& rule, std::string_view subject, std::string_view sender) {
    return Matches(rule, MatchTexts(subject, sender));
}

std::string ServerSpamReason(const ServerVerdict& server, const SpamCriteria& criteria) {
    if (criteria.unauthenticated && server.authFailure != AuthFailure::None) {
        const char* key = server.authFailure == AuthFailure::DmarcFailed
                              ? "spam_reason_dmarc"
                              : "spam_reason_unauthenticated";
        return server.domain.empty() ? GetLangText("sender_not_authenticated")
                                     : GetLangText(key) + " " + server.domain;
    }
    return criteria.serverSpam && server.serverSpam ? GetLangText("server_marked_spam") : "";
}

bool SpamVerdict(const SpamFacts& message, std::string_view accountAddress, const SpamRules& rules,
                 const SpamCriteria& criteria) {
    if (criteria.serverSpam && message.server.serverSpam) return true;
    if (criteria.unauthenticated && message.server.authFailure != AuthFailure::None) return true;
    if (rules.empty()) return false;
    if (CriteriaFire(message, accountAddress, criteria)) return true;
    const MatchTexts texts(message.subject, message.sender);
    for (const auto& rule : rules) {
        if (Matches(rule->filter, texts)) return true;
    }
    return false;
}
