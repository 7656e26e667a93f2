#include "list/list_row.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <clocale>

#include "message/message_feed.h"
#include "settings/language.h"
#include "settings/text_utils.h"
#include "support/temp_folder.h"

using ::testing::ElementsAre;

namespace {

std::unique_ptr<MailMessage> Fixture(std::string_view name, int number, int size) {
    auto entry = std::make_unique<MailMessage>(EntryFromFixture(name));
    entry->id = IdOfNumber(number);
    entry->size = size;
    return entry;
}

MessageRow Row(int number, std::time_t date, std::string sender, std::string subject, int size,
               bool spam = false) {
    MessageRow row;
    row.entry = std::make_unique<MailMessage>();
    row.entry->id = IdOfNumber(number);
    row.entry->date = date;
    row.entry->size = size;
    row.senderText = std::move(sender);
    row.subjectText = std::move(subject);
    row.spam = spam;
    return row;
}

std::vector<int> Numbers(const std::vector<MessageRow>& rows) {
    std::vector<int> numbers;
    for (const auto& row : rows) numbers.push_back(row.entry ? NumberOfId(row.entry->id) : 0);
    return numbers;
}

}  // namespace

TEST(SizeText, PictureWithThreeDecimalsAndGroups) {
    {
        const TempFolder folder;
        const ProgramFolderScope scope(folder.Path());
        folder.Write("vellmoar.lng", "decimal_separator=,\r\n");
        LoadLanguageTable();
        EXPECT_EQ(SizeText(269), "0,263 kB") << "the language's separator";
        ResetLanguageTable();
    }
    EXPECT_EQ(SizeText(1536), "1.500 kB");
    EXPECT_EQ(SizeText(1258291), "1 228.800 kB");
    EXPECT_EQ(SizeText(-1), "-0.001 kB");
    EXPECT_EQ(SizeText(0), "0.000 kB");
    EXPECT_EQ(SizeText(1), "0.001 kB");
    EXPECT_EQ(SizeText(2147483647), "2 097 151.999 kB");
    EXPECT_EQ(SizeText(1023487), "999.499 kB");
    EXPECT_EQ(SizeText(1024000), "1 000.000 kB");
}

TEST(SizeText, UsesTheLocaleDecimalSeparator) {
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "C.UTF-8")) {
        GTEST_SKIP() << "no locale to switch to";
    }
    const std::string separator = std::localeconv()->decimal_point;
    EXPECT_EQ(SizeText(1536), "1" + separator + "500 kB");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(SenderText, NameAndAddress) {
    EXPECT_EQ(SenderText(EntryFromFixture("plain.eml")),
              "Jana Nov\u00e1kov\u00e1 <jana@example.cz>");
    EXPECT_EQ(SenderText(EntryFromFixture("no_date.eml")), "<sender@example.org>");
    EXPECT_EQ(SenderText(EntryFromFixture("no_from.eml")), "<>");
    MailMessage encoded;
    encoded.from = {"=?utf-8?q?a_b?=", "x@y.example"};
    EXPECT_EQ(SenderText(encoded), "a b <x@y.example>");  // as the parser reads Q words
}

TEST(ListDateText, MissingDateBecomesTodayWithMarker) {
    for (const char* name : {"no_date.eml", "bad_date.eml"}) {
        MailMessage e = EntryFromFixture(name);
        EXPECT_EQ(ListDateText(e), "date_no_present");
        EXPECT_EQ(e.ExtraHeader("DATE_EMPTY"), "1");
        std::tm tm{};
        localtime_r(&e.date, &tm);
        EXPECT_EQ(tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec, 0);
        EXPECT_LT(std::time(nullptr) - e.date, 25 * 3600);
    }
    MailMessage dated = EntryFromFixture("plain.eml");
    EXPECT_EQ(ListDateText(dated), DateTimeText(dated.date));
    EXPECT_TRUE(dated.extraHeaderLines.empty());
}

TEST(MakeListRow, TextsAndVerdict) {
    SpamRules spamRules;
    const SpamCriteria criteria;
    spamRules.push_back(std::make_unique<SpamRuleEntry>());
    spamRules.back()->filter = {RuleKind::Subject, true, "priloha"};
    spamRules.push_back(std::make_unique<SpamRuleEntry>());
    spamRules.back()->filter = {RuleKind::Subject, true, "P\u0159\u00edloha"};
    const MessageRow row =
        MakeListRow(Fixture("plain.eml", 4, 1536), "me@test.example", spamRules, criteria);
    EXPECT_EQ(row.senderText, "Jana Nov\u00e1kov\u00e1 <jana@example.cz>");
    EXPECT_EQ(row.subjectText, "Re: P\u0159\u00edloha");
    EXPECT_EQ(row.sizeText, "1.500 kB");
    EXPECT_EQ(row.numberText, "4");
    EXPECT_TRUE(row.spam);
    spamRules.clear();
    EXPECT_FALSE(
        MakeListRow(Fixture("plain.eml", 4, 1536), "me@test.example", spamRules, criteria).spam);
}

TEST(MakeListRow, EmptyDateCriterionSeesTheMarker) {
    SpamRules spamRules;
    spamRules.push_back(std::make_unique<SpamRuleEntry>());
    spamRules.back()->filter = {RuleKind::Subject, true, "zzz"};
    SpamCriteria spamCriteria;
    spamCriteria.noEmptyDate = true;
    EXPECT_TRUE(
        MakeListRow(Fixture("no_date.eml", 1, 10), "me@test.example", spamRules, spamCriteria)
            .spam);
    EXPECT_FALSE(
        MakeListRow(Fixture("plain.eml", 2, 10), "me@test.example", spamRules, spamCriteria).spam);
}

TEST(SpamFacts, TakeWhatTheVerdictNeedsFromTheEntry) {
    MailMessage entry;
    entry.size = 4096;
    entry.to = {{"Me", "me@test.example"}, {"", "b@x.example"}};
    entry.cc = {{"", "c@x.example"}};
    entry.bcc = {{"", "d@x.example"}};
    SpamFacts facts = SpamFactsOf(entry, "Subject", "Sender <s@x.example>");
    EXPECT_EQ(facts.size, 4096);
    EXPECT_EQ(facts.recipientCount, 4u);
    EXPECT_EQ(facts.toText, entry.ToText());
    EXPECT_FALSE(facts.emptyDate);
    EXPECT_EQ(facts.subject, "Subject");
    EXPECT_EQ(facts.sender, "Sender <s@x.example>");
    entry.AddExtraHeader("Date_Empty", "1");
    EXPECT_TRUE(SpamFactsOf(entry, "", "").emptyDate);
}

TEST(SortRows, EachColumnHasOneDirection) {
    std::vector<MessageRow> rows;
    rows.push_back(Row(1, 300, "bob", "b", 10));
    rows.push_back(Row(2, 100, "Alice", "C", 30, true));
    rows.push_back(Row(3, 200, "alice", "a", 20));
    SortRows(rows, kDateColumn);
    EXPECT_THAT(Numbers(rows), ElementsAre(1, 3, 2));
    SortRows(rows, kDateColumn);
    EXPECT_THAT(Numbers(rows), ElementsAre(1, 3, 2));
    SortRows(rows, kFromColumn);
    EXPECT_THAT(Numbers(rows), ElementsAre(3, 2, 1));  // equal texts keep their order
    SortRows(rows, kSubjectColumn);
    EXPECT_THAT(Numbers(rows), ElementsAre(3, 1, 2));
    SortRows(rows, kSizeColumn);
    EXPECT_THAT(Numbers(rows), ElementsAre(2, 3, 1));
    SortRows(rows, kNumberColumn);
    EXPECT_THAT(Numbers(rows), ElementsAre(1, 2, 3));
    SortRows(rows, kMarkColumn);
    EXPECT_THAT(Numbers(rows), ElementsAre(2, 1, 3));
    // An IMAP UID above the int32 range keeps its value, its place and its text.
    rows[0].entry->id = MessageId(3000000000u);
    SortRows(rows, kNumberColumn);
    EXPECT_EQ(rows[2].entry->id, MessageId(3000000000u));
    EXPECT_EQ(MakeListRow(std::move(rows[2].entry), "", {}, {}).numberText, "3000000000");
}

TEST(SortRows, TextsCompareByUpperCasedBytes) {
    std::vector<MessageRow> rows;
    rows.push_back(Row(1, 0, "\u00e9mile", "", 0));
    rows.push_back(Row(2, 0, "zed", "", 0));
    rows.push_back(Row(3, 0, "_under", "", 0));
    SortRows(rows, kFromColumn);
    // "Z" (90) before "_" (95) before the UTF-8 lead byte of "\u00e9"
    EXPECT_THAT(Numbers(rows), ElementsAre(2, 3, 1));
}

TEST(SortRows, RowsWithoutEntryStayInPlaceSafely) {
    std::vector<MessageRow> rows;
    for (int i = 0; i < 50; ++i) {
        rows.push_back(i % 7 == 0 ? MessageRow{} : Row(i, i, "", "", i));
    }
    SortRows(rows, kNumberColumn);
    EXPECT_EQ(rows.size(), 50u);
    EXPECT_EQ(CompareRows(MessageRow{}, rows[1], kDateColumn), 0);
}
