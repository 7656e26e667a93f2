#pragma once
// The lines with which a new-mail notification names the newest new messages: their senders
// and subjects, decoded as the message list decodes them, with spam left out.

#include <cstddef>
#include <string>
#include <vector>

#include "session/new_headers.h"
#include "spam/spam_types.h"

inline constexpr std::size_t kNewMailLines = 3;
// The longest line in bytes; a longer one is cut and ends with an ellipsis.
inline constexpr std::size_t kLongestNewMailLine = 160;

// "Sender — Subject" for each message that the rules and criteria do not mark as spam, in the
// order given (newest first), at most kNewMailLines. The sender is the display name, or the
// address without one; a line without one of the two is the other alone. Each line is one line of
// plain text: control characters become blanks. A message that names its folder (an account that
// watches several) has the folder before it: "Work: Sender — Subject". The ids are those of the
// messages named.
NamedNewMail NewMailLines(const std::vector<NewMessageHeader>& headers, const SpamAccount& account,
                          const FilterSnapshot& filter);
