#pragma once
// Signing an account in: the browser flow (authorization code with PKCE, redirected to the
// loopback listener) or the device-code flow (RFC 8628), then the refresh token stored where
// the account keeps its secret and the access token cached.

#include <chrono>
#include <functional>
#include <string>

#include "auth/oauth_config.h"
#include "auth/oauth_token.h"
#include "net/interrupt.h"
#include "settings/accounts.h"
#include "settings/keyring.h"

// What the device endpoint asks the user to do.
struct DeviceCode {
    std::string deviceCode;
    std::string userCode;
    std::string verificationUri;
    std::chrono::seconds expiresIn{900};
    std::chrono::seconds interval{5};
};
// Reads the device endpoint's answer; throws like ParseTokenReply.
DeviceCode ParseDeviceReply(const HttpReply& reply);

// The browser flow: `openAddress` gets the authorization address (to open or to print); waits
// for the redirect at most `limit`.
TokenGrant SignInWithBrowser(const OAuthConfig& config, const std::string& loginHint,
                             const std::function<void(const std::string&)>& openAddress,
                             const InterruptSignal& interrupt,
                             std::chrono::seconds limit = std::chrono::minutes(5));

// The device flow: `showCode` gets the address and the code for the user; polls the token
// address at the interval the provider asks for.
TokenGrant SignInWithDeviceCode(const OAuthConfig& config,
                                const std::function<void(const DeviceCode&)>& showCode,
                                const InterruptSignal& interrupt);

// Stores the grant's refresh token for the account and caches its access token. Throws
// TarnwickError when the grant has no refresh token or it could not be stored.
void KeepSignIn(AccountSettings& account, const TokenGrant& grant, Keyring& keyring);

// The page the browser shows after the redirect, in the user's language.
std::string RedirectPage();
