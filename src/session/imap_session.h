#pragma once
// Opening IMAP sessions for an account, with the outcome recorded in the account's section as
// for POP3 (LAST_RESULT, LAST_CHECK, LAST_ERROR), and the count of the account's folder by
// STATUS with what only IMAP accounts keep: UIDNEXT, UIDVALIDITY and UNSEEN.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "imap/imap_client.h"
#include "session/mail_session.h"
#include "session/new_headers.h"
#include "session/run_state.h"
#include "session/session_options.h"
#include "settings/accounts.h"
#include "settings/ini_file.h"
#include "settings/watched_folders.h"

// A number the last check stored in the account's section (UIDNEXT, UIDVALIDITY, UNSEEN); 0
// when the key is absent or holds no number.
std::uint32_t StoredNumber(const IniFile& settings, const std::string& section, const char* key);

// A client for the account, not yet connected: its security as for POP3 (TLS from the first
// byte, or STARTTLS without fallback), SSL_VERIFY and SSL_PIN of its section, and the time
// limit of the options.
std::unique_ptr<ImapClient> NewImapClient(const AccountSettings& account,
                                          const SessionOptions& options);

// A keyring account's password, asked for once per session (a locked or missing keyring is
// the session's error like a refused login); an Online Accounts account's server and credential,
// asked of the service likewise; other accounts bring theirs.
void TakeCredential(const AccountSettings& account, ImapClient& client);

// Connects and logs in. Never throws for a connection or login failure: it records it in
// `runState` as OpenSession does; test IsConnected() on the result.
std::unique_ptr<ImapClient> OpenImapSession(const AccountSettings& account,
                                            const SessionOptions& options, RunState& runState);

// Sends LOGOUT when connected and destroys the client; `session` is empty afterwards.
void EndImapSession(std::unique_ptr<ImapClient>& session);

// What the check of an IMAP account found.
struct ImapCount {
    bool counted = false;
    int count = 0;  // MESSAGES, held to the int range
    std::uint32_t unseen = 0;
    int change = 0;  // as the check judges it, arrivals by UIDNEXT included
    std::optional<CertificateProblem> certificateFailure;
    std::vector<NewMessageHeader> newHeaders;  // as CheckResult's
    std::vector<FolderRunState> folders;       // as CheckResult's
};

// Opens a session, asks STATUS of the account's folder and ends the session. Records the
// outcome, COUNT when it changed, and UIDNEXT, UIDVALIDITY and UNSEEN in `runState`. An account
// with FOLDERS= has its folders counted instead (CountFolders): the same session, the sums. When
// messages arrived and `newHeaders` is above 0, the headers of that many of them at most are
// fetched before the session ends (by their UIDs from the stored UIDNEXT on when it still
// holds); a failure there leaves them out.
ImapCount CountImapMessages(const AccountSettings& account, const SessionOptions& options,
                            RunState& runState, int newHeaders = 0);

// The change of the count, and new mail that the count does not show: UIDNEXT grown with
// UIDVALIDITY unchanged means that messages arrived (as many as UIDNEXT grew, at most as many
// as the folder holds) even when others went; UIDNEXT unchanged means that none arrived, so a
// count that rose (messages left flagged after a deletion the server could not finish) is no
// news. `storedNext` 0, or a server that does not say UIDNEXT: the count change stands.
int ChangeWithArrivals(int countChange, int count, const FolderStatus& status,
                       std::uint32_t storedNext, std::uint32_t storedValidity);

// "Mark as read" on a notification: in a session of its own, flags exactly these messages of
// the account's folder \Seen and logs out; the unread count follows at the next check. False
// when no session could be opened (nothing is recorded); a refused command throws.
bool MarkImapMessagesSeen(const AccountSettings& account, const std::vector<MessageId>& uids,
                          const SessionOptions& options);

// The session interface on IMAP. The account's folder is opened read-only (EXAMINE) to count,
// list and fetch, and read-write (SELECT) for the first deletion; a deletion flags the message
// \Deleted, and Quit removes exactly the flagged UIDs with UID EXPUNGE when the server has
// UIDPLUS. Without it they stay flagged (never a plain EXPUNGE, which would also remove what
// other programs flagged), and Quit says so.
class ImapMailSession final : public MailSession {
public:
    ImapMailSession(const AccountSettings& account, std::unique_ptr<ImapClient> client);
    ~ImapMailSession() override;

    MailProtocol Protocol() const override { return MailProtocol::Imap; }
    bool IsConnected() const override { return client_->IsConnected(); }
    int CountMessages() override;
    void ListHeaders(HeaderReceiver& receiver) override;
    bool FetchMessage(MessageId id, MessageSink& message) override;
    void DeleteMessage(MessageId id) override;
    void KeepAlive() override { client_->Noop(); }
    std::string Quit() override;
    void Abort() override { client_->AbortConnection(); }
    std::optional<CertificateProblem> CertificateFailure() const override {
        return client_->CertificateFailure();
    }
    ImapClient& Client() { return *client_; }
    // Flags exactly these messages \Seen (the folder opened read-write).
    void MarkSeen(const std::vector<MessageId>& uids);

private:
    void EnsureFolder(bool forWriting);

    std::string folder_;
    std::unique_ptr<ImapClient> client_;
    enum class FolderState : std::uint8_t { Closed, ReadOnly, ReadWrite };
    FolderState state_ = FolderState::Closed;
    std::uint32_t exists_ = 0;
    std::vector<MessageId> deleted_;
};
