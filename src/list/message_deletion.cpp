#include "list/message_deletion.h"

#include "pop3/pop3_client.h"
#include "session/pop3_session.h"
#include "settings/language.h"

namespace {

// Sends `send(i)` for i from 0 to `total` - 1 as far as the session lets requests go ahead,
// and hands each reply to `read(i)` in order. Once `read` returns false no further request
// is sent; the replies already asked for are still read.
template <typename Send, typename Read>
void Pipelined(Pop3Client& session, std::size_t total, Send send, Read read) {
    std::size_t sent = 0;
    bool going = true;
    for (std::size_t done = 0; done < sent || (going && sent < total); ++done) {
        while (going && sent < total && (sent == done || session.CanQueue())) send(sent++);
        going = read(done) && going;
    }
}

bool SameIds(Pop3Client& session, const std::vector<MessageIdentity>& targets) {
    std::vector<const MessageIdentity*> checked;
    for (const MessageIdentity& target : targets)
        if (!target.uniqueId.empty()) checked.push_back(&target);
    bool same = true;
    Pipelined(
        session, checked.size(),
        [&](std::size_t i) { session.QueueUid(NumberOfId(checked[i]->id)); },
        [&](std::size_t i) {
            const auto uniqueId = session.ReadQueuedUid();
            same = same && uniqueId == checked[i]->uniqueId;
            return same;
        });
    return same;
}

}  // namespace

DeletionResult DeleteMessages(Pop3Client& session, const std::vector<MessageIdentity>& targets) {
    DeletionResult result;
    if (!SameIds(session, targets)) {
        result.error = GetLangText("mailbox_changed_on_server");
        return result;
    }
    Pipelined(
        session, targets.size(),
        [&](std::size_t i) { session.QueueDelete(NumberOfId(targets[i].id)); },
        [&](std::size_t i) {
            const Pop3Reply reply = session.ReadQueuedDelete();
            if (reply.ok) {
                result.deleted.push_back(i);
            } else if (result.error.empty()) {
                result.error = reply.ErrorMessage();
            }
            return reply.ok;
        });
    return result;
}

DeletionResult DeleteMessages(MailSession& session, const std::vector<MessageIdentity>& targets) {
    if (auto* pop3 = dynamic_cast<Pop3MailSession*>(&session))
        return DeleteMessages(pop3->Client(), targets);
    DeletionResult result;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        session.DeleteMessage(targets[i].id);
        result.deleted.push_back(i);
    }
    return result;
}
