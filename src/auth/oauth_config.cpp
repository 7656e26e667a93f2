#include "auth/oauth_config.h"

#include "settings/errors.h"
#include "settings/settings.h"
#include "settings/text_utils.h"

namespace {

constexpr const char* kMicrosoftAuthority = "https://login.microsoftonline.com/common/oauth2/v2.0";
constexpr const char* kMicrosoftScope =
    "https://outlook.office.com/IMAP.AccessAsUser.All "
    "https://outlook.office.com/POP.AccessAsUser.All offline_access";

void Override(const IniFile& ini, std::string_view section, std::string_view key,
              std::string& value) {
    const std::string stored = Trim(ini.ReadString(section, key, ""));
    if (!stored.empty()) value = stored;
}

}  // namespace

std::optional<OAuthProvider> OAuthProviderNamed(std::string_view name) {
    if (SameTextAscii(name, "microsoft")) return OAuthProvider::Microsoft;
    if (SameTextAscii(name, "google")) return OAuthProvider::Google;
    if (SameTextAscii(name, "custom")) return OAuthProvider::Custom;
    return std::nullopt;
}

OAuthConfig OAuthPreset(OAuthProvider provider) {
    OAuthConfig config;
    config.provider = provider;
    switch (provider) {
        case OAuthProvider::Microsoft:
            config.authorizeUrl = std::string(kMicrosoftAuthority) + "/authorize";
            config.tokenUrl = std::string(kMicrosoftAuthority) + "/token";
            config.deviceUrl = std::string(kMicrosoftAuthority) + "/devicecode";
            config.scope = kMicrosoftScope;
            config.clientId = TARNWICK_OAUTH_CLIENT_ID_MICROSOFT;
            break;
        case OAuthProvider::Google:
            config.authorizeUrl = "https://accounts.google.com/o/oauth2/v2/auth";
            config.tokenUrl = "https://oauth2.googleapis.com/token";
            config.scope = "https://mail.google.com/";
            config.clientId = TARNWICK_OAUTH_CLIENT_ID_GOOGLE;
            break;
        case OAuthProvider::Custom:
            break;
    }
    return config;
}

OAuthConfig ResolveOAuthConfig(const AccountSettings& account, const IniFile& ini) {
    const auto provider = OAuthProviderNamed(account.oauthProvider.empty() ? std::string("custom")
                                                                           : account.oauthProvider);
    if (!provider)
        throw TarnwickError("Unknown sign-in provider \"" + account.oauthProvider +
                            "\" (OAUTH_PROVIDER: microsoft, google or custom).");
    OAuthConfig config = OAuthPreset(*provider);
    const std::string section = AccountSection(account);
    Override(ini, section, "OAUTH_AUTHORIZE_URL", config.authorizeUrl);
    Override(ini, section, "OAUTH_TOKEN_URL", config.tokenUrl);
    Override(ini, section, "OAUTH_DEVICE_URL", config.deviceUrl);
    Override(ini, section, "OAUTH_SCOPE", config.scope);
    Override(ini, section, "OAUTH_CLIENT_ID", config.clientId);
    Override(ini, section, "OAUTH_CLIENT_SECRET", config.clientSecret);
    if (config.tokenUrl.empty())
        throw TarnwickError("The account names no token address (OAUTH_TOKEN_URL).");
    if (config.clientId.empty())
        throw TarnwickError(
            "No OAuth2 client id for this provider: register one with the provider (see the "
            "README, \"Signing in to Microsoft and Google mailboxes\") and put it in the "
            "account's section as OAUTH_CLIENT_ID.");
    return config;
}

OAuthServer OAuthServerPreset(OAuthProvider provider, MailProtocol protocol) {
    const bool imap = protocol == MailProtocol::Imap;
    switch (provider) {
        case OAuthProvider::Microsoft:
            return {"outlook.office365.com", imap ? 993 : 995};
        case OAuthProvider::Google:
            return {imap ? "imap.gmail.com" : "pop.gmail.com", imap ? 993 : 995};
        case OAuthProvider::Custom:
            break;
    }
    return {};
}

std::string ProviderForServer(std::string_view host) {
    for (const auto provider : {OAuthProvider::Microsoft, OAuthProvider::Google}) {
        for (const auto protocol : {MailProtocol::Imap, MailProtocol::Pop3}) {
            if (SameTextAscii(Trim(host), OAuthServerPreset(provider, protocol).host))
                return provider == OAuthProvider::Microsoft ? "microsoft" : "google";
        }
    }
    return "custom";
}
