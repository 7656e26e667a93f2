#pragma once
// Mail accounts that GNOME Online Accounts keeps (org.gnome.OnlineAccounts on the session bus):
// their IMAP server and their credential, read afresh at each use. Calls go over a private GDBus
// connection of the calling thread, each with a 5 s limit.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "auth/sasl.h"
#include "settings/accounts.h"

struct OnlineAccount {
    std::string id;
    std::string objectPath;
    std::string provider;  // ProviderName, "Google", ...
    std::string email;
    std::string host;  // without the port
    std::int32_t port = 0;
    std::string username;
    bool ssl = false;
    bool startTls = false;
    bool oauth2 = false;  // OAuth2Based; else PasswordBased
    bool imap = false;    // ImapSupported
    bool attentionNeeded = false;
    bool mailDisabled = false;
};

// "imap.example.com:1143" -> host and port; without a port: 993 with TLS, else 143.
std::pair<std::string, std::int32_t> SplitImapHost(std::string_view hostAndPort, bool ssl);

// Every account of the service with a Mail interface. Throws TarnwickError when the service is
// not on the bus or does not answer.
std::vector<OnlineAccount> ListOnlineAccounts();

// The account with `id`, ready to log in with. Throws TarnwickError (the account's error) when
// the service is absent, the account vanished, its mail is off, it has no IMAP, or it needs the
// user to sign in again.
OnlineAccount UsableOnlineAccount(const std::string& id);

// The token source of an OAuth2-based account: EnsureCredentials, then GetAccessToken; a
// refused token is worth asking both once more.
AccessTokenSource OnlineTokenSource(const OnlineAccount& account);

// The IMAP password of a password-based account (GetPassword("imap-password")).
std::string OnlinePassword(const OnlineAccount& account);

// "Online Accounts needs you to sign in to this account again." in the user's language.
std::string OnlineSignInAgainText();

// Whether `accounts` holds the Online Accounts account with this id.
bool OnlineAccountAdded(const std::vector<AccountEntry>& accounts, const std::string& id);

// The listed accounts that can be added: with IMAP and mail on, and not in `accounts` yet.
std::vector<OnlineAccount> AddableOnlineAccounts(std::vector<OnlineAccount> listed,
                                                 const std::vector<AccountEntry>& accounts);

// The settings of a new account for it: its address, AUTH=goa and GOA_ACCOUNT; no server or
// secret of its own.
AccountSettings OnlineAccountSettings(const OnlineAccount& account);
