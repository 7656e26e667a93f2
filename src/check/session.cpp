#include "check/session.h"

#include <ctime>

#include "auth/oauth_token.h"
#include "net/tls_check.h"
#include "settings/errors.h"
#include "settings/language.h"
#include "settings/password_store.h"
#include "settings/settings.h"
#include "settings/text_utils.h"

namespace {

std::string ServerName(const Pop3Client& client) {
    return client.host + ":" + std::to_string(client.port);
}

std::unique_ptr<Pop3Client> NewClient(const AccountSettings& account, const SessionOptions& options,
                                      const IniFile& settings, const std::string& section) {
    auto client = std::make_unique<Pop3Client>();
    client->SetAccount(account);
    client->statusHandler = options.statusHandler;
    client->ShareInterrupt(options.interrupt);
    client->useTls = account.ssl && options.tlsAvailable;
    // Never plain text instead: without a TLS library the upgrade fails.
    client->startTls = account.startTls && !account.ssl;
    // A hand-edited SSL_VERIFY=0 accepts any certificate (a self-signed server); SSL_PIN
    // accepts the one certificate the user trusted.
    client->verifyPeer = settings.ReadBool(section, "SSL_VERIFY", true);
    client->pin = settings.ReadString(section, "SSL_PIN", "");
    client->messageCount = 0;
    const auto remembered =
        ParseRememberedCapabilities(settings.ReadString(section, "POP3_CAPA", ""));
    if (remembered && StillFresh(*remembered, ServerName(*client), std::time(nullptr)))
        client->RememberCapabilities(remembered->lines);
    // An OAuth2 account's token is fetched (or renewed) by the login, on the session's thread.
    if (account.UsesOAuth())
        client->accessToken = AccountTokenSource(account, DesktopKeyring(), options.interrupt);
    if (options.timeLimit.count() > 0)
        client->endBy = std::chrono::steady_clock::now() + options.timeLimit;
    return client;
}

void RecordFailure(Pop3Client& client, RunState& runState, const std::string& section,
                   const std::string& message) {
    if (client.statusHandler) client.statusHandler(client, StatusKind::Error, 0, message);
    runState.Write(section, "LAST_RESULT", "0");
    runState.Write(section, "LAST_CHECK", DateTimeText(std::time(nullptr)));
    runState.Write(section, "LAST_ERROR", OneLineError(message));
}

}  // namespace

std::string OneLineError(const std::string& message) {
    std::string line = ReplaceAll(message, "\r\n", "~");
    for (char& c : line)
        if (c == '\r' || c == '\n') c = '~';
    return line;
}

std::string SessionErrorText(const std::string& error, bool certificateFailed,
                             const std::string& pin) {
    if (!certificateFailed || PinFormOf(pin) != PinForm::Malformed) return error;
    return error + "\r\n" + GetLangText("certificate_pin_malformed");
}

std::string StoredErrorText(const std::string& line) {
    return ReplaceAll(line, "~", "\n");
}

void RunState::Write(std::string_view section, std::string_view key, std::string value) {
    writes_.push_back({std::string(section), std::string(key), std::move(value), {}});
}

void RunState::Edit(std::function<void(IniFile&)> edit) {
    writes_.push_back({{}, {}, {}, std::move(edit)});
}

void RunState::Store() {
    if (writes_.empty()) return;
    const auto settings = OpenSettings();
    settings->BeginBatch();
    for (const Entry& entry : writes_) {
        if (entry.edit)
            entry.edit(*settings);
        else
            settings->WriteString(entry.section, entry.key, entry.value);
    }
    writes_.clear();
    settings->CommitBatch();
}

std::unique_ptr<Pop3Client> OpenSession(const AccountSettings& account,
                                        const SessionOptions& options, RunState& runState) {
    const std::string section = AccountSection(account);
    auto client = NewClient(account, options, *OpenSettings(), section);
    try {
        // A keyring account's password is asked for here, once per session: a locked or
        // missing keyring is this account's error like a refused login.
        if (account.passwordStore == PasswordStore::Keyring && !account.UsesOAuth())
            client->password = LoginPassword(account, DesktopKeyring());
        client->ConnectAndLogIn(Pop3Client::AfterLogin::Count);
        runState.Write(section, "LAST_RESULT", "1");
        runState.Write(section, "LAST_CHECK", DateTimeText(std::time(nullptr)));
    } catch (const Cancelled&) {
        throw;
    } catch (const std::exception& error) {
        RecordFailure(
            *client, runState, section,
            SessionErrorText(error.what(), client->CertificateFailure().has_value(), client->pin));
    }
    RememberCapabilities(*client, runState, section);
    return client;
}

void RememberCapabilities(const Pop3Client& client, RunState& runState,
                          const std::string& section) {
    if (client.CapabilitiesDisagree()) {
        runState.Write(section, "POP3_CAPA", "");
    } else if (client.CapabilitiesLearned()) {
        RememberedCapabilities remembered{ServerName(client), std::time(nullptr),
                                          client.KnownCapabilities().lines};
        runState.Write(section, "POP3_CAPA", RememberedCapabilitiesText(remembered));
    }
}

std::unique_ptr<Pop3Client> OpenSession(const AccountSettings& account,
                                        const SessionOptions& options) {
    RunState runState;
    auto client = OpenSession(account, options, runState);
    try {
        runState.Store();
    } catch (...) {
        EndSession(client);  // the server hears QUIT before the failure to record travels on
        throw;
    }
    return client;
}

void EndSession(std::unique_ptr<Pop3Client>& session) {
    if (session && session->IsConnected()) session->QuitAndClose();
    session.reset();
}
