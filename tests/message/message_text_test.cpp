#include "message/message_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "message/header_view.h"
#include "message/message_feed.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

const std::string kRule(32, '_');

std::vector<std::string> Html(std::string_view html, LinkList& links) {
    return BodyToText(0, "text/html", html, links);
}

std::vector<std::string> Html(std::string_view html) {
    LinkList links;
    return Html(html, links);
}

}  // namespace

TEST(BodyToText, HtmlBecomesDottedText) {
    EXPECT_THAT(Html("<html><body>x<b>bold</b> y\r\n</body></html>"),
                ElementsAre("x...bold.... y"));
    EXPECT_THAT(Html("<BODY bgcolor=x>a<br>b<BR>&nbsp;c&NBSP;&amp;</body>"),
                ElementsAre("a", "b", "c &amp;......."));
    EXPECT_THAT(Html("<body>\r\n   \r\n..\r\nend.\r\n"), ElementsAre("end."));
    EXPECT_THAT(Html("<body"), ElementsAre("body"));
}

TEST(BodyToText, PlainTextStaysAsItIs) {
    LinkList links;
    EXPECT_THAT(BodyToText(0, "text/plain", "  a <b>\r\n\r\n. ", links),
                ElementsAre("  a <b>", "", ". "));
    EXPECT_TRUE(links.Links().empty());
}

TEST(BodyToText, NumberedPartsGetAHeading) {
    LinkList links;
    EXPECT_THAT(BodyToText(2, "text/plain", "hi", links),
                ElementsAre(" ", "multipart_no: 2", "text/plain", kRule, " ", "hi"));
}

TEST(LinkFromTag, AnchorRules) {
    EXPECT_EQ(LinkFromTag("<a href=\"http://example.com/x\">x</a>"), "http://example.com/x");
    EXPECT_EQ(LinkFromTag("<A HREF='HTTP://example.com/'>"), "HTTP://example.com/");
    EXPECT_EQ(LinkFromTag("<a href=http://example.com/x target=_blank>"),
              "http://example.com/x target=_blank");
    EXPECT_EQ(LinkFromTag("<a href=\"https://example.com/x\">"), "");
    EXPECT_EQ(LinkFromTag("<a href=\"http://e.c\""), "");
    EXPECT_EQ(LinkFromTag("<a x>http://example.com/"), "");
    EXPECT_EQ(LinkFromTag("<area href=\"http://example.com\">"), "");
    EXPECT_EQ(LinkFromTag("<a http://e>"), "");  // too short
    // Broken HTML: a tag left open ends at the next "<".
    EXPECT_EQ(LinkFromTag("<a href=http://a.example/ <b>x</b>"), "http://a.example/ ");
}

TEST(BodyToText, LinksAreCollectedOnceInOrder) {
    LinkList plain;
    BodyToText(0, "text/plain",
               "Menu: https://example.org/menu.\r\n(see HTTP://a.example/x?y=1) http:// http:/b",
               plain);
    EXPECT_THAT(plain.Links(), ElementsAre("https://example.org/menu", "HTTP://a.example/x?y=1"));
    LinkList links;
    Html(
        "<body><a href=\"http://b.example/\">1</a><a href=\"http://a.example/\">2</a>"
        "<a href=\"HTTP://B.EXAMPLE/\">3</a><a href=\"https://c.example/\">4</a></body>",
        links);
    EXPECT_THAT(links.Links(), ElementsAre("http://b.example/", "http://a.example/"));
}

TEST(BodyToText, HostileTagsStayCheap) {
    std::string html = "<body>";
    for (int i = 0; i < 200000; ++i) html += "<a http://x.example ";
    html += ">";
    LinkList links;
    EXPECT_TRUE(Html(html, links).empty());
    EXPECT_EQ(links.Links().size(), 1u);
}

TEST(IsFillerLine, OnlyDotsBlanksAndLineEnds) {
    EXPECT_TRUE(IsFillerLine(""));
    EXPECT_TRUE(IsFillerLine(" .\r\n. "));
    EXPECT_FALSE(IsFillerLine("..x"));
    EXPECT_FALSE(IsFillerLine("\t"));
}

TEST(MessageContent, PlainSinglePartMessage) {
    const MessageContent c = ContentOf(EntryFromFixture("plain.eml", true));
    EXPECT_THAT(
        c.lines,
        ElementsAre(" ", "message_content", " ", "att_count: 0", kRule, " ", "Dobr\u00fd den,",
                    "p\u0159\u00edloha je v dal\u0161\u00ed zpr\u00e1v\u011b.", ".leading dot",
                    kRule, " ", "has_no_html", kRule, " ", "has_no_links", kRule));
    EXPECT_TRUE(c.partRows.empty());
}

TEST(MessageContent, MultipartWithAttachmentsAndLinks) {
    const MessageContent c = ContentOf(EntryFromFixture("multipart.eml", true));
    EXPECT_THAT(c.attachments, ElementsAre("report.pdf", "obr\u00e1zek.png"));
    EXPECT_THAT(c.links, ElementsAre("http://example.com/report"));
    ASSERT_EQ(c.partRows.size(), 5u);
    EXPECT_EQ(c.partRows[0].name, "mail_text");
    EXPECT_EQ(c.partRows[0].value, "text/plain");
    EXPECT_EQ(c.partRows[2].name, "attachment");
    EXPECT_EQ(c.partRows[2].value, "report.pdf (application/pdf)");
    EXPECT_EQ(c.partRows[4].name, "Raw data");
    EXPECT_EQ(c.partRows[4].value, "application/octet-stream");
    const auto& l = c.lines;
    EXPECT_EQ(l[3], "att_count: 2");
    EXPECT_EQ(l[4], "link_count: 1 list_is_on_end");
    EXPECT_THAT(l, Contains("   - obr\u00e1zek.png"));
    EXPECT_THAT(l, Contains("has_no_body"));
    EXPECT_THAT(l, Contains("multipart_no: 1"));
    EXPECT_THAT(l, Contains("multipart_no: 2"));
    EXPECT_THAT(
        l, Contains(
               "...Report is "
               "...attached.............................................report.................."));
    EXPECT_EQ(l[l.size() - 3], "has_links");
    EXPECT_EQ(l[l.size() - 2], "http://example.com/report");
}

TEST(MessageContent, EmptyEntryShowsOnlyTheEmptyTexts) {
    const MessageContent c = ContentOf(MailMessage{});
    EXPECT_THAT(c.lines, Contains("has_no_body"));
    EXPECT_THAT(c.lines, Contains("has_no_html"));
    EXPECT_THAT(c.lines, Contains("has_no_links"));
}

TEST(HeaderView, RowsPerRawLineThenExtraLines) {
    MailMessage e;
    e.rawHeaderLines = {"Subject: a: b", " =?utf-8?Q?folded?=", "no colon", ":starts", "", "X:"};
    e.AddExtraHeader("DATE_EMPTY", "1");
    const auto rows = HeaderViewRows(e);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0].name, "Subject");
    EXPECT_EQ(rows[0].value, "a: b");
    EXPECT_EQ(rows[1].name, " ");
    EXPECT_EQ(rows[1].value, "folded");
    EXPECT_EQ(rows[2].name, "?");
    EXPECT_EQ(rows[2].value, "no colon");
    EXPECT_EQ(rows[3].name, "?");
    EXPECT_EQ(rows[3].value, ":starts");
    EXPECT_EQ(rows[4].name, "");
    EXPECT_EQ(rows[5].name, "X");
    EXPECT_EQ(rows[5].value, "");
    EXPECT_EQ(rows[6].name, "DATE_EMPTY");
    EXPECT_EQ(rows[6].value, "1");
}

TEST(HeaderView, AQEncodedSubjectReadsAsInTheList) {
    MailMessage e;
    for (const char* line :
         {"Subject: =?UTF-8?Q?P=C5=99=C3=ADli=C5=A1_=C5=BElu=C5=A5ou=C4=8Dk=C3=BD?=",
          "From: a@b.example", ""})
        e.AddHeaderLine(line);
    e.HeaderComplete();
    EXPECT_EQ(e.subject, "Příliš žluťoučký");
    EXPECT_EQ(HeaderViewRows(e)[0].value, e.subject);
}

TEST(HeaderView, RecipientsGroupByGroupLastFirst) {
    const MailMessage e = EntryFromFixture("plain.eml");
    const auto lines = HeaderPaneLines(e);
    const std::string hyphens(47, '-');
    ASSERT_GE(lines.size(), 9u);
    EXPECT_THAT(std::vector<std::string>(lines.begin(), lines.begin() + 9),
                ElementsAre("list_of_recipients", hyphens, "petr@example.cz <Petr Svoboda>",
                            "me@test.example", "jiri@example.cz <Ji\u0159\u00ed>", hyphens, " ",
                            "header_start", " "));
    EXPECT_EQ(lines[9], "Return-Path: <jana@example.cz>");
    EXPECT_EQ(lines.size(), 9 + e.rawHeaderLines.size());
}

TEST(MessageContent, BlankLinesOfABodyOrTextPartStay) {
    MailMessage entry;
    entry.bodyLines = {"", "", "Hello,", ""};
    MailPart part;
    part.kind = MailPart::Kind::Text;
    part.contentType = "text/plain";
    part.lines = {"", "part", "", ""};
    entry.parts.push_back(part);
    const MessageContent c = ContentOf(entry);
    EXPECT_THAT(c.lines,
                ElementsAre(" ", "message_content", " ", "att_count: 0", kRule, " ", "", "",
                            "Hello,", "", kRule, " ", " ", "multipart_no: 1", "text/plain", kRule,
                            " ", "", "part", "", "", kRule, " ", "has_no_links", kRule));
}
