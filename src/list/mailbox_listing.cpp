#include "list/mailbox_listing.h"

#include "pop3/pop3_client.h"
#include "settings/errors.h"

std::unique_ptr<MailMessage> FetchEntry(Pop3Client& session, int number) {
    auto entry = std::make_unique<MailMessage>();
    session.FetchHeader(number, *entry);
    entry->number = number;
    entry->size = session.MessageSize(number);
    return entry;
}

std::vector<MessageRow> ListHeaders(Pop3Client& session, const std::string& accountEmail,
                                    const SpamRules& rules, const SpamCriteria& criteria,
                                    const ListingProgress& progress) {
    std::vector<MessageRow> rows;
    session.Capabilities();
    const int count = session.CountMessages();
    if (count <= 0) return rows;
    const MessageSizeList sizes = session.MessageSizes(count);
    const auto sizeOf = [&](int n) { return sizes.Of(n); };
    // Headers from the newest message down, as many requests in flight as the session allows;
    // a size the LIST lacked is asked for right after its header. A stop sends nothing more,
    // and the replies already asked for still become rows.
    const bool pipelining = session.Pipelining();
    int next = count;
    bool stopped = false;
    for (;;) {
        for (; !stopped && next >= 1; --next) {
            const bool sizeToo = pipelining && sizeOf(next) == Pop3Client::kSizeUnknown;
            if (!session.CanQueue(sizeToo ? 2 : 1) && session.PendingReplies() > 0) break;
            session.QueueHeader(next);
            if (sizeToo) session.QueueSize(next);
        }
        if (session.PendingReplies() == 0) {
            // A connection closed under the listing takes the replies still owed with it.
            if (!session.IsConnected()) throw TarnwickError("Not Connected.");
            break;
        }
        auto entry = std::make_unique<MailMessage>();
        entry->number = session.ReadQueuedHeader(*entry);
        entry->size = sizeOf(entry->number);
        if (entry->size == Pop3Client::kSizeUnknown) {
            if (!pipelining) session.QueueSize(entry->number);
            entry->size = session.ReadQueuedSize();
        }
        rows.push_back(MakeListRow(std::move(entry), accountEmail, rules, criteria));
        if (progress && !progress(static_cast<int>(rows.size()), count)) stopped = true;
    }
    return rows;
}
