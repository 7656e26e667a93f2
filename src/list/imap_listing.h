#pragma once
// The header listing of an IMAP folder: one list row per message, newest message first, from
// one UID FETCH whose answers become rows as they arrive. A row's number is the message's UID.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "list/list_row.h"
#include "list/mailbox_listing.h"
#include "spam/spam_types.h"

class ImapClient;

// Opens the folder read-only (EXAMINE) and makes the row of every message, its spam verdict by
// the rules and criteria included; `progress` is told the messages done and the folder's count
// after each. Nothing is marked seen. Errors of the session reach the caller.
std::vector<MessageRow> ListImapHeaders(ImapClient& session, const std::string& folder,
                                        const std::string& accountEmail, const SpamRules& rules,
                                        const SpamCriteria& criteria,
                                        const ListingProgress& progress = {});

// The entry of a message from its header bytes, UID and size (a UID or size beyond the
// entry's range becomes its largest value).
std::unique_ptr<MailMessage> ImapEntry(std::string_view header, std::uint32_t uid,
                                       std::int64_t size);
