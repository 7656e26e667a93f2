#pragma once
// The authorization request of the browser sign-in: PKCE (RFC 7636, S256), a random state,
// and the address the browser opens.

#include <cstddef>
#include <string>
#include <string_view>

#include "auth/oauth_config.h"

// Base64url without padding (RFC 4648 section 5).
std::string Base64Url(std::string_view bytes);
// `bytes` random bytes from the system's generator, Base64url-encoded.
std::string RandomText(std::size_t bytes);
// BASE64URL(SHA-256(verifier)).
std::string PkceChallenge(std::string_view verifier);

struct AuthorizationRequest {
    std::string verifier;  // kept back; sent with the code
    std::string state;
    std::string url;  // for the browser
};

// A fresh verifier and state, and the authorization address with them for `redirectUri`.
AuthorizationRequest NewAuthorizationRequest(const OAuthConfig& config,
                                             const std::string& redirectUri,
                                             const std::string& loginHint);
