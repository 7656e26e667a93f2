#include "cli/list_mailbox.h"

#include <functional>
#include <new>
#include <ostream>

#include "check/imap_session.h"
#include "check/session.h"
#include "cli/commands.h"
#include "list/imap_listing.h"
#include "list/mailbox_listing.h"
#include "net/tls_layer.h"
#include "settings/language.h"
#include "settings/settings.h"
#include "settings/text_utils.h"
#include "spam/spam_filter.h"

namespace {

std::string StoredError(const AccountSettings& account) {
    return OpenSettings()->ReadString(AccountSection(account), "LAST_ERROR", "");
}

// Prints the rows that `list` makes, newest first; 1 after printing the error that ended it.
int PrintListing(const AccountSettings& account,
                 const std::function<std::vector<MessageRow>()>& list, std::ostream& out,
                 std::ostream& err) {
    try {
        std::vector<MessageRow> rows = list();
        SortRows(rows, kDateColumn);
        PrintRows(rows, out);
        return 0;
    } catch (const std::bad_alloc&) {
        err << account.email << " - error\n" << kOutOfMemory << '\n';
    } catch (const std::exception& e) {
        err << account.email << " - error\n" << e.what() << '\n';
    }
    return 1;
}

int ListImapMailbox(const AccountSettings& account, const SessionOptions& options,
                    const SpamRules& rules, const SpamCriteria& criteria, std::ostream& out,
                    std::ostream& err) {
    RunState runState;
    std::unique_ptr<ImapClient> session = OpenImapSession(account, options, runState);
    try {
        runState.Store();
    } catch (...) {
        EndImapSession(session);
        throw;
    }
    if (!session->IsConnected()) {
        err << StoredError(account) << '\n';
        return 1;
    }
    const int status = PrintListing(
        account,
        [&] { return ListImapHeaders(*session, account.Folder(), account.email, rules, criteria); },
        out, err);
    EndImapSession(session);
    return status;
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

int ListMailbox(const std::string& email, std::ostream& out, std::ostream& err) {
    const std::optional<AccountCommand> command = PrepareAccountCommand(email, err);
    if (!command) return 1;
    const AccountSettings& account = command->account;
    SpamRules rules;
    SpamCriteria criteria;
    LoadFilter(rules, criteria);
    const SessionOptions options{command->tlsAvailable, nullptr, {}};
    if (account.protocol == MailProtocol::Imap)
        return ListImapMailbox(account, options, rules, criteria, out, err);
    std::unique_ptr<Pop3Client> session = OpenSession(account, options);
    if (!session->IsConnected()) {
        err << StoredError(account) << '\n';
        EndSession(session);
        return 1;
    }
    const int status = PrintListing(
        account, [&] { return ListHeaders(*session, account.email, rules, criteria); }, out, err);
    EndSession(session);
    return status;
}
