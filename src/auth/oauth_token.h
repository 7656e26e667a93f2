#pragma once
// The token endpoint (RFC 6749): a code or a refresh token in, tokens out; the access tokens
// kept in memory beside the stored refresh token, reused until a minute before they expire.

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "auth/http_client.h"
#include "auth/oauth_config.h"
#include "auth/sasl.h"
#include "settings/accounts.h"
#include "settings/errors.h"
#include "settings/keyring.h"

struct TokenGrant {
    std::string accessToken;
    std::string refreshToken;  // empty when the endpoint gave none (keep the old one)
    std::chrono::seconds expiresIn{3600};
};

// The endpoint's refusal: its error code ("invalid_grant", "authorization_pending", ...).
class OAuthError : public TarnwickError {
public:
    OAuthError(std::string code, const std::string& message)
        : TarnwickError(message), code_(std::move(code)) {}
    const std::string& Code() const { return code_; }

private:
    std::string code_;
};

// Reads a token endpoint's answer. Throws OAuthError for an error object, TarnwickError for
// anything that is not a JSON object with an access token.
TokenGrant ParseTokenReply(const HttpReply& reply);

// POSTs `fields` (with the client id and secret) to the token address and reads the answer.
TokenGrant RequestToken(const OAuthConfig& config, FormFields fields,
                        const HttpOptions& options = {});
TokenGrant RefreshAccessToken(const OAuthConfig& config, const std::string& refreshToken,
                              const HttpOptions& options = {});

// "Sign in again: the provider no longer accepts the stored sign-in." in the user's language.
std::string SignInAgainText();

// Access tokens by account section, shared by every session thread of the process.
class TokenCache {
public:
    using Clock = std::chrono::system_clock;
    // The account's token unless it expires within a minute.
    std::optional<std::string> Valid(const std::string& section);
    // When the account's cached token expires; none without one.
    std::optional<Clock::time_point> Expiry(const std::string& section);
    void Keep(const std::string& section, const TokenGrant& grant);
    void Forget(const std::string& section);

private:
    struct Entry {
        std::string token;
        Clock::time_point expires;
    };
    std::mutex mutex_;
    std::map<std::string, Entry> entries_;
};
TokenCache& SharedTokenCache();

// The token source of a session of an OAuth2 account: the cached access token, else one from
// the stored refresh token (a rotated refresh token is stored in its place). A refused refresh
// token is the error SignInAgainText; a missing one says how to sign in.
AccessTokenSource AccountTokenSource(const AccountSettings& account, Keyring& keyring,
                                     std::shared_ptr<InterruptSignal> interrupt = {});
