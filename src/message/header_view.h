#pragma once
// The header view of the list window: one row per header line and the recipients text shown
// for a message whose body has not been retrieved.

#include <string>
#include <vector>

#include "message/mail_entry.h"

struct HeaderRow {
    std::string name;
    std::string value;
};

// A row per raw header line (folded lines named " ", lines without a name "?"), then a row per
// extra header line; values decoded.
std::vector<HeaderRow> HeaderViewRows(const MailMessage& entry);

// The address, followed by " <" display name ">" when the display name is not blank.
std::string RecipientText(const MailAddress& recipient);

// "list_of_recipients", the recipients (To, Cc, Bcc; each group last first) between two lines
// of hyphens, then "header_start" and the raw header lines.
std::vector<std::string> HeaderPaneLines(const MailMessage& entry);
