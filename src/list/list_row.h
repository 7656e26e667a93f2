#pragma once
// One row of the message list: its entry, its spam mark and the texts of its columns, and
// the order of the rows by column.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "message/mail_entry.h"
#include "spam/spam_types.h"

struct MessageRow {
    std::unique_ptr<MailMessage> entry;
    bool spam = false;       // shown as the spam image in column 0
    std::string spamReason;  // why the server's verdicts mark it, for the tooltip and the pane
    std::string dateText;
    std::string senderText;
    std::string subjectText;
    std::string sizeText;
    std::string numberText;
};

// Columns of the list.
enum ListColumn {
    kMarkColumn = 0,
    kDateColumn,
    kFromColumn,
    kSubjectColumn,
    kSizeColumn,
    kNumberColumn
};

// "name <address>" trimmed, the display name decoded; "<address>" without a name.
std::string SenderText(const MailMessage& entry);
// The decoded subject, trimmed.
std::string SubjectText(const MailMessage& entry);
// Bytes as kB with three decimals, the locale's decimal separator and the integer digits
// grouped by three with blanks: 1258291 gives "1 228.800 kB".
std::string SizeText(std::int64_t bytes);
// The date text of the list. An entry without a usable date gets the text of "date_no_present",
// today's date at midnight and the extra line "DATE_EMPTY: 1".
std::string ListDateText(MailMessage& entry);

// What the spam verdict looks at in an entry whose list texts are made; the server's
// Authentication-Results count when they name `authservId` (any server when it is empty).
SpamFacts SpamFactsOf(const MailMessage& entry, const std::string& subjectText,
                      const std::string& senderText, std::string_view authservId = {});

// Makes the row for a fetched entry (number and size set) and asks for its spam verdict by
// the rules and criteria.
MessageRow MakeListRow(std::unique_ptr<MailMessage> entry, const SpamAccount& account,
                       const SpamRules& rules, const SpamCriteria& criteria);

// Negative when a sorts before b in that column, positive after, 0 equal; rows without an
// entry compare equal to every row.
int CompareRows(const MessageRow& a, const MessageRow& b, int column);
// Sorts the rows by a column in its one direction; equal rows keep their order.
void SortRows(std::vector<MessageRow>& rows, int column);
// True for the columns whose one direction runs from the highest value down: spam first, newest
// first, largest first.
bool SortsDescending(int column);
