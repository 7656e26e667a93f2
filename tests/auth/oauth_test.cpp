// The plain decisions of the sign-in: addresses the HTTP client may reach, PKCE, the endpoints'
// answers, the redirect's parameters, SASL payloads and the provider presets.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include "auth/http_client.h"
#include "auth/loopback_listener.h"
#include "auth/oauth_config.h"
#include "auth/oauth_token.h"
#include "auth/pkce.h"
#include "auth/sasl.h"
#include "auth/sign_in.h"
#include "settings/ini_file.h"
#include "settings/settings.h"
#include "support/temp_folder.h"

using ::testing::HasSubstr;

namespace {

std::string Unbase64(const std::string& text) {
    std::string bytes(text.size(), '\0');
    const int length = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                                       reinterpret_cast<const unsigned char*>(text.data()),
                                       static_cast<int>(text.size()));
    bytes.resize(static_cast<std::size_t>(length));
    while (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();  // the padding's bytes
    return bytes;
}

TEST(HttpClientTest, ReachesOnlyHttpsAndPlainLoopback) {
    for (const char* url :
         {"https://login.example/token", "HTTPS://x.example", "http://127.0.0.1:8080/token",
          "http://localhost/token", "http://localhost?x=1"})
        EXPECT_TRUE(HttpAddressAllowed(url)) << url;
    for (const char* url : {"http://example.com/token", "http://127.0.0.1.example/token",
                            "http://localhost.example/", "ftp://127.0.0.1/", "https://", ""})
        EXPECT_FALSE(HttpAddressAllowed(url)) << url;
    EXPECT_THROW(PostForm("http://example.com/token", {}), TarnwickError);
    EXPECT_EQ(FormEncode({{"a b", "x/y&z"}, {"c", "~-._"}}), "a%20b=x%2Fy%26z&c=~-._");
}

TEST(PkceTest, ChallengeIsTheS256OfTheVerifierAndRequestsDiffer) {
    // The example of RFC 7636, appendix B.
    EXPECT_EQ(PkceChallenge("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"),
              "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
    OAuthConfig config;
    config.authorizeUrl = "https://id.example/authorize?tenant=x";
    config.clientId = "id 1";
    config.scope = "mail offline";
    const auto first = NewAuthorizationRequest(config, "http://127.0.0.1:5/", "a@b.example");
    const auto second = NewAuthorizationRequest(config, "http://127.0.0.1:5/", "");
    EXPECT_NE(first.verifier, second.verifier);
    EXPECT_NE(first.state, second.state);
    EXPECT_GE(first.verifier.size(), 43u);
    EXPECT_THAT(first.url, ::testing::StartsWith("https://id.example/authorize?tenant=x&"));
    for (const std::string& part : std::vector<std::string>{
             "client_id=id%201", "scope=mail%20offline", "code_challenge_method=S256",
             "redirect_uri=http%3A%2F%2F127.0.0.1%3A5%2F", "login_hint=a%40b.example",
             "code_challenge=" + PkceChallenge(first.verifier), "state=" + first.state})
        EXPECT_THAT(first.url, HasSubstr(part));
    EXPECT_THAT(second.url, ::testing::Not(HasSubstr("login_hint")));
}

TEST(TokenReplyTest, ReadsGrantsAndRefusals) {
    const TokenGrant grant =
        ParseTokenReply({200, R"({"access_token":"at","refresh_token":"rt","expires_in":"120"})"});
    EXPECT_EQ(grant.accessToken, "at");
    EXPECT_EQ(grant.refreshToken, "rt");
    EXPECT_EQ(grant.expiresIn, std::chrono::seconds(120));
    EXPECT_EQ(ParseTokenReply({200, R"({"access_token":"at"})"}).expiresIn,
              std::chrono::seconds(3600));
    try {
        ParseTokenReply({400, R"({"error":"invalid_grant","error_description":"revoked"})"});
        FAIL();
    } catch (const OAuthError& error) {
        EXPECT_EQ(error.Code(), "invalid_grant");
        EXPECT_THAT(error.what(), HasSubstr("revoked"));
    }
    for (const char* body : {"", "<html>", "[1]", R"({"access_token":5})", "{}"})
        EXPECT_THROW(ParseTokenReply({200, body}), TarnwickError) << body;
    EXPECT_THROW(ParseTokenReply({500, R"({"access_token":"at"})"}), TarnwickError);

    const DeviceCode code = ParseDeviceReply(
        {200,
         R"({"device_code":"d","user_code":"U","verification_url":"https://v","interval":2})"});
    EXPECT_EQ(code.verificationUri, "https://v");
    EXPECT_EQ(code.interval, std::chrono::seconds(2));
    EXPECT_THROW(ParseDeviceReply({200, R"({"device_code":"d"})"}), TarnwickError);
}

TEST(LoopbackListenerTest, ParametersAreDecodedAndOnlyLoopbackIsBound) {
    const auto parameters = QueryParameters("/?code=a%2Fb+c&state=s%3D&empty&=x#frag");
    EXPECT_EQ(parameters.at("code"), "a/b c");
    EXPECT_EQ(parameters.at("state"), "s=");
    EXPECT_EQ(parameters.at("empty"), "");
    EXPECT_EQ(parameters.size(), 3u);
    EXPECT_TRUE(QueryParameters("/").empty());
    EXPECT_EQ(QueryParameters("/?bad=%zz%4").at("bad"), "%zz%4");

    LoopbackListener listener;
    EXPECT_EQ(listener.RedirectUri(), "http://127.0.0.1:" + std::to_string(listener.Port()) + "/");
    InterruptSignal interrupt;
    interrupt.Raise();
    EXPECT_THROW(
        listener.WaitForRedirect(
            "s", "", std::chrono::steady_clock::now() + std::chrono::seconds(5), interrupt),
        Cancelled);
    EXPECT_THAT(RedirectPage(), HasSubstr("You can close this tab"));
}

TEST(SaslTest, PayloadsCarryUserAndBearerToken) {
    EXPECT_EQ(Unbase64(OAuthSaslPayload(OAuthMechanism::OAuthBearer, "a,b=c@x", "T")),
              "n,a=a=2Cb=3Dc@x,\x01"
              "auth=Bearer T\x01\x01");
    EXPECT_EQ(Unbase64(OAuthSaslPayload(OAuthMechanism::XOAuth2, "u@x", "T")),
              "user=u@x\x01"
              "auth=Bearer T\x01\x01");
    EXPECT_STREQ(SaslRefusalAnswer(OAuthMechanism::OAuthBearer), "AQ==");
    EXPECT_STREQ(SaslRefusalAnswer(OAuthMechanism::XOAuth2), "");
}

TEST(OAuthConfigTest, PresetsTakeTheSectionsOverrides) {
    const TempFolder folder("oauthconfig");
    IniFile ini(folder.File("t.ini"));
    AccountSettings account;
    account.host = "outlook.office365.com";
    account.username = "me";
    account.oauthProvider = "microsoft";
    const std::string section = AccountSection(account);
    ini.WriteString(section, "OAUTH_CLIENT_ID", "mine");
    OAuthConfig config = ResolveOAuthConfig(account, ini);
    EXPECT_THAT(config.deviceUrl, HasSubstr("login.microsoftonline.com"));
    EXPECT_THAT(config.scope, HasSubstr("IMAP.AccessAsUser.All"));
    EXPECT_EQ(config.clientId, "mine");

    account.oauthProvider = "Google";
    ini.WriteString(section, "OAUTH_SCOPE", "other");
    config = ResolveOAuthConfig(account, ini);
    EXPECT_EQ(config.deviceUrl, "");
    EXPECT_EQ(config.scope, "other");
    EXPECT_EQ(ProviderForServer("pop.gmail.com"), "google");
    EXPECT_EQ(ProviderForServer(" Outlook.Office365.com"), "microsoft");
    EXPECT_EQ(ProviderForServer("mail.example"), "custom");

    account.oauthProvider = "custom";  // nothing but the section
    EXPECT_THROW(ResolveOAuthConfig(account, ini), TarnwickError);
    account.oauthProvider = "yahoo";
    EXPECT_THROW(ResolveOAuthConfig(account, ini), TarnwickError);
    IniFile empty(folder.File("u.ini"));
    account.oauthProvider = "google";
    if (OAuthPreset(OAuthProvider::Google).clientId.empty()) {
        try {
            ResolveOAuthConfig(account, empty);
            FAIL();
        } catch (const TarnwickError& error) {
            EXPECT_THAT(error.what(), HasSubstr("OAUTH_CLIENT_ID"));
        }
    }
}

}  // namespace
