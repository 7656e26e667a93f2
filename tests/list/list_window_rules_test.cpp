#include "list/list_window_rules.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "message/message_feed.h"

using ::testing::ElementsAre;

namespace {

MessageRow Row(bool spam) {
    MessageRow row;
    row.entry = std::make_unique<MailMessage>();
    row.spam = spam;
    return row;
}

}  // namespace

TEST(ListWindowRules, SpamRowsAreDeletedFromTheBottomUp) {
    std::vector<MessageRow> rows;
    for (bool spam : {true, false, true, false, false, true}) rows.push_back(Row(spam));
    EXPECT_THAT(SpamRowsBottomUp(rows), ElementsAre(5u, 2u, 0u));
    EXPECT_EQ(CountSpamRows(rows), 3u);
    EXPECT_TRUE(SpamRowsBottomUp({}).empty());
    // Key texts show as the key when the language table has no text for them.
    EXPECT_EQ(DeleteSpamQuestion(3), "delete_all_spam_dialog\r\ncount_spam_dialog 3");
    EXPECT_EQ(ItemsCountText(0), "   0 items_count_other");
    EXPECT_EQ(CountedProgressText("retrieve_headers_progress", 0), "retrieve_headers_progress (0)");
    // The newest message is the highest number, wherever the sorting put its row.
    for (int i = 0; i < 3; ++i) {
        rows[static_cast<std::size_t>(i)].entry->id = IdOfNumber(7 - 3 * i);
        rows[static_cast<std::size_t>(i)].entry->uniqueId = "u" + std::to_string(7 - 3 * i);
    }
    const ShownMailbox shown = ShownMailboxOf(rows);
    EXPECT_EQ(shown.count, 6);
    EXPECT_EQ(shown.lastUidl, "u7");
    EXPECT_EQ(shown.highestUid, 7u);
}

TEST(ListWindowRules, SavedFileIsHeaderEmptyLineAndPaneWithCrLf) {
    MailMessage entry;
    FeedMessage(entry, "Subject: s\r\nFrom: a@b.example\r\nContent-Type: text/html\r\n\r\n", false);
    const std::string saved = SavedMessageText(entry, {"", "text", ""});
    EXPECT_EQ(saved.find("Content-Type: text/html"), std::string::npos);
    EXPECT_EQ(saved.rfind("Subject: s\r\nFrom: a@b.example\r\n", 0), 0u);
    EXPECT_NE(saved.find("8bit\r\n\r\n\r\ntext\r\n\r\n"), std::string::npos);
    EXPECT_EQ(saved.substr(saved.size() - 10), "\r\ntext\r\n\r\n");
}

TEST(ListWindowRules, PaneStateChoosesTheHelpTopic) {
    EXPECT_EQ(PaneKeyHelpTopic(PaneState::Header), 200);
    EXPECT_EQ(PaneKeyHelpTopic(PaneState::Message), 201);
    EXPECT_EQ(PaneKeyHelpTopic(PaneState::Untouched), 203);
    EXPECT_EQ(PaneMenuHelpTopic(PaneState::Header), 203);
    EXPECT_EQ(PaneMenuHelpTopic(PaneState::Message), 204);
    EXPECT_EQ(PaneMenuHelpTopic(PaneState::Untouched), 204);
}

TEST(ListWindowRules, RedHeaderNamesIgnoreLetterCase) {
    for (const char* name : {"Date", "FROM", "received", "Subject", "to", "attachment"})
        EXPECT_TRUE(IsRedHeaderName(name)) << name;
    for (const char* name : {"Cc", "?", " ", "", "DATE_EMPTY", "mail_text"})
        EXPECT_FALSE(IsRedHeaderName(name)) << name;
}

TEST(ListWindowRules, TextPaneShrinksOnlyBeyondThreeQuarters) {
    EXPECT_EQ(TextPaneWidth(300, 622), 300);
    EXPECT_EQ(TextPaneWidth(467, 622), 467);  // 622 - 155
    EXPECT_EQ(TextPaneWidth(468, 622), 155);
    EXPECT_EQ(TextPaneWidth(128, 100), 25);
}

TEST(ListWindowRules, LayoutRoundTripsEveryStoredSize) {
    ListWindowSizes sizes;
    sizes.width = 900;
    sizes.height = 700;
    sizes.memoWidth = 200;
    const WindowLayout layout = ListWindowLayout(sizes);
    EXPECT_EQ(layout.window, "popListWindow");
    ASSERT_TRUE(layout.view && layout.headerView && layout.control);
    EXPECT_EQ(layout.view->name, "headers");
    EXPECT_EQ(layout.headerView->name, "header_list");
    EXPECT_EQ(layout.control->name, "memo");
    const ListWindowSizes back = SizesOfLayout(layout);
    EXPECT_EQ(back.width, 900);
    EXPECT_EQ(back.headersHeight, 160);
    EXPECT_THAT(back.headerColumns, ElementsAre(18, 138, 128, 128, 88, 80));
    EXPECT_THAT(back.headerViewColumns, ElementsAre(128, 512));
    EXPECT_EQ(back.memoWidth, 200);
}
