#pragma once
// The header listing of a mailbox: one list row per message, newest message first, from one
// size request and a header request per message (pipelined when the server allows).

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "list/list_row.h"
#include "spam/spam_types.h"

class MailSession;
class Pop3Client;

// The entry of message `number`: its header (TOP n 0), number and size (LIST n).
std::unique_ptr<MailMessage> FetchEntry(Pop3Client& session, int number);

// Called once the messages are counted (done 0), then after each message with the number of
// messages done and the count; false after a message stops the
// listing: no further request is sent, and the replies already asked for still become rows
// (and are reported) so that the session stays usable.
using ListingProgress = std::function<bool(int done, int count)>;

// Asks for the capabilities (once per session), counts the messages, reads every size with one
// LIST, then makes the row of every message from the count down to 1, its spam verdict by the
// rules and criteria included. The header requests end with one of strict form: UIDL, which
// gives every row its message's id, unless the capabilities lack it, else LIST. When that
// reply does not parse, or data follows it, the replies were out of step: RepliesOutOfStep.
// A failed listing ends the session (QUIT while it is in step) before its error reaches the
// caller.
std::vector<MessageRow> ListHeaders(Pop3Client& session, const SpamAccount& account,
                                    const SpamRules& rules, const SpamCriteria& criteria,
                                    const ListingProgress& progress = {});

// The same on a session of either protocol: IMAP lists with one UID FETCH, the rows numbered
// by UID. Nothing is marked seen. A failed listing ends the session as above.
std::vector<MessageRow> ListHeaders(MailSession& session, const SpamAccount& account,
                                    const SpamRules& rules, const SpamCriteria& criteria,
                                    const ListingProgress& progress = {});
