#pragma once
// The headers of the messages a check found new, brought along for a notification that names
// them. Only the check's own session fetches them, and only the newest few; nothing is marked
// seen. They are handed up raw: decoding and the spam verdict belong to the layers above.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/message_id.h"

class ImapClient;
class Pop3Client;

struct NewMessageHeader {
    MessageId id;                    // the message number (POP3) or UID (IMAP)
    std::int64_t size = -1;          // bytes; -1 when the server did not say
    std::vector<std::string> lines;  // as received, without line ends; a folded line on its own
    // IMAP accounts that watch several folders: the folder it arrived in (decoded); else empty.
    std::string folder;
};

// What a notification says of the newest new messages: a line naming each, and the id of each
// message named (as in NewMessageHeader), in the same order.
struct NamedNewMail {
    std::vector<std::string> lines;
    std::vector<MessageId> ids;
    // The folder of each message named, as NewMessageHeader::folder (empty: the account's one).
    std::vector<std::string> folders;
};

// The most new messages whose headers one check brings along: enough that a few spam messages
// among them still leave some to name.
inline constexpr int kNewHeaderLimit = 10;

// TOP n 0 and LIST n of the `wanted` messages from `newest` down (at most kNewHeaderLimit),
// pipelined when the server announces PIPELINING (asked for with CAPA when more than one is
// wanted); newest first.
std::vector<NewMessageHeader> FetchNewPop3Headers(Pop3Client& client, int newest, int wanted);

// Opens the folder read-only and fetches the header fields of the last `wanted` messages (at
// most kNewHeaderLimit); with `firstNewUid` above 0 only those of a UID from there on. Newest
// first.
std::vector<NewMessageHeader> FetchNewImapHeaders(ImapClient& client, std::string_view folder,
                                                  int wanted, std::uint32_t firstNewUid);
