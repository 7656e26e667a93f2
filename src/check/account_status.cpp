#include "check/account_status.h"

#include "session/imap_session.h"
#include "settings/counted_text.h"
#include "settings/language.h"
#include "settings/settings.h"

namespace {

// UNSEEN as the last check of an IMAP account stored it; none before the first check.
std::string StoredUnread(const AccountEntry& item, const IniFile& ini) {
    if (item.params.protocol != MailProtocol::Imap) return "";
    const std::string section = AccountSection(item.params);
    if (ini.ReadString(section, "UNSEEN", "").empty()) return "";
    return " - " + UnreadText(StoredNumber(ini, section, "UNSEEN"));
}

}  // namespace

std::string_view ProtocolName(MailProtocol protocol) {
    return protocol == MailProtocol::Imap ? "IMAP" : "POP3";
}

std::string UnreadText(std::uint32_t unseen) {
    return std::to_string(unseen) + " " + CountedText("unseen_count", unseen);
}

AccountStatus StatusOf(const AccountEntry& item, const IniFile& ini) {
    const std::string section = AccountSection(item.params);
    AccountStatus s;
    s.enabled = ini.ReadBool(section, "ENABLED", true);
    s.email = ini.ReadString(section, "EMAIL", item.params.email);
    const std::string suffix =
        item.lastChange != 0 ? "   ( " + std::to_string(item.lastChange) + " )" : std::string();
    s.count = ini.ReadString(section, "COUNT", "0") + StoredUnread(item, ini) + suffix;
    s.lastCheck = ini.ReadString(section, "LAST_CHECK", "");

    const std::string income = ini.ReadString(section, "LAST_INCOME", "");
    // A failed last check says so at once, whatever an earlier check of it found.
    if (s.enabled && !ini.ReadBool(section, "LAST_RESULT", true)) {
        s.state = AccountState::Failed;
        s.status = GetLangText("Error") + " - " + ini.ReadString(section, "LAST_ERROR", "");
    } else if (item.lastChange > 0) {
        s.state = AccountState::NewMail;
        s.status = GetLangText("new_mail") + " - " + income;
    } else if (item.lastChange < 0) {
        s.state = AccountState::Changed;
        s.status = GetLangText("mail_changed") + " - " + income;
    } else if (!s.enabled) {
        s.state = AccountState::Disabled;
        s.status = GetLangText("disabled");
    } else {
        s.state = AccountState::Ok;
        s.status = GetLangText("OK");
    }
    return s;
}
