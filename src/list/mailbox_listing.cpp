#include "list/mailbox_listing.h"

#include "check/pop3_client.h"

std::unique_ptr<T_mail_entry> FetchEntry(T_POP3& session, int number) {
    auto entry = std::make_unique<T_mail_entry>();
    session.FetchHeader(number, *entry);
    entry->number = number;
    entry->size = session.MessageSize(number);
    return entry;
}

std::vector<T_list_row> ListHeaders(T_POP3& session, const std::string& accountEmail,
                                    const T_spam_rules& rules, const T_spam_criteria& criteria,
                                    const ListingProgress& progress) {
    std::vector<T_list_row> rows;
    const int count = session.CountMessages();
    // The rows grow as they arrive: the count is the server's word, not memory to set aside.
    for (int n = count; n >= 1; --n) {
        rows.push_back(MakeListRow(FetchEntry(session, n), accountEmail, rules, criteria));
        if (progress && !progress(count - n + 1, count)) break;
    }
    return rows;
}
