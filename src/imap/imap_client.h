#pragma once
// ImapClient: one IMAP session with one server (RFC 3501), blocking, on the same transport,
// TLS, certificate pins and reply deadlines as the POP3 client. It logs in with AUTHENTICATE
// PLAIN (RFC 4616, with the initial response of RFC 4959) when offered, else with LOGIN, and
// only inside TLS unless the account uses no connection security. Nothing it does marks a
// message seen: folders are opened with EXAMINE, messages fetched with BODY.PEEK.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "auth/sasl.h"
#include "imap/imap_response.h"
#include "net/interrupt.h"
#include "net/line_channel.h"
#include "net/message_id.h"
#include "net/message_sink.h"
#include "net/socket_transport.h"
#include "net/tls_check.h"
#include "net/transport.h"
#include "settings/accounts.h"

// STATUS of a folder (RFC 3501 6.3.10).
struct FolderStatus {
    std::uint32_t messages = 0;
    std::uint32_t unseen = 0;
    std::uint32_t uidNext = 0;      // 0: the server did not say
    std::uint32_t uidValidity = 0;  // 0: the server did not say
};

// The items of a STATUS response ("(MESSAGES 3 UIDNEXT 9 ...)"): none without a valid MESSAGES.
std::optional<FolderStatus> StatusItems(const ImapValue& items);

// One folder of a LIST answer.
struct ListedMailbox {
    std::string wireName;     // as the server names it (modified UTF-7); INBOX in capitals
    std::string name;         // decoded, to show
    bool selectable = true;   // neither \Noselect nor \NonExistent
    bool subscribed = false;  // \Subscribed, or named by LSUB
    bool specialUse = false;  // \Junk, \Trash, \Sent, \Drafts or \All
    std::optional<FolderStatus> status;  // LIST-STATUS: what the server told with it
};

// The most folders one listing takes: a server that lists more fails the listing.
inline constexpr std::size_t kMaxListedMailboxes = 10000;

// STATUS of one folder of a pipelined flight: the status, or the server's refusal.
struct FolderStatusAnswer {
    std::optional<FolderStatus> status;
    std::string error;
};

// What EXAMINE or SELECT reported about the folder it opened.
struct OpenFolder {
    std::uint32_t exists = 0;
    std::uint32_t uidValidity = 0;
    std::uint32_t uidNext = 0;
    bool readOnly = true;
};

// One message from the header listing's UID FETCH.
struct FetchedHeader {
    MessageId uid;
    std::uint32_t sequence = 0;
    std::int64_t size = -1;    // RFC822.SIZE; -1 when absent
    std::string internalDate;  // "17-Jul-1996 02:44:25 -0700"
    std::string header;        // the header bytes, CR LF line ends as sent
};

// The header fields that FetchNewestHeaders asks for: what names a message and what the spam
// criteria look at, the receiving server's verdicts included.
inline constexpr const char* kNewHeaderFields =
    "FROM SUBJECT DATE TO CC AUTHENTICATION-RESULTS X-SPAM-FLAG X-SPAM-STATUS";

// Hands header bytes to `message` as the POP3 client hands a header over: one line at a time
// without its line end, no empty lines, at most kMaxHeaderBytes, then HeaderComplete.
void FeedHeader(std::string_view header, MessageSink& message);

// Holds a header listing's answer to what the folder holds. Every message must come with a UID
// in 1..2^32-1, a UID told again is passed over; there may be no more messages than the folder
// held at most (EXISTS when opened, and every EXISTS since), and, once the answer is complete,
// no fewer than it held at least (the messages when opened, less every EXPUNGE since). Breaking
// a rule throws RepliesOutOfStep. Without Opened only the UIDs are held to the rules.
class ListingTally {
public:
    void Opened(std::uint32_t exists);
    // An untagged response of the answer: EXISTS and EXPUNGE move the bounds.
    void Untagged(const ImapResponse& response);
    // A message's UID (null when it has none): true for one not seen before.
    bool Take(const ImapValue* uid);
    // The answer is complete.
    void Done() const;

private:
    std::unordered_set<std::uint32_t> uids_;
    std::uint32_t low_ = 0;
    std::optional<std::uint32_t> high_;
};

class ImapClient : public ServerEndpoint {
public:
    // Opens the connection; the default makes a TCP (and TLS) connection from the fields
    // below. Tests replace it with a scripted transport.
    using Connector = std::function<std::unique_ptr<Transport>()>;

    ImapClient();
    ~ImapClient();
    ImapClient(const ImapClient&) = delete;
    ImapClient& operator=(const ImapClient&) = delete;

    // Host, port, TLS, pin and time-outs: the ServerEndpoint fields (port 143 by default).
    std::string username;
    std::string password;
    bool startTls = false;  // STARTTLS after the greeting (without useTls); never a fallback
    // The account uses no connection security: logging in in plain text is the user's choice.
    // Otherwise the password is sent only inside TLS.
    bool plainTextLogin = false;
    // Set for an OAuth2 account: it logs in with AUTHENTICATE OAUTHBEARER (or XOAUTH2) and this
    // token instead of the password, only inside TLS.
    AccessTokenSource accessToken;
    // Connection progress texts ("Resolving hostname ...", "Connected.").
    std::function<void(const std::string&)> progress;

    // From any thread, also before connecting: the call waiting on the server closes the
    // connection and throws Cancelled.
    void Interrupt() { interrupt_->Raise(); }
    // Makes `interrupt` this client's (before connecting); none keeps the client's own.
    void ShareInterrupt(std::shared_ptr<InterruptSignal> interrupt);

    void SetConnector(Connector connector) { connector_ = std::move(connector); }
    // Host, user name, password and port of the account, and its connection security.
    void SetAccount(const AccountSettings& account);

    // Connects, reads the greeting, upgrades with STARTTLS when asked and logs in. The login is
    // the last command of its flight: some servers drop or refuse what a client sends before the
    // login's answer (Courier drops it, Cyrus takes it for a second login). On a failure after
    // connecting it closes before throwing (LOGOUT when still in step).
    void ConnectAndLogIn();
    bool IsConnected() const { return channel_.IsOpen(); }
    // The capabilities the server announced last, asking for them when it has not since the
    // last change of state.
    const std::vector<std::string>& Capabilities();
    bool HasCapability(std::string_view name);

    FolderStatus Status(std::string_view folder);
    // Every folder, with whether it is subscribed and its special use: LIST "" "*" RETURN
    // (SUBSCRIBED SPECIAL-USE) with LIST-EXTENDED, else LIST and LSUB in one flight. In the
    // server's order. More than kMaxListedMailboxes close the connection and throw.
    std::vector<ListedMailbox> ListMailboxes();
    // With LIST-STATUS (RFC 5819) only: the subscribed folders with their special use and their
    // STATUS (MESSAGES UIDNEXT UIDVALIDITY UNSEEN), in one command; with `alsoStatusOf` (encoded
    // names) the STATUS of those goes out in the same flight (INBOX, which may be unsubscribed).
    // Their answers come in `extra`, in the order asked.
    std::vector<ListedMailbox> ListSubscribedWithStatus(
        const std::vector<std::string>& alsoStatusOf, std::vector<FolderStatusAnswer>& extra);
    // STATUS of each folder (encoded names), the commands sent together and their answers read
    // after them: one round trip, in batches that fit the connection's send room. A refusal is
    // that folder's answer; the answers are in the order asked.
    std::vector<FolderStatusAnswer> StatusOfEach(const std::vector<std::string>& wireNames);
    // Opens the folder read-only (EXAMINE) or read-write (SELECT).
    OpenFolder Examine(std::string_view folder);
    OpenFolder Select(std::string_view folder);
    // What `onHeader` returning false does to the rest of a header listing's answer.
    enum class FetchStop : std::uint8_t {
        ReadToEnd,        // read and dropped, so that the session stays usable
        CloseConnection,  // not waited for: the connection closes at once
    };
    // UID FETCH 1:* (UID RFC822.SIZE INTERNALDATE BODY.PEEK[HEADER]) in a folder opened with
    // `exists` messages: hands every message to `onHeader` as it arrives, in the server's
    // order, once per UID, until `onHeader` returns false. An answer that does not add up (see
    // ListingTally) closes the connection and throws RepliesOutOfStep.
    void FetchHeaders(std::uint32_t exists, const std::function<bool(FetchedHeader&)>& onHeader,
                      FetchStop stop = FetchStop::ReadToEnd);
    // FETCH <first>:* (UID RFC822.SIZE BODY.PEEK[HEADER.FIELDS (kNewHeaderFields)]): the
    // newest messages from that sequence number on, as FetchHeaders hands them over (without
    // a count to hold them to).
    void FetchNewestHeaders(std::uint32_t firstSequence,
                            const std::function<bool(FetchedHeader&)>& onHeader);
    // UID FETCH <uid> BODY.PEEK[]: the message's lines to `message`; false when the server
    // has no message of that UID.
    bool FetchMessage(MessageId uid, MessageSink& message);
    // UID STORE <uid> +FLAGS.SILENT (\Deleted) in the selected folder.
    void FlagDeleted(MessageId uid);
    // UID STORE <uids> +FLAGS.SILENT (\Seen) in the selected folder.
    void FlagSeen(const std::vector<MessageId>& uids);
    // UID EXPUNGE of exactly these UIDs (RFC 4315); only with UIDPLUS.
    void ExpungeUids(const std::vector<MessageId>& uids);
    void Noop();
    // IDLE (RFC 2177) in the open folder. Idle sends IDLE and returns at the server's
    // go-ahead (throws its NO or BAD): true when the folder changed before it. WaitIdle then waits
    // until `until` for a change of the folder's messages: true at an EXISTS or EXPUNGE (or a
    // STATUS: what NOTIFY tells of another folder), false when
    // `until` has passed, the connection kept; other untagged data is taken as it comes, a BYE
    // throws. EndIdle sends DONE and reads IDLE's answer within the read time-out: true when the
    // folder changed meanwhile.
    bool Idle();
    bool WaitIdle(std::chrono::steady_clock::time_point until);
    bool EndIdle();
    // Sends LOGOUT while connected, without waiting for its answer, and closes.
    void LogoutAndClose();
    // Closes at once; the operation waiting on the connection then fails.
    void AbortConnection();
    const std::optional<CertificateProblem>& CertificateFailure() const {
        return certificateFailure_;
    }

    // Sends a command with the next tag, hands every untagged response to `onUntagged` and
    // returns the tagged one; throws its text for NO or BAD, and for an untagged BYE (after
    // closing).
    ImapResponse Run(std::string_view command,
                     const std::function<void(ImapResponse&)>& onUntagged = {});

private:
    void Connect();
    void Greet();
    void UpgradeToTls();
    // The lines that log the account in: the first follows the tag; with `continuations`
    // every further line waits for the server's go-ahead.
    struct LoginCommand {
        std::vector<std::string> lines;
        bool continuations = false;
    };
    LoginCommand LoginCommandFor();
    void LogIn();
    void AwaitContinuation();
    std::string NextTag();
    void AuthenticateOAuth();
    std::string TryOAuth(OAuthMechanism mechanism, const std::string& token, bool initialResponse);
    TlsCheck ServerCheck() const { return {host, verifyPeer, pin}; }
    std::string SendTagged(std::string_view command);
    ImapResponse Read();
    // The next tagged or continuation response; untagged ones on the way go through Untagged
    // and `onUntagged`.
    ImapResponse ReadAnswer(const std::function<void(ImapResponse&)>& onUntagged);
    ImapResponse Finish(const std::string& tag,
                        const std::function<void(ImapResponse&)>& onUntagged);
    void Untagged(ImapResponse& response);
    void TakeCapabilities(const std::vector<std::string>& words, std::size_t first);
    OpenFolder Open(std::string_view command, std::string_view folder);
    // Sends the commands in one flight and reads every answer: the tagged responses in the
    // order of `commands` (a refusal does not throw); untagged ones go to `onUntagged`.
    std::vector<ImapResponse> RunPipelined(const std::vector<std::string>& commands,
                                           const std::function<void(ImapResponse&)>& onUntagged);
    void FetchEachHeader(const std::string& command, std::string_view section,
                         std::optional<std::uint32_t> exists,
                         const std::function<bool(FetchedHeader&)>& onHeader,
                         FetchStop stop = FetchStop::ReadToEnd);
    void Disconnect();

    Connector connector_;
    std::shared_ptr<InterruptSignal> interrupt_;  // outlives the channel and its transport
    LineChannel channel_;
    ImapSource source_;
    unsigned nextTag_ = 1;
    std::string idleTag_;  // of the IDLE under way
    std::size_t responseLimit_ = kMaxResponseBytes;
    bool tls_ = false;
    bool preAuthenticated_ = false;
    std::vector<std::string> capabilities_;
    bool capabilitiesKnown_ = false;
    std::optional<CertificateProblem> certificateFailure_;
};
