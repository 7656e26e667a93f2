#pragma once
// Where an OAuth2 account signs in: the provider's endpoints, scope and client id, from the
// presets of the known providers, every value overridable in the account's section
// (OAUTH_AUTHORIZE_URL, OAUTH_TOKEN_URL, OAUTH_DEVICE_URL, OAUTH_SCOPE, OAUTH_CLIENT_ID,
// OAUTH_CLIENT_SECRET); a "custom" provider takes them all from there.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/accounts.h"
#include "settings/ini_file.h"

enum class OAuthProvider : std::uint8_t { Microsoft, Google, Custom };

// OAUTH_PROVIDER's value; none for an unknown name.
std::optional<OAuthProvider> OAuthProviderNamed(std::string_view name);

struct OAuthConfig {
    OAuthProvider provider = OAuthProvider::Custom;
    std::string authorizeUrl;
    std::string tokenUrl;
    std::string deviceUrl;  // empty: the provider has no device-code flow
    std::string scope;
    std::string clientId;
    std::string clientSecret;  // installed applications' secrets are not secret
};

// The preset of a provider (empty values for Custom), with the client id this build names.
OAuthConfig OAuthPreset(OAuthProvider provider);

// The preset of the account's provider with the section's overrides. Throws TarnwickError
// for an unknown provider or when the token address or the client id is missing.
OAuthConfig ResolveOAuthConfig(const AccountSettings& account, const IniFile& ini);

// The provider whose preset names that mail server: "microsoft", "google", else "custom".
std::string ProviderForServer(std::string_view host);

// The mail servers a provider's preset names (host empty for Custom).
struct OAuthServer {
    std::string host;
    std::int32_t port = 0;
};
OAuthServer OAuthServerPreset(OAuthProvider provider, MailProtocol protocol);
