#include <gtest/gtest.h>

#include "spam/server_verdict.h"

namespace {

ServerVerdict Read(std::string_view header, std::string_view authservId = {},
                   std::string_view from = "alerts@bank.example") {
    return ReadServerVerdict(header, from, authservId);
}

AuthFailure Auth(std::string_view header, std::string_view authservId = {}) {
    return Read(header, authservId).authFailure;
}

}  // namespace

TEST(ServerVerdict, ProvidersForms) {
    // Folded, with comments holding ";" and "=", header.i instead of header.d.
    const ServerVerdict google = Read(
        "Delivered-To: me@gmail.example\r\n"
        "ARC-Authentication-Results: i=1; mx.google.com; dmarc=pass header.from=bank.example\r\n"
        "Authentication-Results: mx.google.com;\r\n"
        "       dkim=pass header.i=@bank.example header.s=s1 header.b=Ab+c/9=;\r\n"
        "       spf=softfail (google.com: domain of x@spoof.example does not designate; a=b) "
        "smtp.mailfrom=x@spoof.example;\r\n"
        "       dmarc=fail (p=REJECT sp=REJECT dis=NONE) header.from=Bank.Example\r\n"
        "From: Bank <alerts@bank.example>\r\n");
    EXPECT_EQ(google.authFailure, AuthFailure::DmarcFailed);
    EXPECT_EQ(google.domain, "bank.example");
    // No authserv-id at all, results run together without blanks after ";".
    EXPECT_EQ(Auth("Authentication-Results: spf=fail (sender IP is 192.0.2.1) "
                   "smtp.mailfrom=bank.example; dkim=none (message not signed) "
                   "header.d=none;dmarc=fail action=oreject header.from=bank.example;"
                   "compauth=fail reason=000\r\n"),
              AuthFailure::DmarcFailed);
    // A version after the authserv-id, blanks around "=", a quoted reason, upper case.
    EXPECT_EQ(Auth("Authentication-Results: mx6.messagingengine.example 1;\n"
                   "\tDKIM = PASS reason=\"good; sig\" (2048-bit rsa key) header.d=bank.example;\n"
                   "\tdmarc=pass policy.published-domain-policy=none header.from=bank.example\n"),
              AuthFailure::None);
    EXPECT_EQ(Auth("Authentication-Results: mail.example.org; none\n"), AuthFailure::None);
}

TEST(ServerVerdict, OnlyTheTopmostFieldOfTheNamedServerCounts) {
    constexpr std::string_view kServerFail =
        "Authentication-Results: MX.Example.org; dmarc=fail header.from=bank.example\n";
    constexpr std::string_view kServerPass =
        "Authentication-Results: mx.example.org; dmarc=pass header.from=bank.example\n";
    constexpr std::string_view kForgedPass =
        "Authentication-Results: mx.example.org; dmarc=pass header.from=bank.example\n";
    constexpr std::string_view kForgedFail =
        "Authentication-Results: mx.example.org; dmarc=fail header.from=bank.example\n";
    EXPECT_EQ(Auth(std::string(kServerFail) + "Subject: x\n" + std::string(kForgedPass)),
              AuthFailure::DmarcFailed);
    EXPECT_EQ(Auth(std::string(kServerPass) + std::string(kForgedFail)), AuthFailure::None);
    EXPECT_EQ(Auth(kServerFail, " mx.example.ORG "), AuthFailure::DmarcFailed);
    // Another server's field on top (the sender's own, say) counts for nothing.
    EXPECT_EQ(Auth(kServerFail, "mx.other.example"), AuthFailure::None);
    // After the header's end nothing counts.
    EXPECT_EQ(Auth(std::string("Subject: x\n\n") + std::string(kServerFail)), AuthFailure::None);
}

TEST(ServerVerdict, WithoutDmarcSpfAndDkimMustBothFail) {
    const auto judge = [](std::string_view results) {
        return Auth("Authentication-Results: mx.example.org; " + std::string(results) + "\n");
    };
    EXPECT_EQ(judge("spf=fail smtp.mailfrom=bank.example; dkim=fail header.d=bank.example"),
              AuthFailure::NotAuthenticated);
    EXPECT_EQ(judge("spf=softfail; dkim=pass header.d=cheap-mailer.example"),
              AuthFailure::NotAuthenticated);
    EXPECT_EQ(
        judge("spf=fail; dkim=pass header.d=evil.example; dkim=pass header.d=mail.bank.example"),
        AuthFailure::None);
    EXPECT_EQ(judge("spf=pass smtp.mailfrom=list.example; dkim=fail header.d=bank.example"),
              AuthFailure::None);
    EXPECT_EQ(judge("spf=none; dkim=none"), AuthFailure::None);
    EXPECT_EQ(Read("Authentication-Results: mx; spf=fail; dkim=fail\n").domain, "bank.example");
}

TEST(ServerVerdict, SpamFlags) {
    EXPECT_TRUE(Read("X-Spam-Flag: yes\n").serverSpam);
    EXPECT_TRUE(Read("X-Spam-Status: Yes, score=9.1 required=5.0\n").serverSpam);
    EXPECT_TRUE(Read("x-spam-status: YES\n\tscore=9\n").serverSpam);
    EXPECT_FALSE(Read("X-Spam-Flag: NO\nX-Spam-Status: No, score=0.1\n").serverSpam);
    EXPECT_FALSE(Read("X-Spam-Status: Yesterday\nX-Spam-Flagged: YES\n").serverSpam);
}

TEST(RelatedDomains, SameOrBelow) {
    EXPECT_TRUE(RelatedDomains("Bank.Example.", "bank.example"));
    EXPECT_TRUE(RelatedDomains("bank.example", "mail.bank.example"));
    EXPECT_FALSE(RelatedDomains("notbank.example", "bank.example"));
    EXPECT_FALSE(RelatedDomains("", "bank.example"));
}
