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

namespace {

// The request that ends the header requests. Its answer has a strict form: after a reply too
// many or too few, a header is read in its place and fails to parse.
void QueueClosingRequest(Pop3Client& session, bool askUids) {
    if (askUids)
        session.QueueUidList();
    else
        session.QueueSizeList();
}

std::vector<MessageRow> ListRows(Pop3Client& session, const std::string& accountEmail,
                                 const SpamRules& rules, const SpamCriteria& criteria,
                                 const ListingProgress& progress) {
    std::vector<MessageRow> rows;
    const CapabilityList& capabilities = session.Capabilities();
    // Without an answer to CAPA, UIDL is tried: its refusal is as strict as its list.
    const bool askUids = capabilities.lines.empty() || capabilities.Has("UIDL");
    const int count = session.CountMessages();
    if (count <= 0) return rows;
    const MessageSizeList sizes = session.MessageSizes(count);
    const auto sizeOf = [&](int n) { return sizes.Of(n); };
    // Headers from the newest message down, as many requests in flight as the session allows;
    // a size the LIST lacked is asked for right after its header. A stop sends no further
    // header request, and the replies already asked for still become rows.
    const bool pipelining = session.Pipelining();
    int next = count;
    int awaited = 0;  // header replies still owed
    bool stopped = false;
    bool closed = false;  // the closing request is queued
    for (;;) {
        for (; !stopped && next >= 1; --next) {
            const bool sizeToo = pipelining && sizeOf(next) == Pop3Client::kSizeUnknown;
            if (!session.CanQueue(sizeToo ? 2 : 1) && session.PendingReplies() > 0) break;
            session.QueueHeader(next);
            ++awaited;
            if (sizeToo) session.QueueSize(next);
        }
        if (!closed && (stopped || next < 1) && session.CanQueue()) {
            QueueClosingRequest(session, askUids);
            closed = true;
        }
        // A connection closed under the listing takes the replies still owed with it.
        if (!session.IsConnected()) throw TarnwickError("Not Connected.");
        if (awaited == 0) break;
        auto entry = std::make_unique<MailMessage>();
        entry->number = session.ReadQueuedHeader(*entry);
        --awaited;
        entry->size = sizeOf(entry->number);
        if (entry->size == Pop3Client::kSizeUnknown) {
            if (!pipelining) session.QueueSize(entry->number);
            entry->size = session.ReadQueuedSize();
        }
        rows.push_back(MakeListRow(std::move(entry), accountEmail, rules, criteria));
        if (progress && !progress(static_cast<int>(rows.size()), count)) stopped = true;
    }
    if (askUids) {
        const MessageUidList uids = session.ReadQueuedUidList(count);
        for (MessageRow& row : rows) row.entry->uid = uids.Of(row.entry->number);
    } else {
        session.ReadQueuedSizeList(count);
    }
    if (session.HasUnreadData()) {
        session.AbortConnection();
        throw RepliesOutOfStep();
    }
    return rows;
}

}  // namespace

std::vector<MessageRow> ListHeaders(Pop3Client& session, const std::string& accountEmail,
                                    const SpamRules& rules, const SpamCriteria& criteria,
                                    const ListingProgress& progress) {
    try {
        return ListRows(session, accountEmail, rules, criteria, progress);
    } catch (...) {
        session.QuitAndClose();  // a session closed out of step is closed already
        throw;
    }
}
