#include "auth/oauth_token.h"

#include <nlohmann/json.hpp>

#include "auth/json_fields.h"

#include "settings/language.h"
#include "settings/password_store.h"
#include "settings/settings.h"

namespace {

constexpr std::chrono::minutes kExpiryMargin{1};

}  // namespace

TokenGrant ParseTokenReply(const HttpReply& reply) {
    const nlohmann::json object = nlohmann::json::parse(reply.body, nullptr, false);
    if (!object.is_object())
        throw TarnwickError("The sign-in server's answer is not understood (HTTP " +
                            std::to_string(reply.status) + ").");
    const std::string error = JsonText(object, "error");
    if (!error.empty()) {
        const std::string description = JsonText(object, "error_description");
        throw OAuthError(error, "The sign-in server refused: " + error +
                                    (description.empty() ? "" : " (" + description + ")"));
    }
    TokenGrant grant;
    grant.accessToken = JsonText(object, "access_token");
    if (grant.accessToken.empty() || reply.status != 200)
        throw TarnwickError("The sign-in server gave no access token (HTTP " +
                            std::to_string(reply.status) + ").");
    grant.refreshToken = JsonText(object, "refresh_token");
    grant.expiresIn = JsonSeconds(object, "expires_in", std::chrono::seconds(3600));
    return grant;
}

TokenGrant RequestToken(const OAuthConfig& config, FormFields fields, const HttpOptions& options) {
    fields.emplace_back("client_id", config.clientId);
    if (!config.clientSecret.empty()) fields.emplace_back("client_secret", config.clientSecret);
    return ParseTokenReply(PostForm(config.tokenUrl, fields, options));
}

TokenGrant RefreshAccessToken(const OAuthConfig& config, const std::string& refreshToken,
                              const HttpOptions& options) {
    return RequestToken(config, {{"grant_type", "refresh_token"}, {"refresh_token", refreshToken}},
                        options);
}

std::string SignInAgainText() {
    return FindLangText("oauth_sign_in_again")
        .value_or("Sign in again: the provider no longer accepts the stored sign-in.");
}

std::optional<std::string> TokenCache::Valid(const std::string& section) {
    const std::lock_guard lock(mutex_);
    const auto found = entries_.find(section);
    if (found == entries_.end() || found->second.expires - kExpiryMargin <= Clock::now())
        return std::nullopt;
    return found->second.token;
}

std::optional<TokenCache::Clock::time_point> TokenCache::Expiry(const std::string& section) {
    const std::lock_guard lock(mutex_);
    const auto found = entries_.find(section);
    if (found == entries_.end()) return std::nullopt;
    return found->second.expires;
}

void TokenCache::Keep(const std::string& section, const TokenGrant& grant) {
    const std::lock_guard lock(mutex_);
    entries_[section] = {grant.accessToken, Clock::now() + grant.expiresIn};
}

void TokenCache::Forget(const std::string& section) {
    const std::lock_guard lock(mutex_);
    entries_.erase(section);
}

TokenCache& SharedTokenCache() {
    static TokenCache cache;
    return cache;
}

AccessTokenSource AccountTokenSource(const AccountSettings& account, Keyring& keyring,
                                     std::shared_ptr<InterruptSignal> interrupt) {
    return [account = AccountSettings(account), &keyring,
            interrupt](bool refresh) mutable -> AccessGrant {
        const std::string section = AccountSection(account);
        TokenCache& cache = SharedTokenCache();
        if (!refresh) {
            if (auto token = cache.Valid(section)) return {std::move(*token), true};
        }
        cache.Forget(section);
        const OAuthConfig config = ResolveOAuthConfig(account, *OpenSettings());
        const std::string refreshToken = LoginPassword(account, keyring);
        if (refreshToken.empty())
            throw TarnwickError(FindLangText("oauth_sign_in_needed")
                                    .value_or("Sign-in needed: sign in with the provider in the "
                                              "setup window or with tarnwick-check --sign-in."));
        HttpOptions options;
        options.interrupt = interrupt.get();
        TokenGrant grant;
        try {
            grant = RefreshAccessToken(config, refreshToken, options);
        } catch (const OAuthError& error) {
            if (error.Code() == "invalid_grant") throw TarnwickError(SignInAgainText());
            throw;
        }
        cache.Keep(section, grant);
        if (!grant.refreshToken.empty() && grant.refreshToken != refreshToken)
            StoreAccountSecret(account, grant.refreshToken, keyring);
        return {grant.accessToken, false};
    };
}
