#include <gtest/gtest.h>

#include "spam/server_verdict.h"

namespace {

ServerVerdict Read(std::string_view header, std::string_view authservId = {}) {
    return ReadServerVerdict(header, "alerts@bank.example", authservId);
}

AuthFailure Auth(std::string_view header, std::string_view authservId = {}) {
    return Read(header, authservId).authFailure;
}

AuthFailure Results(std::string_view results) {
    return Auth("Authentication-Results: mx.example.org; " + std::string(results) + "\n");
}

}  // namespace

TEST(ServerVerdict, ProvidersForms) {
    // Folded, with comments holding ";" and "=", header.i instead of header.d.
    const ServerVerdict google = Read(
        "ARC-Authentication-Results: i=1; mx.google.com; dmarc=pass header.from=bank.example\r\n"
        "Authentication-Results: mx.google.com;\r\n"
        "       dkim=pass header.i=@bank.example header.s=s1 header.b=Ab+c/9=;\r\n"
        "       spf=softfail (google.com: domain of x@spoof.example does not designate; a=b) "
        "smtp.mailfrom=x@spoof.example;\r\n"
        "       dmarc=fail (p=REJECT sp=REJECT dis=NONE) header.from=Bank.Example\r\n");
    EXPECT_EQ(google.authFailure, AuthFailure::DmarcFailed);
    EXPECT_EQ(google.domain, "bank.example");
    // No authserv-id at all, results run together without blanks after ";".
    EXPECT_EQ(Auth("Authentication-Results: spf=fail (sender IP is 192.0.2.1) "
                   "smtp.mailfrom=bank.example; dkim=none (message not signed) "
                   "header.d=none;dmarc=fail action=oreject header.from=bank.example\r\n"),
              AuthFailure::DmarcFailed);
    // A version after the authserv-id, blanks around "=", a quoted reason, upper case.
    EXPECT_EQ(Auth("Authentication-Results: mx6.messagingengine.example 1;\n"
                   "\tDKIM = PASS reason=\"good; sig\" (2048-bit rsa key) header.d=bank.example;\n"
                   "\tdmarc=pass policy.published-domain-policy=none header.from=bank.example\n"),
              AuthFailure::None);
    EXPECT_EQ(Results("none"), AuthFailure::None);
}

TEST(ServerVerdict, OnlyTheTopmostFieldOfTheNamedServerCounts) {
    const std::string fail =
        "Authentication-Results: MX.Example.org; dmarc=fail header.from=bank.example\n";
    const std::string pass = "Authentication-Results: mx.example.org; dmarc=pass\n";
    EXPECT_EQ(Auth(fail + "Subject: x\n" + pass), AuthFailure::DmarcFailed);
    EXPECT_EQ(Auth(pass + fail), AuthFailure::None);
    EXPECT_EQ(Auth(fail, " mx.example.ORG "), AuthFailure::DmarcFailed);
    // Another server's field on top (the sender's own, say) counts for nothing.
    EXPECT_EQ(Auth(fail, "mx.other.example"), AuthFailure::None);
    EXPECT_EQ(Auth("Subject: x\n\n" + fail), AuthFailure::None);  // in the body
}

TEST(ServerVerdict, WithoutDmarcSpfAndDkimMustBothFail) {
    EXPECT_EQ(Results("spf=fail smtp.mailfrom=bank.example; dkim=fail header.d=bank.example"),
              AuthFailure::NotAuthenticated);
    EXPECT_EQ(Results("spf=softfail; dkim=pass header.d=notbank.example"),
              AuthFailure::NotAuthenticated);
    EXPECT_EQ(
        Results("spf=fail; dkim=pass header.d=evil.example; dkim=pass header.d=m.bank.example"),
        AuthFailure::None);
    EXPECT_EQ(Results("spf=pass smtp.mailfrom=list.example; dkim=fail header.d=bank.example"),
              AuthFailure::None);
    EXPECT_EQ(Results("spf=none; dkim=none"), AuthFailure::None);
    EXPECT_EQ(Read("Authentication-Results: mx; spf=fail; dkim=fail\n").domain, "bank.example");
    EXPECT_TRUE(RelatedDomains("Bank.Example.", "bank.example"));
}

TEST(ServerVerdict, SpamFlags) {
    EXPECT_TRUE(Read("X-Spam-Flag: yes\n").serverSpam);
    EXPECT_TRUE(Read("x-spam-status: YES, score=9.1\n\trequired=5.0\n").serverSpam);
    EXPECT_FALSE(Read("X-Spam-Flag: NO\nX-Spam-Status: No, score=0.1\n").serverSpam);
    EXPECT_FALSE(Read("X-Spam-Status: Yesterday\nX-Spam-Flagged: YES\n").serverSpam);
}
