#include "cli/trust_server.h"

#include <istream>
#include <ostream>

#include "check/certificate_trust.h"
#include "check/session.h"
#include "cli/list_mailbox.h"
#include "net/tls_layer.h"
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

// The outcome of a session whose certificate was no problem.
void PrintNoProblem(const Pop3Client& session, const AccountSettings& account, std::ostream& err) {
    if (session.IsConnected()) {
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
    std::unique_ptr<Pop3Client> session =
        OpenSession(account, {command->tlsAvailable, nullptr, {}});
    const std::optional<CertificateProblem> failure = session->CertificateFailure();
    if (!failure) {
        PrintNoProblem(*session, account, err);
        EndSession(session);
        return 1;
    }
    EndSession(session);
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
