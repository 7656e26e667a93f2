#include "list/mailbox_listing.h"

#include <ostream>

#include "check/session.h"
#include "check/tls_layer.h"
#include "settings/language.h"
#include "settings/program_state.h"
#include "settings/settings.h"
#include "settings/text_utils.h"
#include "spam/spam_filter.h"

namespace {

const T_pop3item* FindAccount(const std::string& email) {
    for (const auto& item : accounts) {
        if (item.params.email == email) return &item;
    }
    for (const auto& item : accounts) {
        if (SameTextAscii(Trim(item.params.email), Trim(email))) return &item;
    }
    return nullptr;
}

std::string StoredError(const T_pop3params& account) {
    return OpenSettings()->ReadString(AccountSection(account), "LAST_ERROR", "");
}

}  // namespace

std::unique_ptr<T_mail_entry> FetchEntry(T_POP3& session, int number) {
    auto entry = std::make_unique<T_mail_entry>();
    session.FetchHeader(number, *entry);
    entry->number = number;
    entry->size = session.MessageSize(number);
    return entry;
}

std::vector<T_list_row> ListHeaders(T_POP3& session, const std::string& accountEmail,
                                    const ListingProgress& progress) {
    std::vector<T_list_row> rows;
    const int count = session.CountMessages();
    rows.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int n = count; n >= 1; --n) {
        rows.push_back(MakeListRow(FetchEntry(session, n), accountEmail));
        if (progress && !progress(count - n + 1, count)) break;
    }
    return rows;
}

void PrintRows(const std::vector<T_list_row>& rows, std::ostream& out) {
    for (const auto& row : rows) {
        out << (row.spam ? "*" : "") << '\t' << FieldText(row.dateText) << '\t' << FieldText(row.senderText)
            << '\t' << FieldText(row.subjectText) << '\t' << FieldText(row.sizeText) << '\t'
            << row.numberText << '\n';
    }
}

int ListMailbox(const std::string& email, std::ostream& out, std::ostream& err) {
    LoadLanguageTable();
    SetUpTls();
    LoadSettings();
    const T_pop3item* item = FindAccount(email);
    if (!item) {
        err << "No account with the e-mail address \"" << email << "\".\n";
        return 1;
    }
    LoadFilter();
    std::unique_ptr<T_POP3> session = OpenSession(item->params);
    if (!session->IsConnected()) {
        err << StoredError(item->params) << '\n';
        EndSession(session);
        return 1;
    }
    int status = 0;
    try {
        std::vector<T_list_row> rows = ListHeaders(*session, item->params.email);
        SortRows(rows, kDateColumn);
        PrintRows(rows, out);
    } catch (const std::exception& e) {
        err << item->params.email << " - error\n" << e.what() << '\n';
        status = 1;
    }
    EndSession(session);
    return status;
}
