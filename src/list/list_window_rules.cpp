#include "list/list_window_rules.h"

#include <array>

#include "settings/counted_text.h"
#include "settings/language.h"
#include "settings/text_utils.h"

namespace {
constexpr int kHelpBase = 200;
}  // namespace

int ListHelpTopic(int tag) {
    return kHelpBase + tag;
}

int PaneKeyHelpTopic(PaneState state) {
    return ListHelpTopic(static_cast<int>(state));
}

int PaneMenuHelpTopic(PaneState state) {
    return ListHelpTopic(static_cast<int>(state == PaneState::Header ? ListHelpTag::HeaderView
                                                                     : ListHelpTag::MessageMenu));
}

std::string ItemsCountText(std::size_t rows) {
    return "   " + std::to_string(rows) + " " + CountedText("items_count", rows);
}

std::string CountedProgressText(const std::string& label, int count) {
    return label + " (" + std::to_string(count) + ")";
}

std::string CheckingText() {
    return "   " + GetLangText("check_mailbox") + "...";
}

std::string DeleteSpamQuestion(std::size_t marked) {
    return GetLangText("delete_all_spam_dialog") + "\r\n" + GetLangText("count_spam_dialog") + " " +
           std::to_string(marked);
}

std::vector<std::size_t> SpamRowsBottomUp(const std::vector<MessageRow>& rows) {
    std::vector<std::size_t> marked;
    for (std::size_t i = rows.size(); i-- > 0;)
        if (rows[i].spam) marked.push_back(i);
    return marked;
}

std::size_t CountSpamRows(const std::vector<MessageRow>& rows) {
    std::size_t count = 0;
    for (const auto& row : rows) count += row.spam ? 1 : 0;
    return count;
}

ShownMailbox ShownMailboxOf(const std::vector<MessageRow>& rows) {
    ShownMailbox shown;
    shown.count = static_cast<int>(rows.size());
    for (const MessageRow& row : rows) {
        if (!row.entry || row.entry->id.Value() <= shown.highestUid) continue;
        shown.highestUid = row.entry->id.Value();
        shown.lastUidl = row.entry->uniqueId;
    }
    return shown;
}

std::string SavedMessageText(const MailMessage& entry, const std::vector<std::string>& paneLines) {
    std::string text;
    for (const auto& line : entry.HeaderLinesForSaving()) text += line + "\r\n";
    text += "\r\n";
    for (const auto& line : paneLines) text += line + "\r\n";
    return text;
}

bool IsRedHeaderName(const std::string& name) {
    static constexpr std::array<const char*, 5> kRedNames{"DATE", "FROM", "RECEIVED", "SUBJECT",
                                                          "TO"};
    const std::string upper = UpperAscii(name);
    for (const char* red : kRedNames)
        if (upper == red) return true;
    return upper == UpperAscii(GetLangText("attachment"));
}

int TextPaneWidth(int paneWidth, int windowWidth) {
    const int quarter = windowWidth / 4;
    return paneWidth > windowWidth - quarter ? quarter : paneWidth;
}

WindowLayout ListWindowLayout(const ListWindowSizes& sizes) {
    WindowLayout layout;
    layout.window = "popListWindow";
    layout.width = sizes.width;
    layout.height = sizes.height;
    layout.view = ListViewLayout{"headers", sizes.headersHeight, sizes.headerColumns};
    layout.headerView = ListViewLayout{"header_list", 0, sizes.headerViewColumns};
    layout.control = ControlLayout{"memo", sizes.memoWidth};
    return layout;
}

ListWindowSizes SizesOfLayout(const WindowLayout& layout) {
    ListWindowSizes sizes;
    sizes.width = layout.width;
    sizes.height = layout.height;
    if (layout.view) {
        sizes.headersHeight = layout.view->height;
        sizes.headerColumns = layout.view->columnWidths;
    }
    if (layout.headerView) sizes.headerViewColumns = layout.headerView->columnWidths;
    if (layout.control) sizes.memoWidth = layout.control->width;
    return sizes;
}
