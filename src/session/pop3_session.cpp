#include "session/pop3_session.h"

#include <algorithm>
#include <ctime>
#include <vector>

#include "auth/oauth_token.h"
#include "settings/errors.h"
#include "settings/password_store.h"
#include "settings/run_state_keys.h"
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
    client->uidProbe = settings.ReadInteger(section, run_state::kCount, 0);
    const auto remembered =
        ParseRememberedCapabilities(settings.ReadString(section, run_state::kPop3Capabilities, ""));
    if (remembered && StillFresh(*remembered, ServerName(*client), std::time(nullptr)))
        client->RememberCapabilities(remembered->lines);
    // An OAuth2 account's token is fetched (or renewed) by the login, on the session's thread.
    if (account.UsesOAuth())
        client->accessToken = AccountTokenSource(account, DesktopKeyring(), options.interrupt);
    if (options.timeLimit.count() > 0)
        client->endBy = std::chrono::steady_clock::now() + options.timeLimit;
    return client;
}

void ReportFailure(Pop3Client& client, RunState& runState, const std::string& section,
                   const std::string& message) {
    if (client.statusHandler) client.statusHandler(client, StatusKind::Error, 0, message);
    RecordFailure(runState, section, message);
}

// Whether mail arrived that the count does not show: the id of the last message (UIDL n, asked
// with STAT when the count was right to expect it) differs from the stored one while the count
// stayed the same. When the count fell, a changed last id is what deleting the newest message gives
// as well, so it tells nothing. LAST_UIDL is written only when the server gives an id; a refusal
// costs one "-ERR".
bool ArrivedByIdentity(Pop3Client& session, int current, int stored, const IniFile& settings,
                       RunState& runState, const std::string& section) {
    if (!session.IsConnected() || current <= 0) return false;
    std::optional<std::string> uid;
    try {
        uid = session.probedUid && session.uidProbe == current ? session.probedUid
                                                               : session.MessageUid(current);
    } catch (const TarnwickError&) {
        return false;  // the count stands; the session ends anyway
    }
    if (!uid) return false;
    const std::string last = settings.ReadString(section, run_state::kLastUidl, "");
    if (*uid == last) return false;
    runState.Write(section, run_state::kLastUidl, *uid);
    return !last.empty() && current == stored;
}

}  // namespace

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
        RecordSuccess(runState, section);
    } catch (const Cancelled&) {
        throw;
    } catch (const std::exception& error) {
        ReportFailure(
            *client, runState, section,
            SessionErrorText(error.what(), client->CertificateFailure().has_value(), client->pin));
    }
    RememberCapabilities(*client, runState, section);
    return client;
}

void RememberCapabilities(const Pop3Client& client, RunState& runState,
                          const std::string& section) {
    if (client.CapabilitiesDisagree()) {
        runState.Write(section, run_state::kPop3Capabilities, "");
    } else if (client.CapabilitiesLearned()) {
        RememberedCapabilities remembered{ServerName(client), std::time(nullptr),
                                          client.KnownCapabilities().lines};
        runState.Write(section, run_state::kPop3Capabilities,
                       RememberedCapabilitiesText(remembered));
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

void Pop3MailSession::ListHeaders(HeaderReceiver& receiver) {
    ListPop3Headers(*client_, receiver);
}

MailboxNews Pop3MailSession::CheckMailbox(const IniFile& settings, const std::string& section,
                                          RunState& runState) {
    MailboxNews news;
    if (!client_->IsConnected()) return news;
    // The count of the login's STAT: a STAT that failed left 0.
    news.count = client_->messageCount;
    const int stored = settings.ReadInteger(section, "COUNT", 0);
    news.change = RecordCount(news.count, settings, section, runState);
    news.arrived = ArrivedByIdentity(*client_, news.count, stored, settings, runState, section) ||
                   news.change > 0;
    RememberCapabilities(*client_, runState, section);  // UIDL's answer may disagree
    return news;
}

std::vector<NewMessageHeader> Pop3MailSession::NewHeaders(const MailboxNews& news, int wanted) {
    // The last `change` messages, or the last one when the count did not rise.
    try {
        return FetchNewPop3Headers(*client_, client_->messageCount,
                                   std::min(std::max(news.change, 1), wanted));
    } catch (const Cancelled&) {
        throw;
    } catch (const std::exception&) {
        return {};
    }
}

std::string Pop3MailSession::Quit() {
    if (client_->IsConnected()) client_->QuitAndClose();
    return "";
}

void ListPop3Headers(Pop3Client& client, HeaderReceiver& receiver) {
    const CapabilityList& capabilities = client.Capabilities();
    // Without an answer to CAPA, UIDL is tried: its refusal is as strict as its list.
    const bool askUids = capabilities.lines.empty() || capabilities.Has("UIDL");
    const int count = client.CountMessages();
    receiver.Counted(std::max(count, 0));
    if (count <= 0) return;
    const MessageSizeList sizes = client.MessageSizes(count);
    // A size the LIST lacked is asked for right after its header.
    const bool pipelining = client.Pipelining();
    int next = count;
    int awaited = 0;  // header replies still owed
    int done = 0;
    bool stopped = false;
    bool closed = false;  // the closing request is queued
    std::vector<int> listed;
    for (;;) {
        for (; !stopped && next >= 1; --next) {
            const bool sizeToo = pipelining && sizes.Of(next) == Pop3Client::kSizeUnknown;
            if (!client.CanQueue(sizeToo ? 2 : 1) && client.PendingReplies() > 0) break;
            client.QueueHeader(next);
            ++awaited;
            if (sizeToo) client.QueueSize(next);
        }
        if (!closed && (stopped || next < 1) && client.CanQueue()) {
            if (askUids)
                client.QueueUidList();
            else
                client.QueueSizeList();
            closed = true;
        }
        // A connection closed under the listing takes the replies still owed with it.
        if (!client.IsConnected()) throw TarnwickError("Not Connected.");
        if (awaited == 0) break;
        const int number = client.ReadQueuedHeader(receiver.NextHeader());
        --awaited;
        std::int32_t size = sizes.Of(number);
        if (size == Pop3Client::kSizeUnknown) {
            if (!pipelining) client.QueueSize(number);
            size = client.ReadQueuedSize();
        }
        listed.push_back(number);
        if (!receiver.HeaderDone(IdOfNumber(number), size, ++done, count)) stopped = true;
    }
    if (askUids) {
        const MessageUidList uids = client.ReadQueuedUidList(count);
        for (const int number : listed) receiver.IdKnown(IdOfNumber(number), uids.Of(number));
    } else {
        client.ReadQueuedSizeList(count);
    }
    if (client.HasUnreadData()) {
        client.AbortConnection();
        throw RepliesOutOfStep();
    }
}
