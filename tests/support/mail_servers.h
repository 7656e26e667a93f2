#pragma once
// Every real server the protocol tests run against: Dovecot (mail_fixture.h) and, beside it,
// Cyrus, Courier and GNU mailutils' imap4d and pop3d, each started by a CTest fixture of its
// name from tests/support/<name>_fixture.sh (scripts/test-servers unpacks them).
//
//   tarnwick_gtest(test_x SOURCES x_test.cpp LIBS tarnwick_test_support ...
//                  PROPERTIES FIXTURES_REQUIRED cyrus)
//   const TestServer& server = RunningServer(ServerKind::Cyrus);
//   const MailUser user = AddServerUser(server, "count");
//   DeliverTo(server, user, "INBOX", MakeMessage("Hello", "a@b.example", "body"));
//   const AccountSettings account = ServerAccount(server, user, MailProtocol::Imap,
//                                                 Listener::StartTls);
//
// Each server's folder is <build>/<name>-fixture, or TARNWICK_<NAME>_DIR.

#include <stdexcept>
#include <string>
#include <string_view>

#include "settings/accounts.h"
#include "support/mail_fixture.h"

enum class ServerKind : std::uint8_t { Dovecot, Cyrus, Courier, Mailutils };

struct TestServer {
    ServerKind kind = ServerKind::Dovecot;
    std::string name;  // "cyrus", as its fixture is named
    std::string dir;
    std::string host;
    int imapPort = 0;  // plain, offering STARTTLS
    int imapsPort = 0;
    int pop3Port = 0;  // plain, offering STLS; 0: none
    int pop3sPort = 0;
    std::string caFile;
};

// A server this machine cannot run (its fixture says why): its tests are skipped.
class ServerUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The running server of that kind; throws ServerUnavailable, or std::runtime_error when its
// fixture is not running.
const TestServer& RunningServer(ServerKind kind);

// A new user with a unique name (prefix + process id + counter), password "secret", an empty
// INBOX.
MailUser AddServerUser(const TestServer& server, std::string_view prefix);
// A subscribed folder, named as a user names it in a mail client ("Work"): the server's own
// name may differ (Courier's "INBOX.Work").
void AddServerFolder(const TestServer& server, const MailUser& user, std::string_view folder);
// Delivers the message into the folder as mail arrives, so that IDLE hears of it.
void DeliverTo(const TestServer& server, const MailUser& user, std::string_view folder,
               std::string_view message);
// The messages in the folder, as the server keeps them.
int FolderSize(const TestServer& server, const MailUser& user, std::string_view folder);

// The user's account on the server's POP3 or IMAP listener: host 127.0.0.1 for plain, localhost
// (the certificate's name) for TLS and STARTTLS.
AccountSettings ServerAccount(const TestServer& server, const MailUser& user, MailProtocol protocol,
                              Listener listener);
// Lets the client trust the authority that signed the server's certificate.
void TrustServerAuthority(const TestServer& server);
