#include "session/imap_session.h"

#include <algorithm>
#include <climits>
#include <ctime>
#include <string>

#include "auth/oauth_token.h"
#include "auth/online_accounts.h"
#include "session/folder_count.h"
#include "settings/counted_text.h"
#include "settings/errors.h"
#include "settings/keyring.h"
#include "settings/password_store.h"
#include "settings/run_state_keys.h"
#include "settings/settings.h"
#include "settings/text_utils.h"

std::uint32_t StoredNumber(const IniFile& settings, const std::string& section, const char* key) {
    const std::string text = Trim(settings.ReadString(section, key, ""));
    if (text.empty() || text.size() > 10 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    return static_cast<std::uint32_t>(std::min<unsigned long long>(std::stoull(text), UINT32_MAX));
}

namespace {

// FetchNewImapHeaders, or none when the session fails meanwhile: the count is found already.
std::vector<NewMessageHeader> NewImapHeaders(ImapClient& client, const std::string& folder,
                                             int wanted, std::uint32_t firstNewUid) {
    try {
        return FetchNewImapHeaders(client, folder, wanted, firstNewUid);
    } catch (const Cancelled&) {
        throw;
    } catch (const std::exception&) {
        return {};
    }
}

// The server as Online Accounts has it now (not the file's), and its token or password. A
// certificate it would accept without a question is still asked about: only SSL_PIN trusts one.
void TakeOnlineAccount(const AccountSettings& account, ImapClient& client) {
    const OnlineAccount online = UsableOnlineAccount(account.onlineAccount);
    client.host = online.host;
    client.port = online.port;
    client.username = online.username;
    client.useTls = online.ssl;
    client.startTls = online.startTls;
    client.plainTextLogin = false;
    if (online.oauth2)
        client.accessToken = OnlineTokenSource(online);
    else
        client.password = OnlinePassword(online);
}

}  // namespace

std::unique_ptr<ImapClient> NewImapClient(const AccountSettings& account,
                                          const SessionOptions& options) {
    const std::string section = AccountSection(account);
    const auto settings = OpenSettings();
    auto client = std::make_unique<ImapClient>();
    client->SetAccount(account);
    client->ShareInterrupt(options.interrupt);
    // Without a TLS library a TLS account connects in plain text, and the client then refuses
    // to send the password.
    client->useTls = account.ssl && options.tlsAvailable;
    client->startTls = account.startTls && !account.ssl;
    client->verifyPeer = settings->ReadBool(section, "SSL_VERIFY", true);
    client->pin = settings->ReadString(section, "SSL_PIN", "");
    if (options.timeLimit.count() > 0)
        client->endBy = std::chrono::steady_clock::now() + options.timeLimit;
    // An OAuth2 account's token is fetched (or renewed) by the login, on the session's thread.
    if (account.UsesOAuth())
        client->accessToken = AccountTokenSource(account, DesktopKeyring(), options.interrupt);
    return client;
}

void TakeCredential(const AccountSettings& account, ImapClient& client) {
    if (account.FromOnlineAccounts()) {
        TakeOnlineAccount(account, client);
        return;
    }
    if (account.passwordStore == PasswordStore::Keyring && !account.UsesOAuth())
        client.password = LoginPassword(account, DesktopKeyring());
}

std::unique_ptr<ImapClient> OpenImapSession(const AccountSettings& account,
                                            const SessionOptions& options, RunState& runState) {
    auto client = NewImapClient(account, options);
    const std::string section = AccountSection(account);
    try {
        TakeCredential(account, *client);
        client->ConnectAndLogIn();
        RecordSuccess(runState, section);
    } catch (const Cancelled&) {
        throw;
    } catch (const std::exception& error) {
        RecordFailure(
            runState, section,
            SessionErrorText(error.what(), client->CertificateFailure().has_value(), client->pin));
    }
    return client;
}

void EndImapSession(std::unique_ptr<ImapClient>& session) {
    if (session && session->IsConnected()) session->LogoutAndClose();
    session.reset();
}

int ChangeWithArrivals(int countChange, int count, const FolderStatus& status,
                       std::uint32_t storedNext, std::uint32_t storedValidity) {
    if (storedNext == 0 || status.uidNext == 0 || status.uidValidity != storedValidity)
        return countChange;
    if (status.uidNext <= storedNext) return std::min(countChange, 0);
    const auto arrived = static_cast<long long>(status.uidNext - storedNext);
    return static_cast<int>(std::max<long long>(countChange, std::min<long long>(arrived, count)));
}

ImapCount CountImapFolders(const AccountSettings& account, const SessionOptions& options,
                           RunState& runState, int newHeaders) {
    const std::string section = AccountSection(account);
    auto client = NewImapClient(account, options);
    ImapCount result;
    try {
        TakeCredential(account, *client);
        client->ConnectAndLogIn();
        result = CountFolders(account, *client, *OpenSettings(), runState, newHeaders);
        RecordSuccess(runState, section);
        EndImapSession(client);
    } catch (const Cancelled&) {
        throw;
    } catch (const std::exception& error) {
        result.certificateFailure = client ? client->CertificateFailure() : std::nullopt;
        const std::string pin = client ? client->pin : std::string();
        EndImapSession(client);
        RecordFailure(runState, section,
                      SessionErrorText(error.what(), result.certificateFailure.has_value(), pin));
    }
    return result;
}

std::unique_ptr<ImapMailSession> OpenImapCheckSession(const AccountSettings& account,
                                                      const SessionOptions& options,
                                                      RunState& runState) {
    const std::string section = AccountSection(account);
    auto client = NewImapClient(account, options);
    std::optional<FolderStatus> status;
    try {
        TakeCredential(account, *client);
        client->ConnectAndLogIn();
        status = client->Status(account.Folder());
        RecordSuccess(runState, section);
    } catch (const Cancelled&) {
        throw;
    } catch (const std::exception& error) {
        // Closed, the client kept for its certificate failure.
        client->LogoutAndClose();
        RecordFailure(
            runState, section,
            SessionErrorText(error.what(), client->CertificateFailure().has_value(), client->pin));
    }
    return std::make_unique<ImapMailSession>(account, std::move(client), status);
}

ImapMailSession::ImapMailSession(const AccountSettings& account, std::unique_ptr<ImapClient> client,
                                 std::optional<FolderStatus> status)
    : folder_(account.Folder()), client_(std::move(client)), status_(status) {}

ImapMailSession::~ImapMailSession() {
    try {
        Quit();
    } catch (...) {
        // a session that ends with its owner has nobody to tell
    }
}

void ImapMailSession::EnsureFolder(bool forWriting) {
    if (state_ == FolderState::ReadWrite || (state_ == FolderState::ReadOnly && !forWriting))
        return;
    const OpenFolder opened = forWriting ? client_->Select(folder_) : client_->Examine(folder_);
    exists_ = opened.exists;
    state_ = forWriting ? FolderState::ReadWrite : FolderState::ReadOnly;
}

int ImapMailSession::CountMessages() {
    state_ = FolderState::Closed;  // opened afresh: the count of now
    EnsureFolder(false);
    return static_cast<int>(std::min<std::uint32_t>(exists_, INT_MAX));
}

MailboxNews ImapMailSession::CheckMailbox(const IniFile& settings, const std::string& section,
                                          RunState& runState) {
    MailboxNews news;
    if (!status_ && !client_->IsConnected()) return news;
    const FolderStatus status = status_ ? *status_ : client_->Status(folder_);
    status_.reset();  // a later check asks again
    news.count = static_cast<int>(std::min<std::uint32_t>(status.messages, INT_MAX));
    const int countChange = RecordCount(news.count, settings, section, runState);
    const std::uint32_t storedNext = StoredNumber(settings, section, run_state::kUidNext);
    const std::uint32_t storedValidity = StoredNumber(settings, section, run_state::kUidValidity);
    news.change = ChangeWithArrivals(countChange, news.count, status, storedNext, storedValidity);
    news.arrived = news.change > 0;
    news.unseen = status.unseen;
    // The new messages' headers are looked for by UID from the stored UIDNEXT on while it
    // still holds.
    firstNewUid_ = storedNext != 0 && status.uidValidity == storedValidity ? storedNext : 0;
    runState.Write(section, run_state::kUidNext, std::to_string(status.uidNext));
    runState.Write(section, run_state::kUidValidity, std::to_string(status.uidValidity));
    runState.Write(section, run_state::kUnseen, std::to_string(status.unseen));
    return news;
}

std::vector<NewMessageHeader> ImapMailSession::NewHeaders(const MailboxNews& news, int wanted) {
    if (news.change <= 0) return {};
    return NewImapHeaders(*client_, folder_, std::min(news.change, wanted), firstNewUid_);
}

void ImapMailSession::ListHeaders(HeaderReceiver& receiver) {
    const int count = CountMessages();
    receiver.Counted(count);
    if (count == 0) return;
    int done = 0;
    // A stop closes the connection rather than wait for the rest of the one answer, unless
    // deletions still wait for the session's end.
    client_->FetchHeaders(
        exists_,
        [&](FetchedHeader& fetched) {
            FeedHeader(fetched.header, receiver.NextHeader());
            return receiver.HeaderDone(fetched.uid, fetched.size, ++done, count);
        },
        deleted_.empty() ? ImapClient::FetchStop::CloseConnection
                         : ImapClient::FetchStop::ReadToEnd);
}

bool ImapMailSession::FetchMessage(MessageId id, MessageSink& message) {
    EnsureFolder(false);
    return client_->FetchMessage(id, message);
}

void ImapMailSession::DeleteMessage(MessageId id) {
    EnsureFolder(true);
    client_->FlagDeleted(id);
    deleted_.push_back(id);
}

void ImapMailSession::MarkSeen(const std::vector<MessageId>& uids) {
    if (uids.empty()) return;
    EnsureFolder(true);
    client_->FlagSeen(uids);
}

std::string ImapMailSession::Quit() {
    std::string note;
    if (client_->IsConnected() && !deleted_.empty()) {
        try {
            if (client_->HasCapability("UIDPLUS"))
                client_->ExpungeUids(deleted_);
            else
                note = std::to_string(deleted_.size()) + " " +
                       CountedText("kept_marked_deleted", deleted_.size());
        } catch (const TarnwickError& error) {
            note = error.what();
        }
    }
    deleted_.clear();
    EndImapSession(client_);
    client_ = std::make_unique<ImapClient>();  // unconnected: later calls fail as on a closed one
    state_ = FolderState::Closed;
    return note;
}

bool MarkImapMessagesSeen(const AccountSettings& account, const std::vector<MessageId>& uids,
                          const SessionOptions& options) {
    RunState unrecorded;  // a failure here is no result of a check
    ImapMailSession session(account, OpenImapSession(account, options, unrecorded));
    if (!session.IsConnected()) return false;
    session.MarkSeen(uids);
    session.Quit();
    return true;
}
