#include "check/session.h"

#include <ctime>
#include <optional>

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
    // A hand-edited SSL_VERIFY=0 accepts any certificate (a self-signed server).
    client->verifyPeer = settings.ReadBool(section, "SSL_VERIFY", true);
    client->messageCount = 0;
    if (options.timeLimit.count() > 0)
        client->endBy = std::chrono::steady_clock::now() + options.timeLimit;
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
    std::optional<std::string> failure;
    try {
        client->ConnectAndLogIn();
        client->messageCount = client->CountMessages();
    } catch (const std::exception& error) {
        failure = error.what();
    }
    try {
        if (failure) {
            RecordFailure(*client, *settings, section, *failure);
        } else {
            settings->WriteString(section, "LAST_RESULT", "1");
            settings->WriteString(section, "LAST_CHECK", DateTimeText(std::time(nullptr)));
        }
    } catch (...) {
        EndSession(client);  // the server hears QUIT before the failure to record travels on
        throw;
    }
    return client;
}

void EndSession(std::unique_ptr<T_POP3>& session) {
    if (session && session->IsConnected()) session->QuitAndClose();
    session.reset();
}
