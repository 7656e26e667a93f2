#pragma once
// The decisions of the list window that need no window: status and question texts, the order
// in which spam rows are deleted, the saved file, the text pane's state and help topics, the
// header view's colours and the window's stored sizes.

#include <cstddef>
#include <string>
#include <vector>

#include "check/check_cycle.h"
#include "list/list_row.h"
#include "message/mail_entry.h"
#include "settings/settings.h"

// What the text pane shows; its value is also the help tag of the pane.
enum class PaneState { Header = 0, Message = 1, Untouched = 3 };

// Help topics of the list window: 200 plus the tag of the control that asks.
enum class ListHelpTag { Window = 0, HeaderView = 3, MessageMenu = 4 };
int ListHelpTopic(int tag);
// F1 in the text pane.
int PaneKeyHelpTopic(PaneState state);
// The "what_is_it" entry of the text pane's menu.
int PaneMenuHelpTopic(PaneState state);

// Status panel 1 after a listing or a deletion: three blanks, the count and the counted text
// "items_count" in the count's form.
std::string ItemsCountText(std::size_t rows);
// The progress label once the count is known: the label, " (", the count, ")".
std::string CountedProgressText(const std::string& label, int count);
// Status panel 1 while a listing starts: three blanks, "check_mailbox" and "...".
std::string CheckingText();

// The question of "delete all spam": its text, a line break, the count of marked rows.
std::string DeleteSpamQuestion(std::size_t marked);
// The indices of the marked rows, last row first: the order in which they are deleted.
std::vector<std::size_t> SpamRowsBottomUp(const std::vector<MessageRow>& rows);
std::size_t CountSpamRows(const std::vector<MessageRow>& rows);
// The count and the newest message of the rows, as the settings file keeps them after
// deletions (the message with the highest number; on IMAP the number is the UID).
ShownMailbox ShownMailboxOf(const std::vector<MessageRow>& rows);

// A saved message: the header as the parser writes it, an empty line, then the pane's lines,
// every line ended by CR LF.
std::string SavedMessageText(const MailMessage& entry, const std::vector<std::string>& paneLines);

// True when a header view row is written in red (Date, From, Received, Subject, To and the
// translated "attachment"); every other row is blue.
bool IsRedHeaderName(const std::string& name);

// The width of the text pane after the window was resized to `windowWidth`: a pane wider than
// three quarters of the window shrinks to a quarter.
int TextPaneWidth(int paneWidth, int windowWidth);

// The stored sizes of the list window, the given values as defaults.
struct ListWindowSizes {
    int width = 0;
    int height = 0;
    int headersHeight = 160;
    std::vector<int> headerColumns{18, 138, 128, 128, 88, 80};
    std::vector<int> headerViewColumns{128, 512};
    int memoWidth = 0;
};
WindowLayout ListWindowLayout(const ListWindowSizes& sizes);
ListWindowSizes SizesOfLayout(const WindowLayout& layout);
