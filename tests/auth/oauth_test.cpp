// The plain decisions of the sign-in: the addresses the HTTP client may reach, PKCE, the
// endpoints' answers, the SASL payloads and the provider presets.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "auth/http_client.h"
#include "auth/oauth_token.h"
#include "auth/online_accounts.h"
#include "auth/pkce.h"
#include "auth/sign_in.h"
#include "settings/settings.h"
#include "support/temp_folder.h"

using ::testing::HasSubstr;

namespace {

TEST(HttpClientTest, ReachesOnlyHttpsAndPlainLoopback) {
    for (const char* url :
         {"https://login.example/token", "http://127.0.0.1:8080/token", "http://localhost?x=1"})
        EXPECT_TRUE(HttpAddressAllowed(url)) << url;
    for (const char* url : {"http://example.com/token", "http://127.0.0.1.example/token",
                            "http://localhost.example/", "ftp://127.0.0.1/", "https://"})
        EXPECT_FALSE(HttpAddressAllowed(url)) << url;
    EXPECT_THROW(PostForm("http://example.com/token", {}), TarnwickError);
    EXPECT_EQ(FormEncode({{"a b", "x/y&z"}, {"c", "~-._"}}), "a%20b=x%2Fy%26z&c=~-._");
}

TEST(PkceTest, ChallengeIsTheS256OfTheVerifierAndEveryRequestIsNew) {
    // The example of RFC 7636, appendix B.
    EXPECT_EQ(PkceChallenge("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"),
              "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
    OAuthConfig config;
    config.authorizeUrl = "https://id.example/authorize?tenant=x";
    const auto first = NewAuthorizationRequest(config, "http://127.0.0.1:5/", "a@b.example");
    const auto second = NewAuthorizationRequest(config, "http://127.0.0.1:5/", "");
    EXPECT_NE(first.verifier, second.verifier);
    EXPECT_NE(first.state, second.state);
    EXPECT_THAT(first.url, ::testing::StartsWith("https://id.example/authorize?tenant=x&"));
    EXPECT_THAT(first.url, HasSubstr("&code_challenge=" + PkceChallenge(first.verifier) + "&"));
    EXPECT_THAT(second.url, ::testing::Not(HasSubstr("login_hint")));
}

TEST(TokenReplyTest, ReadsGrantsAndRefusals) {
    const TokenGrant grant =
        ParseTokenReply({200, R"({"access_token":"at","refresh_token":"rt","expires_in":"120"})"});
    EXPECT_EQ(grant.refreshToken, "rt");
    EXPECT_EQ(grant.expiresIn, std::chrono::seconds(120));
    EXPECT_EQ(ParseTokenReply({200, R"({"access_token":"at","expires_in":1e300})"}).expiresIn,
              std::chrono::seconds(3600));
    try {
        ParseTokenReply({400, R"({"error":"invalid_grant","error_description":"revoked"})"});
        ADD_FAILURE();
    } catch (const OAuthError& error) {
        EXPECT_EQ(error.Code(), "invalid_grant");
    }
    for (const char* body : {"", "<html>", "[1]", R"({"access_token":5})"})
        EXPECT_THROW(ParseTokenReply({200, body}), TarnwickError) << body;
    const DeviceCode code = ParseDeviceReply(
        {200, R"({"device_code":"d","user_code":"U","verification_url":"https://v"})"});
    EXPECT_EQ(code.verificationUri, "https://v");  // Google's name for it
}

TEST(SaslTest, PayloadsCarryUserAndBearerToken) {
    const auto decoded = [](const std::string& text) {
        std::string bytes(text.size(), '\0');
        bytes.resize(static_cast<std::size_t>(EVP_DecodeBlock(
            reinterpret_cast<unsigned char*>(bytes.data()),
            reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()))));
        return bytes.substr(0, bytes.find_last_not_of('\0') + 1);
    };
    EXPECT_EQ(decoded(OAuthSaslPayload(OAuthMechanism::OAuthBearer, "a,b=c", "T")),
              "n,a=a=2Cb=3Dc,\x01"
              "auth=Bearer T\x01\x01");
    EXPECT_EQ(decoded(OAuthSaslPayload(OAuthMechanism::XOAuth2, "u@x", "T")),
              "user=u@x\x01"
              "auth=Bearer T\x01\x01");
}

TEST(OnlineAccountsTest, ImapHostsSplitIntoHostAndPortOrTheStandardOne) {
    using Split = std::pair<std::string, std::int32_t>;
    EXPECT_EQ(SplitImapHost("imap.gmail.com", true), Split("imap.gmail.com", 993));
    EXPECT_EQ(SplitImapHost("mail.example:1143", false), Split("mail.example", 1143));
    EXPECT_EQ(SplitImapHost("[::1]:10993", true), Split("::1", 10993));
    EXPECT_EQ(SplitImapHost("::1", false), Split("::1", 143));
    EXPECT_EQ(SplitImapHost("mail.example:99999", false), Split("mail.example", 143));
    EXPECT_EQ(SplitImapHost("mail.example:x1", false), Split("mail.example:x1", 143));
}

// A bus daemon that takes the connection and never answers is the listing's error, not a hang.
TEST(OnlineAccountsTest, SilentBusDaemonEndsTheConnectingWithAnError) {
    const TempFolder folder("silentbus");
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, folder.File("bus").c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + folder.File("bus")).c_str(), 1);
    EXPECT_THAT([] { ListOnlineAccounts(); },
                ::testing::ThrowsMessage<TarnwickError>(HasSubstr("did not answer within 5 s")));
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    ::close(listener);
}

TEST(OAuthConfigTest, PresetsTakeTheSectionsOverrides) {
    const TempFolder folder("oauthconfig");
    IniFile ini(folder.File("t.ini"));
    AccountSettings account;
    account.host = "outlook.office365.com";
    account.oauthProvider = "microsoft";
    ini.WriteString(AccountSection(account), "OAUTH_CLIENT_ID", "mine");
    OAuthConfig config = ResolveOAuthConfig(account, ini);
    EXPECT_THAT(config.scope, HasSubstr("IMAP.AccessAsUser.All"));
    EXPECT_EQ(config.clientId, "mine");
    account.oauthProvider = "google";
    EXPECT_EQ(ResolveOAuthConfig(account, ini).deviceUrl, "");
    account.oauthProvider = "custom";  // nothing but the section, which has no token address
    EXPECT_THROW(ResolveOAuthConfig(account, ini), TarnwickError);
    EXPECT_EQ(ProviderForServer(" Outlook.Office365.com"), "microsoft");
    EXPECT_EQ(ProviderForServer("mail.example"), "custom");
}

}  // namespace
