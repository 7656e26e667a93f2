#include "auth/sign_in.h"

#include <nlohmann/json.hpp>

#include "auth/json_fields.h"
#include "auth/loopback_listener.h"
#include "auth/pkce.h"
#include "settings/language.h"
#include "settings/password_store.h"
#include "settings/settings.h"

namespace {

constexpr std::chrono::seconds kSlowDownStep{5};

std::string HtmlText(std::string_view text) {
    std::string html;
    for (const char c : text) {
        switch (c) {
            case '<':
                html += "&lt;";
                break;
            case '>':
                html += "&gt;";
                break;
            case '&':
                html += "&amp;";
                break;
            default:
                html += c;
        }
    }
    return html;
}

}  // namespace

DeviceCode ParseDeviceReply(const HttpReply& reply) {
    const nlohmann::json object = nlohmann::json::parse(reply.body, nullptr, false);
    if (!object.is_object())
        throw TarnwickError("The sign-in server's answer is not understood (HTTP " +
                            std::to_string(reply.status) + ").");
    if (const std::string error = JsonText(object, "error"); !error.empty())
        throw OAuthError(error, "The sign-in server refused: " + error);
    DeviceCode code;
    code.deviceCode = JsonText(object, "device_code");
    code.userCode = JsonText(object, "user_code");
    code.verificationUri = JsonText(object, "verification_uri");
    if (code.verificationUri.empty()) code.verificationUri = JsonText(object, "verification_url");
    if (code.deviceCode.empty() || code.userCode.empty() || code.verificationUri.empty())
        throw TarnwickError("The sign-in server gave no device code.");
    code.expiresIn = JsonSeconds(object, "expires_in", code.expiresIn);
    code.interval = JsonSeconds(object, "interval", code.interval);
    return code;
}

TokenGrant SignInWithBrowser(const OAuthConfig& config, const std::string& loginHint,
                             const std::function<void(const std::string&)>& openAddress,
                             const InterruptSignal& interrupt, std::chrono::seconds limit) {
    if (config.authorizeUrl.empty())
        throw TarnwickError("The account names no authorization address (OAUTH_AUTHORIZE_URL).");
    LoopbackListener listener;
    const AuthorizationRequest request =
        NewAuthorizationRequest(config, listener.RedirectUri(), loginHint);
    openAddress(request.url);
    const auto answer = listener.WaitForRedirect(
        request.state, RedirectPage(), std::chrono::steady_clock::now() + limit, interrupt);
    if (const auto error = answer.find("error"); error != answer.end())
        throw TarnwickError("The provider refused the sign-in: " + error->second);
    const auto code = answer.find("code");
    if (code == answer.end() || code->second.empty())
        throw TarnwickError("The provider's answer carries no authorization code.");
    HttpOptions options;
    options.interrupt = &interrupt;
    return RequestToken(config,
                        {{"grant_type", "authorization_code"},
                         {"code", code->second},
                         {"redirect_uri", listener.RedirectUri()},
                         {"code_verifier", request.verifier}},
                        options);
}

TokenGrant SignInWithDeviceCode(const OAuthConfig& config,
                                const std::function<void(const DeviceCode&)>& showCode,
                                const InterruptSignal& interrupt) {
    HttpOptions options;
    options.interrupt = &interrupt;
    const DeviceCode code = ParseDeviceReply(PostForm(
        config.deviceUrl, {{"client_id", config.clientId}, {"scope", config.scope}}, options));
    showCode(code);
    const auto until = std::chrono::steady_clock::now() + code.expiresIn;
    std::chrono::seconds interval = code.interval;
    for (;;) {
        if (interrupt.WaitUntil(std::chrono::steady_clock::now() + interval) ==
            InterruptSignal::Wake::Raised)
            throw Cancelled();
        try {
            return RequestToken(config,
                                {{"grant_type", "urn:ietf:params:oauth:grant-type:device_code"},
                                 {"device_code", code.deviceCode}},
                                options);
        } catch (const OAuthError& error) {
            if (error.Code() == "slow_down") {
                interval += kSlowDownStep;
            } else if (error.Code() == "expired_token") {
                throw TarnwickError("The code expired before the sign-in was finished.");
            } else if (error.Code() == "access_denied") {
                throw TarnwickError("The sign-in was refused.");
            } else if (error.Code() != "authorization_pending") {
                throw;
            }
        }
        if (std::chrono::steady_clock::now() >= until)
            throw TarnwickError("The code expired before the sign-in was finished.");
    }
}

void KeepSignIn(AccountSettings& account, const TokenGrant& grant, Keyring& keyring) {
    if (grant.refreshToken.empty())
        throw TarnwickError("The provider gave no refresh token (is offline access allowed?).");
    const std::string error = StoreAccountSecret(account, grant.refreshToken, keyring);
    if (!error.empty()) throw TarnwickError(error);
    SharedTokenCache().Keep(AccountSection(account), grant);
}

std::string RedirectPage() {
    const std::string text = FindLangText("oauth_close_tab").value_or("You can close this tab");
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Tarnwick</title></head>"
           "<body><p>" +
           HtmlText(text) + "</p></body></html>";
}
