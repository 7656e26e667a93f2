// The POP3 side of the session interface, and the choice of protocol.
#include "check/mail_session.h"

#include <algorithm>
#include <vector>

#include "check/imap_session.h"
#include "settings/errors.h"

void Pop3MailSession::ListHeaders(HeaderReceiver& receiver) {
    ListPop3Headers(*client_, receiver);
}

std::string Pop3MailSession::Quit() {
    if (client_->IsConnected()) client_->QuitAndClose();
    return "";
}

std::unique_ptr<MailSession> OpenMailSession(const AccountSettings& account,
                                             const SessionOptions& options, RunState& runState) {
    if (account.protocol == MailProtocol::Imap)
        return std::make_unique<ImapMailSession>(account,
                                                 OpenImapSession(account, options, runState));
    return std::make_unique<Pop3MailSession>(OpenSession(account, options, runState));
}

void ListPop3Headers(Pop3Client& client, HeaderReceiver& receiver) {
    const CapabilityList& capabilities = client.Capabilities();
    // Without an answer to CAPA, UIDL is tried: its refusal is as strict as its list.
    const bool askUids = capabilities.lines.empty() || capabilities.Has("UIDL");
    const int count = client.CountMessages();
    receiver.Counted(std::max(count, 0));
    if (count <= 0) return;
    const MessageSizeList sizes = client.MessageSizes(count);
    // A size the LIST lacked is asked for right after its header.
    const bool pipelining = client.Pipelining();
    int next = count;
    int awaited = 0;  // header replies still owed
    int done = 0;
    bool stopped = false;
    bool closed = false;  // the closing request is queued
    std::vector<int> listed;
    for (;;) {
        for (; !stopped && next >= 1; --next) {
            const bool sizeToo = pipelining && sizes.Of(next) == Pop3Client::kSizeUnknown;
            if (!client.CanQueue(sizeToo ? 2 : 1) && client.PendingReplies() > 0) break;
            client.QueueHeader(next);
            ++awaited;
            if (sizeToo) client.QueueSize(next);
        }
        if (!closed && (stopped || next < 1) && client.CanQueue()) {
            if (askUids)
                client.QueueUidList();
            else
                client.QueueSizeList();
            closed = true;
        }
        // A connection closed under the listing takes the replies still owed with it.
        if (!client.IsConnected()) throw TarnwickError("Not Connected.");
        if (awaited == 0) break;
        const int number = client.ReadQueuedHeader(receiver.NextHeader());
        --awaited;
        std::int32_t size = sizes.Of(number);
        if (size == Pop3Client::kSizeUnknown) {
            if (!pipelining) client.QueueSize(number);
            size = client.ReadQueuedSize();
        }
        listed.push_back(number);
        if (!receiver.HeaderDone(IdOfNumber(number), size, ++done, count)) stopped = true;
    }
    if (askUids) {
        const MessageUidList uids = client.ReadQueuedUidList(count);
        for (const int number : listed) receiver.IdKnown(IdOfNumber(number), uids.Of(number));
    } else {
        client.ReadQueuedSizeList(count);
    }
    if (client.HasUnreadData()) {
        client.AbortConnection();
        throw RepliesOutOfStep();
    }
}
