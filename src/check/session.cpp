#include "check/session.h"

#include <ctime>

#include "settings/errors.h"
#include "settings/settings.h"
#include "settings/text_utils.h"

namespace {

std::unique_ptr<T_POP3> NewClient(const T_pop3params& account, const T_sessionOptions& options,
                                  const IniFile& settings, const std::string& section) {
    auto client = std::make_unique<T_POP3>();
    client->SetAccount(account);
    client->statusHandler = options.statusHandler;
    client->pump = options.pump;
    client->useTls = account.ssl && options.tlsAvailable;
    // Never plain text instead: without a TLS library the upgrade fails.
    client->startTls = account.startTls && !account.ssl;
    // A hand-edited SSL_VERIFY=0 accepts any certificate (a self-signed server); SSL_PIN
    // accepts the one certificate the user trusted.
    client->verifyPeer = settings.ReadBool(section, "SSL_VERIFY", true);
    client->pin = settings.ReadString(section, "SSL_PIN", "");
    client->messageCount = 0;
    return client;
}

void RecordFailure(T_POP3& client, IniFile& settings, const std::string& section,
                   const std::string& message) {
    if (client.statusHandler) client.statusHandler(client, StatusKind::Error, 0, message);
    settings.WriteString(section, "LAST_RESULT", "0");
    settings.WriteString(section, "LAST_CHECK", DateTimeText(std::time(nullptr)));
    settings.WriteString(section, "LAST_ERROR", OneLineError(message));
}

}  // namespace

std::string OneLineError(const std::string& message) {
    std::string line = ReplaceAll(message, "\r\n", "~");
    for (char& c : line)
        if (c == '\r' || c == '\n') c = '~';
    return line;
}

std::unique_ptr<T_POP3> OpenSession(const T_pop3params& account, const T_sessionOptions& options) {
    const std::string section = AccountSection(account);
    const auto settings = OpenSettings();
    auto client = NewClient(account, options, *settings, section);
    try {
        client->ConnectAndLogIn();
        client->messageCount = client->CountMessages();
        settings->WriteString(section, "LAST_RESULT", "1");
        settings->WriteString(section, "LAST_CHECK", DateTimeText(std::time(nullptr)));
    } catch (const std::exception& error) {
        RecordFailure(*client, *settings, section, error.what());
    }
    return client;
}

void EndSession(std::unique_ptr<T_POP3>& session) {
    if (session && session->IsConnected()) session->QuitAndClose();
    session.reset();
}
