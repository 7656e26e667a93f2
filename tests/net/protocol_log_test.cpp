#include "net/protocol_log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "settings/text_utils.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// The log of a conversation written as "C: " and "S: " lines; "S:{literal}" stands for a
// counted literal the server sends.
std::string Logged(std::string_view script) {
    DialogueMask mask;
    std::string log;
    for (std::string_view line : SplitLines(script)) {
        const std::string text = Trim(line);
        if (text.rfind("C: ", 0) == 0) {
            log += "C: " + mask.Client(text.substr(3)) + "\n";
        } else if (text.rfind("S:{", 0) == 0) {
            log += "S: " +
                   DialogueMask::Literal(
                       ReplaceAll(text.substr(3, text.size() - 4), "<crlf>", "\r\n")) +
                   "\n";
        } else if (text.rfind("S: ", 0) == 0) {
            if (const auto shown = mask.Server(text.substr(3))) log += "S: " + *shown + "\n";
        }
    }
    return log;
}

TEST(DialogueMaskTest, Pop3PasswordsAndSaslPayloadsNeverAppear) {
    const std::string log = Logged(R"(
        S: +OK ready <1.2@host>
        C: USER bob
        S: +OK
        C: PASS se cret
        S: -ERR [AUTH] wrong
        C: APOP bob 0123456789abcdef0123456789abcdef
        S: -ERR no
        C: AUTH PLAIN AGJvYgBzZWNyZXQ=
        S: -ERR no
        C: AUTH XOAUTH2
        S: +
        C: dXNlcj1ib2IBYXV0aD1CZWFyZXIgdG9rZW4BAQ==
        S: + eyJzdGF0dXMiOiI0MDEifQ==
        C: AQ==
        S: -ERR failed
        C: STAT
        S: +OK 1 10
    )");
    for (const char* secret :
         {"se cret", "0123456789abcdef", "AGJvYgBzZWNyZXQ=", "dXNlcj1", "AQ=="})
        EXPECT_THAT(log, Not(HasSubstr(secret))) << log;
    EXPECT_THAT(log, HasSubstr("C: USER bob\n"));
    EXPECT_THAT(log, HasSubstr("C: PASS ***\n"));
    EXPECT_THAT(log, HasSubstr("C: APOP bob ***\n"));
    EXPECT_THAT(log, HasSubstr("C: AUTH PLAIN ***\n"));
    EXPECT_THAT(log, HasSubstr("C: AUTH XOAUTH2\nS: +\nC: ***\n"));
    EXPECT_THAT(log, HasSubstr("C: STAT\nS: +OK 1 10\n"));  // the exchange is over
}

TEST(DialogueMaskTest, ImapLoginPasswordIsHiddenQuotedAtomOrLiteral) {
    const std::string log = Logged(R"(
        S: * OK ready
        C: a1 LOGIN "bob" "p\"w d"
        S: a1 NO wrong
        C: a2 login bob atompass
        S: a2 NO wrong
        C: a3 LOGIN {3}
        S: + go ahead
        C: bob {8}
        S: + go ahead
        C: litpass1
        S: a3 NO wrong
        C: a4 LOGIN "bob" {8+}
        C: litpass2 
        C: a5 AUTHENTICATE OAUTHBEARER bixhPWJvYixeAWF1dGg9QmVhcmVyIHRva2Vu
        S: + eyJzdGF0dXMiOiI0MDEifQ==
        C: AQ==
        S: a5 NO failed
        C: a6 AUTHENTICATE PLAIN
        S: +
        C: AGJvYgBzZWNyZXQ=
        C: a7 STATUS INBOX (MESSAGES)
        S: a6 OK done
    )");
    for (const char* secret :
         {"p\\\"w d", "atompass", "litpass", "bixhPWJv", "AQ==", "AGJvYgBzZWNyZXQ="})
        EXPECT_THAT(log, Not(HasSubstr(secret))) << log;
    EXPECT_THAT(log, HasSubstr("C: a1 LOGIN \"bob\" ***\n"));
    EXPECT_THAT(log, HasSubstr("C: a2 login bob ***\n"));
    EXPECT_THAT(log,
                HasSubstr("C: a3 LOGIN {3}\nS: + go ahead\nC: bob {8}\nS: + go ahead\nC: ***\n"));
    EXPECT_THAT(log, HasSubstr("C: a5 AUTHENTICATE OAUTHBEARER ***\n"));
    EXPECT_THAT(log, HasSubstr("C: a7 STATUS INBOX (MESSAGES)\n"));  // sent behind the exchange
}

TEST(DialogueMaskTest, MessagesAndLiteralsAreShortenedToFirstLineAndSize) {
    const std::string log = Logged(R"(
        C: TOP 1 0
        C: LIST
        S: +OK header follows
        S: From: a@b
        S: Subject: hi
        S: .
        S: +OK 1 message
        S: 1 120
        S: .
        S: * 1 FETCH (BODY[] {24}
        S:{Subject: hi<crlf><crlf>body text}
    )");
    EXPECT_THAT(log, HasSubstr("S: +OK header follows\nS: From: a@b ... (24 bytes)\nS: +OK 1"));
    EXPECT_THAT(log, HasSubstr("S: 1 120\nS: .\n"));  // a listing is shown as it is
    EXPECT_THAT(log, HasSubstr("S: Subject: hi ... (24 bytes)"));
    EXPECT_THAT(log, Not(HasSubstr("body text")));
}

}  // namespace
