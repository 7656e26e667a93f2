#pragma once
// A real POP3 and IMAP server for tests: the Dovecot that the CTest fixture "dovecot" starts
// (tests/support/dovecot_fixture.sh) on 127.0.0.1, with a plain listener (which also offers
// STLS) and an implicit-TLS listener, USER/PASS and APOP, and a certificate authority of its own.
//
// Use from a test's CMakeLists.txt:
//   tarnwick_gtest(test_x SOURCES x_test.cpp LIBS tarnwick_test_support ...
//                  PROPERTIES FIXTURES_REQUIRED dovecot)
// CTest then starts Dovecot before the test and stops it after the last test that needs it
// (ctest -R picks up the start and stop steps by itself). Each test makes its own users, so
// tests may run in parallel:
//   const MailUser user = AddMailUser("list");           // fresh user, empty maildir
//   AddMessage(user, MakeMessage("Subject", "a@b.example", "body"));
//   AddMessage(user, ReadTestFile("messages/multipart.eml"));  // any raw message
//   AccountSettings account = AccountFor(user);             // plain; AccountFor(user,
//   Listener::Tls)
// For TLS, call TrustFixtureAuthority() first (sets TARNWICK_CA_FILE for the client); the
// server certificate is for the name "localhost" (AccountFor uses it for TLS accounts).
// DovecotAvailable() is false when the fixture is not running (a test may GTEST_SKIP then).
// The fixture's folder is <build>/dovecot-fixture; the environment variable
// TARNWICK_DOVECOT_DIR points elsewhere (benchmarks start a fixture of their own).

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "settings/accounts.h"

struct DovecotServer {
    std::string host;  // 127.0.0.1
    int plainPort = 0;
    int tlsPort = 0;
    int imapPort = 0;  // IMAP, plain (with STARTTLS) and implicit TLS
    int imapsPort = 0;
    std::string caFile;          // the authority that signed the server certificate
    std::string selfSignedCert;  // a self-signed certificate and key for "localhost"
    std::string selfSignedKey;
    std::string usersDir;  // one passwd-file per user
    std::string homeRoot;
    unsigned mailUid = 0;  // owner of the mail folders
    unsigned mailGid = 0;
};

struct MailUser {
    std::string name;
    std::string password;
    std::string maildir;  // .../Maildir with cur, new and tmp
};

// StartTls: the plain listener, upgraded with STLS.
enum class Listener { Plain, Tls, StartTls };

// True when the fixture's details can be read.
bool DovecotAvailable();
// The running fixture's details; throws std::runtime_error when it is not running.
const DovecotServer& Dovecot();

// Whether the server lets a user have NOTIFY (it needs the folder list index).
enum class Notify { Offered, Refused };

// Makes a new user with a unique name (prefix + process id + counter) and an empty maildir.
MailUser AddMailUser(std::string_view prefix = "user", std::string_view password = "secret",
                     Notify notify = Notify::Offered);
// Drops a message into the user's maildir; LF or CR LF line ends, as given.
void AddMessage(const MailUser& user, std::string_view message);
// Adds `count` small messages numbered from 1 in their subjects.
void AddMessages(const MailUser& user, int count);
// Makes a folder of the user (name in UTF-8), subscribed unless told otherwise; Junk and Trash
// get their special use. Through doveadm, as the server itself would.
void AddFolder(const MailUser& user, std::string_view name, bool subscribed = true);
// Delivers a message into a folder of the user through doveadm, so that the server's
// notifications (IDLE, NOTIFY) follow at once.
void Deliver(const MailUser& user, std::string_view folder, std::string_view message);
// Removes every message of the user.
void ClearMailbox(const MailUser& user);
// Number of messages in the user's maildir (new and cur), e.g. after DELE and QUIT.
int MailboxSize(const MailUser& user);
// The IMAP UIDs of the user's messages that carry the seen flag (by Dovecot's list of UIDs).
std::vector<std::uint32_t> SeenUids(const MailUser& user);

// A minimal message with CR LF line ends.
std::string MakeMessage(std::string_view subject, std::string_view from, std::string_view body);

// An account for the user: e-mail "<name>@test.example", host 127.0.0.1 (plain) or localhost
// (TLS and STARTTLS, matching the certificate), the listener's port, USER/PASS unless apop.
AccountSettings AccountFor(const MailUser& user, Listener listener = Listener::Plain,
                           bool apop = false);

// The same account on the IMAP listeners (PROTOCOL=IMAP, folder INBOX).
AccountSettings ImapAccountFor(const MailUser& user, Listener listener = Listener::Plain);

// The KEY=VALUE lines of a fixture's fixture.env.
std::map<std::string, std::string> ReadFixtureEnv(const std::string& file);
// `text` in single quotes for /bin/sh.
std::string ShellQuoted(std::string_view text);

// Lets the client trust the fixture's authority (environment TARNWICK_CA_FILE).
void TrustFixtureAuthority();
// Contents of a file below tests/data.
std::string ReadTestFile(std::string_view relativePath);
