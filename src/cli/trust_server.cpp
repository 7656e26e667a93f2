#include "cli/trust_server.h"

#include <istream>
#include <ostream>

#include "check/certificate_trust.h"
#include "cli/list_mailbox.h"
#include "net/tls_layer.h"
#include "session/imap_session.h"
#include "session/pop3_session.h"
#include "settings/language.h"
#include "settings/settings.h"
#include "settings/text_utils.h"

namespace {

bool AnsweredYes(std::istream& in) {
    std::string answer;
    if (!std::getline(in, answer)) return false;
    const std::string word = Trim(answer);
    return SameTextAscii(word, "y") || SameTextAscii(word, "yes");
}

struct TrialConnection {
    bool loggedIn = false;
    std::optional<CertificateProblem> failure;
};

// Opens a session as the account's protocol does, notes what the certificate check found and
// ends it.
TrialConnection TryConnection(const AccountSettings& account, bool tlsAvailable) {
    const SessionOptions options{tlsAvailable, nullptr, {}};
    TrialConnection trial;
    if (account.protocol == MailProtocol::Imap) {
        RunState runState;
        std::unique_ptr<ImapClient> session = OpenImapSession(account, options, runState);
        trial = {session->IsConnected(), session->CertificateFailure()};
        EndImapSession(session);
        runState.Store();
        return trial;
    }
    std::unique_ptr<Pop3Client> session = OpenSession(account, options);
    trial = {session->IsConnected(), session->CertificateFailure()};
    EndSession(session);
    return trial;
}

// The outcome of a session whose certificate was no problem.
void PrintNoProblem(bool loggedIn, const AccountSettings& account, std::ostream& err) {
    if (loggedIn) {
        err << account.email << ": the server's certificate is trusted already, or the "
            << "connection does not use TLS; nothing stored.\n";
        return;
    }
    err << account.email << ": "
        << OpenSettings()->ReadString(AccountSection(account), "LAST_ERROR", "")
        << "\nNo certificate problem; nothing stored.\n";
}

}  // namespace

int TrustServer(const std::string& email, const TrustOptions& options, std::ostream& out,
                std::ostream& err) {
    const std::optional<AccountCommand> command = PrepareAccountCommand(email, err);
    if (!command) return 1;
    const AccountSettings& account = command->account;
    const TrialConnection trial = TryConnection(account, command->tlsAvailable);
    const std::optional<CertificateProblem>& failure = trial.failure;
    if (!failure) {
        PrintNoProblem(trial.loggedIn, account, err);
        return 1;
    }
    const TrustQuestion kind = AskedTrustQuestion(account, *failure);
    out << TrustQuestionText(account, *failure,
                             kind == TrustQuestion::None ? TrustQuestion::New : kind);
    bool trusted = options.yes;
    if (options.yes) {
        out << "\n";
    } else if (options.interactive && options.in != nullptr) {
        out << " [y/N] " << std::flush;
        trusted = AnsweredYes(*options.in);
    } else {
        out << "\nNot stored: answer on a terminal, or pass --yes.\n";
    }
    if (!trusted) return 1;
    TrustCertificate(account, failure->certificate.fingerprint);
    out << "Stored SSL_PIN=" << failure->certificate.fingerprint << " for " << account.email
        << ".\n";
    return 0;
}
