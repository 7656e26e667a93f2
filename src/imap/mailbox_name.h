#pragma once
// Folder names as IMAP writes them: modified UTF-7 (RFC 3501 5.1.3). The user sees and the
// settings keep names in UTF-8; the server is sent and sends the encoded form.

#include <string>
#include <string_view>

// A folder name in UTF-8 as IMAP names it: printable ASCII as it is, "&" as "&-", every other
// run as "&" base64-of-UTF-16 "-". A byte that is not UTF-8 counts as U+FFFD.
std::string EncodeMailboxName(std::string_view utf8);

// A folder name the server sent, in UTF-8 to show. Whatever the server sends gives valid UTF-8
// without control characters: a shifted run that does not decode (bad base64, an odd byte, a
// lone surrogate, no closing "-") is shown as it was written, a control character or a byte
// that is not UTF-8 as U+FFFD. 8-bit UTF-8 (a server that sends it) is kept.
std::string DecodeMailboxName(std::string_view wire);

// The name as a command's argument: encoded and quoted (the encoded form is printable ASCII).
std::string MailboxArgument(std::string_view utf8);
