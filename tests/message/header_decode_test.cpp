#include "message/header_decode.h"

#include <gtest/gtest.h>

TEST(DecodeHeaderText, IsoWordIsDecodedAndConvertedToUtf8) {
    EXPECT_EQ(DecodeHeaderText("Re: =?ISO-8859-2?Q?P=F8=EDloha?="), "Re: P\u0159\u00edloha");
    EXPECT_EQ(DecodeHeaderText("=?windows-1250?Q?=8Akoda?="), "\u0160koda");
    EXPECT_EQ(DecodeHeaderText("=?koi8-r?B?8NLJ18XU?="), "\u041f\u0440\u0438\u0432\u0435\u0442");
}

TEST(DecodeHeaderText, UnknownCharsetKeepsTheDecodedBytes) {
    EXPECT_EQ(DecodeHeaderText("=?x-unknown?Q?P=F8?="), "P\xF8");
    // Bytes that are not valid in the named charset stay as they are too.
    EXPECT_EQ(DecodeHeaderText("=?utf-8?Q?P=F8?="), "P\xF8");
}

TEST(DecodeHeaderText, QuotedPrintableReadsUnderscoresAsBlanksAndDropsQuestionMarks) {
    EXPECT_EQ(DecodeHeaderText("=?utf-8?q?a_b?="), "a b");
    EXPECT_EQ(DecodeHeaderText("=?utf-8?Q?a=3fb=3F?="), "a?b?");
    EXPECT_EQ(DecodeHeaderText("=?utf-8?Q?soft=?="), "soft");
    EXPECT_EQ(DecodeHeaderText("=?utf-8?Q?50=_off?="), "50= off");
}

TEST(DecodeHeaderText, WordEndsAtTheFirstCloseAfterTheMarker) {
    EXPECT_EQ(DecodeHeaderText("=?utf-8?Q?=3D?="), "=");
    EXPECT_EQ(DecodeHeaderText("=?utf-8?B?PT0=?= tail"), "== tail");
}

TEST(DecodeHeaderText, Base64WithAndWithoutPadding) {
    EXPECT_EQ(DecodeHeaderText("=?utf-8?B?SGVsbG8=?="), "Hello");
    EXPECT_EQ(DecodeHeaderText("=?utf-8?B?SGVsbG8?="), "Hello");
    EXPECT_EQ(DecodeHeaderText("=?utf-8?b?SGk?="), "Hi");
}

TEST(DecodeHeaderText, BrokenBase64LeavesTheErrorAndThePreparedText) {
    EXPECT_EQ(DecodeHeaderText("=?utf-8?B?SG!s?="), "Invalid base64 text / SG!s");
    EXPECT_EQ(DecodeHeaderText("a =?utf-8?B?SGVsb?= b"), "a Invalid base64 text / SGVsb=== b");
}

TEST(DecodeHeaderText, WhiteSpaceBetweenWordsIsKept) {
    EXPECT_EQ(DecodeHeaderText("=?utf-8?Q?a?= =?utf-8?Q?b?="), "a b");
    EXPECT_EQ(DecodeHeaderText("=?utf-8?Q?a?=\t=?utf-8?Q?b?="), "a\tb");
    EXPECT_EQ(DecodeHeaderText("x=?utf-8?Q?a?=y"), "xay");
}

TEST(DecodeHeaderText, UnusualWords) {
    EXPECT_EQ(DecodeHeaderText("=?x?Z?abc?="), "=?x?Z?abc?=");
    EXPECT_EQ(DecodeHeaderText("=?x?Q?abc"), "abc");
    EXPECT_EQ(DecodeHeaderText("=?x?B?SGk"), "Hi");
    EXPECT_EQ(DecodeHeaderText("price =? 5"), "price =? 5");
    EXPECT_EQ(DecodeHeaderText("=?"), "=?");
}

TEST(DecodeHeaderText, PlainTextIsOnlyTrimmed) {
    EXPECT_EQ(DecodeHeaderText("  \tHello world \r\n"), "Hello world");
    EXPECT_EQ(DecodeHeaderText(""), "");
    EXPECT_EQ(DecodeHeaderText("caf\xC3\xA9"), "caf\xC3\xA9");
}

TEST(DecodeBase64, RejectsMalformedText) {
    EXPECT_EQ(DecodeBase64("SGk="), "Hi");
    EXPECT_EQ(DecodeBase64(""), "");
    EXPECT_FALSE(DecodeBase64("SGk"));
    EXPECT_FALSE(DecodeBase64("S==="));
    EXPECT_FALSE(DecodeBase64("S=Gk"));
    EXPECT_FALSE(DecodeBase64("SG=k"));
    EXPECT_FALSE(DecodeBase64("SGk=SGk="));
}
