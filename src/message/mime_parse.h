#pragma once
// The message parser behind MailMessage (GMime stays inside the .cpp).

#include <string>
#include <vector>

#include "message/mail_entry.h"

// Fills the entry's parsed header fields from its raw header lines.
void ParseHeaderInto(MailMessage& entry);

// Fills the parsed header fields, the body lines and the parts from the raw header lines and
// the received body lines.
void ParseMessageInto(MailMessage& entry, const std::vector<std::string>& body);

// The lines of a text (split at CR LF, CR or LF) as strings of their own.
std::vector<std::string> TextLines(std::string_view text);
