#include "message/mail_entry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "message/message_feed.h"

using ::testing::ElementsAre;
using ::testing::Field;

namespace {

auto Address(const std::string& name, const std::string& address) {
    return AllOf(Field(&MailAddress::name, name), Field(&MailAddress::address, address));
}

}  // namespace

TEST(MailEntryHeader, FieldsOfAPlainHeader) {
    const MailMessage e = EntryFromFixture("plain.eml");
    EXPECT_EQ(e.from.name, "Jana Nov\u00e1kov\u00e1");
    EXPECT_EQ(e.from.address, "jana@example.cz");
    EXPECT_EQ(e.subject, "Re: P\u0159\u00edloha");
    EXPECT_EQ(e.date, 1772529299);  // 2026-03-03 09:14:59 UTC
    EXPECT_THAT(e.to, ElementsAre(Address("", "me@test.example"),
                                  Address("Petr Svoboda", "petr@example.cz")));
    EXPECT_THAT(e.cc, ElementsAre(Address("Ji\u0159\u00ed", "jiri@example.cz")));
    EXPECT_TRUE(e.bcc.empty());
    EXPECT_EQ(e.contentType, "text/plain");
    EXPECT_EQ(e.RecipientCount(), 3u);
    EXPECT_EQ(e.ToText(), "me@test.example, Petr Svoboda <petr@example.cz>");
}

TEST(MailEntryHeader, RawLinesKeepFoldedLinesApart) {
    const MailMessage e = EntryFromFixture("plain.eml");
    ASSERT_GE(e.rawHeaderLines.size(), 4u);
    EXPECT_EQ(e.rawHeaderLines[1], "Received: from mx.example.cz (mx.example.cz [192.0.2.1])");
    EXPECT_EQ(e.rawHeaderLines[2], "\tby mail.test.example with ESMTP id 1234");
    EXPECT_EQ(e.rawHeaderLines.back(), "Content-Transfer-Encoding: quoted-printable");
    EXPECT_TRUE(e.bodyLines.empty());
    EXPECT_TRUE(e.parts.empty());
}

TEST(MailEntryHeader, RawLinesReadBackAsAddedEmptyOnesIncluded) {
    const std::vector<std::string> added = {"", "A: 1", "", "\tfolded", ""};
    HeaderLines lines;
    for (const auto& line : added) lines.push_back(line);
    EXPECT_EQ(lines.size(), added.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.end()), added);
    EXPECT_EQ(lines.back(), "");
    EXPECT_EQ(lines[3], "\tfolded");
    EXPECT_EQ(lines[9], "");
    EXPECT_EQ(HeaderLines{"only"}.back(), "only");
    EXPECT_EQ(HeaderLines{""}.back(), "");
    EXPECT_TRUE(HeaderLines{}.empty());
}

TEST(MailEntryHeader, MissingOrUnreadableDateIsZero) {
    EXPECT_EQ(EntryFromFixture("no_date.eml").date, 0);
    EXPECT_EQ(EntryFromFixture("bad_date.eml").date, 0);
}

TEST(MailEntryHeader, MissingFromLeavesAnEmptySender) {
    const MailMessage e = EntryFromFixture("no_from.eml");
    EXPECT_EQ(e.from.name, "");
    EXPECT_EQ(e.from.address, "");
}

TEST(MailEntryHeader, EncodedWordsOfSeveralCharsets) {
    const MailMessage e = EntryFromFixture("encoded_words.eml");
    EXPECT_EQ(e.from.name, "\u0160koda Auto");
    EXPECT_THAT(e.to,
                ElementsAre(Address("\u041f\u0440\u0438\u0432\u0435\u0442", "privet@example.ru"),
                            Address("", "me@test.example")));
    EXPECT_THAT(e.subject, ::testing::StartsWith("\u017dlu\u0165ou\u010dk\u00fd k\u016f\u0148"));
    EXPECT_THAT(e.subject, ::testing::HasSubstr("\u010dten\u00ed"));
    EXPECT_THAT(e.subject, ::testing::EndsWith("\u041f\u0440\u0438\u0432\u0435\u0442"));
}

TEST(MailEntryHeader, Base64WordsWithoutPaddingKeepEveryByte) {
    MailMessage e;
    FeedMessage(e,
                "From: =?utf-8?B?SGVsbG8?= <a@example.org>\r\n"
                "To: =?iso-8859-1?b?6XQ?= <b@example.org>\r\n"
                "Subject: =?iso-8859-1?B?6XQ?= =?utf-8?B?SGVsbG8=?= x\r\n\r\n",
                false);
    EXPECT_EQ(e.from.name, "Hello");
    EXPECT_THAT(e.to, ElementsAre(Address("\u00e9t", "b@example.org")));
    EXPECT_EQ(e.subject, "\u00e9tHello x");
}

TEST(MailEntryHeader, ConsecutiveBase64WordsAreAllDecoded) {
    MailMessage e;
    FeedMessage(e,
                "From: =?UTF-8?B?SmFuYQ==?= =?UTF-8?B?IE5vdsOh?= <j@example.cz>\r\n"
                "Subject: =?utf-8?B?SGVsbA==?= =?utf-8?B?bw==?= =?utf-8?B?IQ?=\r\n"
                "Cc: =?utf-8?b?xQ==?=\r\n =?utf-8?b?vQ==?= <z@example.cz>\r\n\r\n",
                false);
    EXPECT_EQ(e.from.name, "Jana Nov\u00e1");
    EXPECT_EQ(e.subject, "Hello!");
    EXPECT_THAT(e.cc, ElementsAre(Address("\u017d", "z@example.cz")));
}

TEST(MailEntryHeader, RawEightBitHeadersBecomeUtf8) {
    const MailMessage e = EntryFromFixture("raw_8bit.eml");
    EXPECT_EQ(e.from.name, "\u017daneta Dvo\u0159\u00e1kov\u00e1");
    EXPECT_EQ(e.subject, "Caf\u00e9 cr\u00e8me");
}

TEST(MailEntryHeader, HundredsOfRecipients) {
    std::string raw = "From: a@example.org\r\nTo: ";
    for (int i = 0; i < 500; ++i) raw += (i ? ",\r\n r" : "r") + std::to_string(i) + "@example.org";
    raw += "\r\nSubject: many\r\n\r\n";
    MailMessage e;
    FeedMessage(e, raw, false);
    ASSERT_EQ(e.to.size(), 500u);
    EXPECT_EQ(e.to[499].address, "r499@example.org");
    EXPECT_EQ(e.rawHeaderLines.size(), 502u);
}

TEST(MailEntryHeader, EmptyAndGarbageHeadersDoNotThrow) {
    MailMessage empty;
    empty.HeaderComplete();
    EXPECT_EQ(empty.contentType, "text/plain");
    MailMessage garbage;
    FeedMessage(garbage, "no colon here\r\n:\r\n\x01\x02\xff: \xfe\r\nFrom: <<<@@@>>>\r\n\r\n",
                true);
    EXPECT_EQ(garbage.rawHeaderLines.size(), 4u);
}

TEST(MailEntryHeader, BrokenFirstLineLeavesTheOtherFieldsReadable) {
    for (const char* first : {"no colon here", ":x", " folded first", "bad name: x", "\t"}) {
        MailMessage e;
        e.AddHeaderLine(first);
        e.AddHeaderLine("From: Ann <ann@example.org>");
        e.AddHeaderLine("Subject: hi");
        e.HeaderComplete();
        EXPECT_EQ(e.from.address, "ann@example.org") << first;
        EXPECT_EQ(e.subject, "hi") << first;
        EXPECT_EQ(e.rawHeaderLines.front(), first);
    }
    MailMessage mbox;
    FeedMessage(mbox, "From ann@example.org Mon Jan  1 00:00:00 2024\r\nSubject: hi\r\n\r\n",
                false);
    EXPECT_EQ(mbox.subject, "hi");
    EXPECT_EQ(mbox.from.address, "");
}

TEST(MailEntryExtraLines, LookupIgnoresLetterCase) {
    MailMessage e;
    EXPECT_FALSE(e.ExtraHeader("DATE_EMPTY"));
    e.AddExtraHeader("DATE_EMPTY", "1");
    EXPECT_EQ(e.extraHeaderLines, std::vector<std::string>{"DATE_EMPTY: 1"});
    EXPECT_EQ(e.ExtraHeader("date_empty"), "1");
    EXPECT_FALSE(e.ExtraHeader("DATE"));
}

TEST(MailEntryWholeMessage, SinglePartBodyIsDecodedToUtf8Lines) {
    const MailMessage e = EntryFromFixture("plain.eml", true);
    EXPECT_EQ(e.subject, "Re: P\u0159\u00edloha");
    EXPECT_THAT(e.bodyLines, ElementsAre("Dobr\u00fd den,",
                                         "p\u0159\u00edloha je v dal\u0161\u00ed zpr\u00e1v\u011b.",
                                         ".leading dot"));
    EXPECT_TRUE(e.parts.empty());
}

TEST(MailEntryWholeMessage, AttachmentNamesInBase64WordsKeepEveryByte) {
    const std::string part = "--XX\r\nContent-Type: application/pdf";
    MailMessage e;
    FeedMessage(e,
                "Subject: x\r\nContent-Type: multipart/mixed; boundary=XX\r\n\r\n" + part +
                    "\r\nContent-Disposition: attachment;\r\n"
                    " filename=\"=?utf-8?B?SGVsbA==?= =?utf-8?B?bw==?=.pdf\"\r\n\r\nx\r\n" +
                    part + "; name=\"=?iso-8859-1?B?6XQ?=.pdf\"\r\n\r\nx\r\n" + part +
                    "\r\nContent-Disposition: attachment; filename*=utf-8''%C5%BD.pdf\r\n\r\n"
                    "x\r\n--XX--\r\n",
                true);
    ASSERT_EQ(e.parts.size(), 3u);
    EXPECT_EQ(e.parts[0].fileName, "Hello.pdf");
    EXPECT_EQ(e.parts[1].fileName, "\u00e9t.pdf");
    EXPECT_EQ(e.parts[2].fileName, "\u017d.pdf");
}

TEST(MailEntryWholeMessage, PartsInOrderNestedIncluded) {
    const MailMessage e = EntryFromFixture("multipart.eml", true);
    EXPECT_EQ(e.contentType, "multipart/mixed");
    EXPECT_TRUE(e.bodyLines.empty());
    ASSERT_EQ(e.parts.size(), 5u);
    using K = MailPart::Kind;
    EXPECT_EQ(e.parts[0].kind, K::Text);
    EXPECT_EQ(e.parts[0].contentType, "text/plain");
    EXPECT_THAT(e.parts[0].lines, ElementsAre("Dobr\u00fd den, report is attached."));
    EXPECT_EQ(e.parts[1].kind, K::Text);
    EXPECT_EQ(e.parts[1].contentType, "text/html");
    EXPECT_EQ(e.parts[2].kind, K::Attachment);
    EXPECT_EQ(e.parts[2].fileName, "report.pdf");
    EXPECT_EQ(e.parts[2].contentType, "application/pdf");
    EXPECT_EQ(e.parts[3].kind, K::Attachment);
    EXPECT_EQ(e.parts[3].fileName, "obr\u00e1zek.png");
    EXPECT_EQ(e.parts[4].kind, K::Other);
    EXPECT_EQ(e.parts[4].displayName, "Raw data");
}

TEST(MailEntryWholeMessage, BrokenOffRetrievalKeepsWhatArrived) {
    MailMessage e;
    FeedMessage(e, ReadListFixture("plain.eml"), false);
    e.AddBodyLine("Dobr=FD den,");  // the connection drops here
    e.ParseReceivedBody();
    EXPECT_THAT(e.bodyLines, ElementsAre("Dobr\u00fd den,"));
    e.ParseReceivedBody();
    EXPECT_THAT(e.bodyLines, ElementsAre("Dobr\u00fd den,"));
}

TEST(MailEntryWholeMessage, ClearKeepsIdAndSize) {
    MailMessage e = EntryFromFixture("multipart.eml", true);
    e.id = MessageId(7u);
    e.size = 1234;
    e.AddExtraHeader("DATE_EMPTY", "1");
    e.Clear();
    EXPECT_EQ(e.id, MessageId(7u));
    EXPECT_EQ(e.size, 1234);
    EXPECT_TRUE(e.rawHeaderLines.empty());
    EXPECT_TRUE(e.extraHeaderLines.empty());
    EXPECT_TRUE(e.parts.empty());
    EXPECT_EQ(e.subject, "");
    EXPECT_EQ(e.date, 0);
}

TEST(MailEntryWholeMessage, DeepNestingIsCutOff) {
    std::string raw = "From: a@b.example\r\nContent-Type: multipart/mixed; boundary=\"b0\"\r\n\r\n";
    for (int i = 1; i < 200; ++i) {
        raw += "--b" + std::to_string(i - 1) + "\r\nContent-Type: multipart/mixed; boundary=\"b" +
               std::to_string(i) + "\"\r\n\r\n";
    }
    raw += "--b199\r\nContent-Type: text/plain\r\n\r\ndeep\r\n";
    MailMessage e;
    FeedMessage(e, raw, true);
    EXPECT_TRUE(e.parts.empty());
}

TEST(MailEntrySaving, HeaderDescribesTheTextView) {
    MailMessage e = EntryFromFixture("multipart.eml", true);
    const auto lines = e.HeaderLinesForSaving();
    EXPECT_THAT(lines, ElementsAre("From: \"Office\" <office@example.com>", "To: me@test.example",
                                   "Subject: Report with attachments",
                                   "Date: Fri, 06 Mar 2026 09:30:00 +0100", "MIME-Version: 1.0",
                                   "Content-Type: text/plain; charset=UTF-8",
                                   "Content-Transfer-Encoding: 8bit"));
}
