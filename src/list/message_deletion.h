#pragma once
// Deleting listed messages by identity: before DELE n the session asks UIDL n and compares the
// answer with the id the row was listed with, so that a renumbered mailbox never loses the
// wrong message.

#include <cstddef>
#include <string>
#include <vector>

#include "net/message_id.h"

class MailSession;
class Pop3Client;

// A message as a row knows it: its id in the session that listed it and its unique id ("" when
// the server keeps none).
struct MessageIdentity {
    MessageId id;
    UniqueId uniqueId;
};

struct DeletionResult {
    std::vector<std::size_t> deleted;  // indexes of the deleted targets, ascending
    std::string error;                 // why not every target was deleted; "" when all were
};

// Deletes the targets on the session. First every target with an id is checked with UIDL n
// (pipelined when the server allows): one that answers another id, or none, deletes nothing
// and gives the text of "mailbox_changed_on_server". Then DELE n for each target (pipelined
// too); a refusal sends no further DELE and gives the server's text. Targets without an id
// are deleted by number alone. Errors of the connection are thrown; the server then deletes
// nothing, since no QUIT ends the session in order.
DeletionResult DeleteMessages(Pop3Client& session, const std::vector<MessageIdentity>& targets);

// The same on a session of either protocol. On IMAP a target's number is its UID, which is its
// identity: each target is flagged deleted as it comes (UID STORE), and a refusal is thrown.
DeletionResult DeleteMessages(MailSession& session, const std::vector<MessageIdentity>& targets);
