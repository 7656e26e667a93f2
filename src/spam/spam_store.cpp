#include "settings/ini_file.h"
#include "settings/settings.h"
#include "settings/text_utils.h"
#include "spam/spam_filter.h"

namespace {

constexpr std::string_view kGeneralSection = "GENERAL_FILTER";
constexpr std::string_view kFilterSection = "FILTER";

// The criteria on the server's verdicts are on when absent, and stored only while off: a file
// that never turned them off is written as it was.
void WriteOffOnly(IniFile& ini, std::string_view key, bool on) {
    if (on) {
        ini.EraseKey(kGeneralSection, key);
    } else {
        ini.WriteBool(kGeneralSection, key, false);
    }
}

}  // namespace

bool LoadFilter(SpamRules& rules, SpamCriteria& c) {
    rules.clear();
    const auto ini = OpenSettings();
    c.maxSize = ini->ReadInteger(kGeneralSection, "MAX_SIZE", 0);
    c.maxRecipients = ini->ReadInteger(kGeneralSection, "MAX_RECIPIENTS", 0);
    c.noEmptySubject = ini->ReadBool(kGeneralSection, "NO_EMPTY_SUBJECT", false);
    c.noEmptyDate = ini->ReadBool(kGeneralSection, "NO_EMPTY_DATE", false);
    c.noRecipient = ini->ReadBool(kGeneralSection, "NO_RECIPIENT", false);
    c.serverSpam = ini->ReadBool(kGeneralSection, "SERVER_SPAM", true);
    c.unauthenticated = ini->ReadBool(kGeneralSection, "UNAUTHENTICATED", true);
    for (const std::string& key : ini->ReadSection(kFilterSection)) {
        auto rule = std::make_unique<SpamRuleEntry>();
        ParseRule(*rule, ini->ReadString(kFilterSection, key, ""));
        rules.push_back(std::move(rule));
    }
    return true;
}

bool SaveFilter(const SpamRules& rules, const SpamCriteria& c) {
    const auto ini = OpenSettings();
    // One replacement of the file: a reader never sees the rules half written.
    ini->BeginBatch();
    ini->WriteInteger(kGeneralSection, "MAX_SIZE", c.maxSize);
    ini->WriteInteger(kGeneralSection, "MAX_RECIPIENTS", c.maxRecipients);
    ini->WriteBool(kGeneralSection, "NO_EMPTY_SUBJECT", c.noEmptySubject);
    ini->WriteBool(kGeneralSection, "NO_EMPTY_DATE", c.noEmptyDate);
    ini->WriteBool(kGeneralSection, "NO_RECIPIENT", c.noRecipient);
    WriteOffOnly(*ini, "SERVER_SPAM", c.serverSpam);
    WriteOffOnly(*ini, "UNAUTHENTICATED", c.unauthenticated);
    ini->EraseSection(kFilterSection);
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const SpamRule& f = rules[i]->filter;
        const std::string key = std::string("F").append(std::to_string(i));
        ini->WriteString(kFilterSection, key, EncodeRule(f.kind, f.content, f.text));
    }
    ini->CommitBatch();
    return true;
}

std::int32_t AddSpamRule(SpamRules& rules, const SpamCriteria& criteria, RuleKind kind,
                         std::string_view text) {
    if (!HasText(text)) return -1;
    const bool plain = kind == RuleKind::Sender;
    const std::string wanted = NormalizeText(text, plain);
    SpamRuleEntry* target = nullptr;
    for (const auto& rule : rules) {
        if (rule->filter.kind == kind && NormalizeText(rule->filter.text, plain) == wanted) {
            target = rule.get();
            break;
        }
    }
    std::int32_t result = -1;
    if (target == nullptr) {
        rules.push_back(std::make_unique<SpamRuleEntry>());
        target = rules.back().get();
        result = static_cast<std::int32_t>(rules.size() - 1);
    }
    ParseRule(*target, kind == RuleKind::Subject
                           ? EncodeRule(kind, true, NormalizeText(text, false))
                           : EncodeRule(kind, true, text));
    SaveFilter(rules, criteria);
    return result;
}
