#include "cli/list_mailbox.h"

#include <new>
#include <ostream>

#include "check/session.h"
#include "check/tls_layer.h"
#include "cli/commands.h"
#include "list/mailbox_listing.h"
#include "settings/language.h"
#include "settings/settings.h"
#include "settings/text_utils.h"
#include "spam/spam_filter.h"

namespace {

std::string StoredError(const T_pop3params& account) {
    return OpenSettings()->ReadString(AccountSection(account), "LAST_ERROR", "");
}

}  // namespace

const T_pop3item* FindAccount(const std::vector<T_pop3item>& accounts, const std::string& email) {
    for (const auto& item : accounts) {
        if (item.params.email == email) return &item;
    }
    for (const auto& item : accounts) {
        if (SameTextAscii(Trim(item.params.email), Trim(email))) return &item;
    }
    return nullptr;
}

void PrintRows(const std::vector<T_list_row>& rows, std::ostream& out) {
    for (const auto& row : rows) {
        out << (row.spam ? "*" : "") << '\t' << FieldText(row.dateText) << '\t'
            << FieldText(row.senderText) << '\t' << FieldText(row.subjectText) << '\t'
            << FieldText(row.sizeText) << '\t' << row.numberText << '\n';
    }
}

int ListMailbox(const std::string& email, std::ostream& out, std::ostream& err) {
    LoadLanguageTable();
    const bool tlsAvailable = SetUpTls();
    T_settingsValues settings;
    LoadSettings(settings);
    const T_pop3item* item = FindAccount(settings.accounts, email);
    if (!item) {
        err << "No account with the e-mail address \"" << email << "\".\n";
        return 1;
    }
    T_spam_rules rules;
    T_spam_criteria criteria;
    LoadFilter(rules, criteria);
    std::unique_ptr<T_POP3> session = OpenSession(item->params, {tlsAvailable, nullptr, {}});
    if (!session->IsConnected()) {
        err << StoredError(item->params) << '\n';
        EndSession(session);
        return 1;
    }
    int status = 0;
    try {
        std::vector<T_list_row> rows = ListHeaders(*session, item->params.email, rules, criteria);
        SortRows(rows, kDateColumn);
        PrintRows(rows, out);
    } catch (const std::bad_alloc&) {
        err << item->params.email << " - error\n" << kOutOfMemory << '\n';
        status = 1;
    } catch (const std::exception& e) {
        err << item->params.email << " - error\n" << e.what() << '\n';
        status = 1;
    }
    EndSession(session);
    return status;
}
