#pragma once
// What the protocol clients send to log in with an OAuth2 access token: SASL OAUTHBEARER
// (RFC 7628) or XOAUTH2, and where the token comes from.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

enum class OAuthMechanism : std::uint8_t { OAuthBearer, XOAuth2 };

// "OAUTHBEARER" or "XOAUTH2".
const char* SaslMechanismName(OAuthMechanism mechanism);
// The initial client response, Base64-encoded.
std::string OAuthSaslPayload(OAuthMechanism mechanism, std::string_view user,
                             std::string_view token);
// The answer to the server's error challenge, after which it sends its final refusal:
// "AQ==" (a lone ^A) for OAUTHBEARER, an empty line for XOAUTH2.
const char* SaslRefusalAnswer(OAuthMechanism mechanism);

// An access token, and whether it came from the cache (then a refusal is worth one refresh).
struct AccessGrant {
    std::string token;
    bool cached = false;
};
// Gives the token to log in with; `refresh` asks for a new one from the provider. Throws
// TarnwickError when there is none (not signed in, the sign-in refused).
using AccessTokenSource = std::function<AccessGrant(bool refresh)>;

inline constexpr const char* kOAuthNeedsTls =
    "Signing in with the provider needs a secure connection (TLS or STARTTLS): the token was "
    "not sent.";
inline constexpr const char* kNoOAuthMechanism =
    "The server does not offer signing in with the provider (OAUTHBEARER or XOAUTH2).";

// Base64 (RFC 4648 section 4) with padding, on one line.
std::string Base64(std::string_view bytes);
