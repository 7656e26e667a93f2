#pragma once
// One session with an account's mailbox, whatever its protocol: what the check cycle, the list
// window and tarnwick-check do with a server. POP3 and IMAP sessions implement it; a message is
// named by an id, its number in a POP3 session and its UID on IMAP.

#include <cstdint>
#include <optional>
#include <string>

#include "net/message_id.h"
#include "net/message_sink.h"
#include "net/tls_check.h"
#include "settings/accounts.h"

// Receives the headers of a listing, one message after another.
class HeaderReceiver {
public:
    virtual ~HeaderReceiver() = default;
    // The number of messages the listing is about to hand over, before the first of them.
    virtual void Counted(int /*count*/) {}
    // A fresh sink for the next message's header lines.
    virtual MessageSink& NextHeader() = 0;
    // The header last handed out is complete: the message's id and size (-1 when unknown), and
    // `done` of the `count` messages. False stops the listing; headers already asked for may
    // still arrive.
    virtual bool HeaderDone(MessageId id, std::int64_t size, int done, int count) = 0;
    // The unique id (UIDL) of a message handed over before; POP3 learns them after the headers.
    virtual void IdKnown(MessageId /*id*/, const UniqueId& /*uniqueId*/) {}
};

class MailSession {
public:
    virtual ~MailSession() = default;
    virtual MailProtocol Protocol() const = 0;
    virtual bool IsConnected() const = 0;
    // The messages of the mailbox (POP3 STAT; IMAP opens the folder read-only and counts).
    virtual int CountMessages() = 0;
    // Every message's header, newest first on POP3, in the server's order on IMAP. After a
    // stop the IMAP session may have closed its connection (test IsConnected()).
    virtual void ListHeaders(HeaderReceiver& receiver) = 0;
    // The size of a message in bytes as the server states it on request (POP3 LIST n); -1
    // without asking where the listing gave it already (IMAP).
    virtual std::int64_t MessageSize(MessageId /*id*/) { return -1; }
    // The whole message; false when the server has no message of that id. Marks nothing seen.
    virtual bool FetchMessage(MessageId id, MessageSink& message) = 0;
    // Marks the message for deletion; deletions take effect when the session quits.
    virtual void DeleteMessage(MessageId id) = 0;
    virtual void KeepAlive() = 0;
    // Ends the session, the deletions taking effect. Returns "" or what the user should know,
    // in the user's language: an IMAP server without UIDPLUS leaves the messages marked as
    // deleted.
    virtual std::string Quit() = 0;
    // Closes at once; the operation waiting on the connection then fails.
    virtual void Abort() = 0;
    virtual std::optional<CertificateProblem> CertificateFailure() const = 0;
};
