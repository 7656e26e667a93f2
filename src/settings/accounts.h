#pragma once
// One mail account's parameters and its entry in the account list.

#include <cstdint>
#include <string>

// The protocol an account's server speaks (PROTOCOL= in its section; absent: POP3).
enum class MailProtocol : std::uint8_t { Pop3, Imap };

// Where an account's password lives: PASSWORD (enciphered) in its section, or the desktop
// keyring (PASSWORD_STORE=keyring and no PASSWORD; the password is not held in memory then).
enum class PasswordStore : std::uint8_t { File, Keyring };

// How an account logs in (AUTH= in its section; absent: with its password). OAuth2 accounts
// keep their refresh token where others keep the password (OAUTH_REFRESH in place of PASSWORD).
// An Online Accounts account (AUTH=goa, GOA_ACCOUNT=<its id>) keeps neither: its server and
// credential come from the desktop's service at each session.
enum class AuthMethod : std::uint8_t { Password, OAuth2, OnlineAccounts };

struct AccountSettings {
    std::string email;
    std::string host;
    std::string username;
    // Plain text in memory, enciphered in the settings file; an OAuth2 account's refresh token.
    std::string password;
    std::int32_t port = 0;
    bool secureLogin = false;  // APOP
    bool ssl = false;          // TLS from the first byte
    bool startTls = false;     // STLS after the greeting (only without ssl)
    MailProtocol protocol = MailProtocol::Pop3;
    std::string folder;  // IMAP: the folder checked and listed (FOLDER=); empty: INBOX
    // IMAP: the folders watched (FOLDERS= as stored: "*" or names separated by commas; parse it
    // with ParseFolderChoice); empty: the one folder above.
    std::string folders;

    // The IMAP folder: `folder`, or INBOX when it is empty.
    std::string Folder() const { return folder.empty() ? std::string("INBOX") : folder; }
    PasswordStore passwordStore = PasswordStore::File;
    AuthMethod auth = AuthMethod::Password;
    std::string oauthProvider;  // OAUTH_PROVIDER=: "microsoft", "google" or "custom"
    std::string onlineAccount;  // GOA_ACCOUNT=: the account's Id in Online Accounts

    bool UsesOAuth() const { return auth == AuthMethod::OAuth2; }
    bool FromOnlineAccounts() const { return auth == AuthMethod::OnlineAccounts; }
    // The section key of the enciphered secret: PASSWORD, or OAUTH_REFRESH for OAuth2.
    const char* SecretKey() const { return UsesOAuth() ? "OAUTH_REFRESH" : "PASSWORD"; }
    // The name the receiving server gives itself in Authentication-Results (AUTHSERV_ID=);
    // empty: the topmost such field counts whatever server it names.
    std::string authservId;
};

struct AccountEntry {
    bool enabled = false;
    AccountSettings params;
    std::int32_t lastChange = 0;
};
