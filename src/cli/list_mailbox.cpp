#include "cli/list_mailbox.h"

#include <new>
#include <ostream>

#include "cli/commands.h"
#include "list/mailbox_listing.h"
#include "net/tls_layer.h"
#include "session/session_factory.h"
#include "settings/language.h"
#include "settings/settings.h"
#include "settings/text_utils.h"
#include "spam/spam_filter.h"

namespace {

std::string StoredError(const AccountSettings& account) {
    return OpenSettings()->ReadString(AccountSection(account), "LAST_ERROR", "");
}

}  // namespace

std::optional<AccountCommand> PrepareAccountCommand(const std::string& email, std::ostream& err) {
    LoadLanguageTable();
    const bool tlsAvailable = SetUpTls();
    SettingsValues settings;
    LoadSettings(settings);
    for (const auto& item : settings.accounts) {
        if (item.params.email == email) return AccountCommand{item.params, tlsAvailable};
    }
    for (const auto& item : settings.accounts) {
        if (SameTextAscii(Trim(item.params.email), Trim(email)))
            return AccountCommand{item.params, tlsAvailable};
    }
    err << "No account with the e-mail address \"" << email << "\".\n";
    return std::nullopt;
}

void PrintRows(const std::vector<MessageRow>& rows, std::ostream& out) {
    for (const auto& row : rows) {
        out << (row.spam ? "*" : "") << '\t' << FieldText(row.dateText) << '\t'
            << FieldText(row.senderText) << '\t' << FieldText(row.subjectText) << '\t'
            << FieldText(row.sizeText) << '\t' << row.numberText << '\n';
    }
}

int ListMailbox(const std::string& email, std::ostream& out, std::ostream& err,
                const std::string& folder) {
    std::optional<AccountCommand> command = PrepareAccountCommand(email, err);
    if (!command) return 1;
    if (!folder.empty()) {
        if (command->account.protocol != MailProtocol::Imap) {
            err << "A POP3 account has no folders.\n";
            return 1;
        }
        command->account.folder = folder;
    }
    const AccountSettings& account = command->account;
    SpamRules rules;
    SpamCriteria criteria;
    LoadFilter(rules, criteria);
    RunState runState;
    std::unique_ptr<MailSession> session =
        OpenMailSession(account, {command->tlsAvailable, nullptr, {}, kListTimeLimit}, runState);
    try {
        runState.Store();
    } catch (...) {
        session->Quit();  // the server hears the end before the failure to record travels on
        throw;
    }
    if (!session->IsConnected()) {
        err << StoredError(account) << '\n';
        return 1;
    }
    int status = 0;
    try {
        std::vector<MessageRow> rows = ListHeaders(*session, account, rules, criteria);
        SortRows(rows, kDateColumn);
        PrintRows(rows, out);
    } catch (const std::bad_alloc&) {
        err << account.email << " - error\n" << kOutOfMemory << '\n';
        status = 1;
    } catch (const std::exception& e) {
        err << account.email << " - error\n" << e.what() << '\n';
        status = 1;
    }
    session->Quit();
    return status;
}
