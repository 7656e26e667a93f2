#pragma once
// Pop3Client: one POP3 session with one server (RFC 1939). A command is sent apart from reading
// its reply, so that replies can be read later when commands are pipelined.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "auth/sasl.h"
#include "net/interrupt.h"
#include "net/line_channel.h"
#include "net/message_sink.h"
#include "net/socket_transport.h"
#include "net/status.h"
#include "net/tls_check.h"
#include "net/transport.h"
#include "pop3/pop3_reply.h"
#include "settings/accounts.h"
#include "settings/errors.h"

// What a server announced in its reply to CAPA (RFC 2449).
struct CapabilityList {
    bool asked = false;              // CAPA has been sent in this session
    bool remembered = false;         // the lines are what an earlier session was told instead
    std::vector<std::string> lines;  // the announced lines, e.g. "PIPELINING", "SASL PLAIN"
    // True when a line's first word is `name` (letter case ignored).
    bool Has(std::string_view name) const;
};

// What CAPA said about a server, kept in the run state so that a later session logs in with
// the commands in one flight without asking again.
struct RememberedCapabilities {
    std::string server;     // "host:port"
    std::int64_t when = 0;  // seconds since the epoch
    std::vector<std::string> lines;
};
inline constexpr std::int64_t kCapabilitiesKeptSeconds = 24 * 60 * 60;
// "<when> <server> <line>|<line>|..." and back; none for a text that is not of that form.
std::string RememberedCapabilitiesText(const RememberedCapabilities& remembered);
std::optional<RememberedCapabilities> ParseRememberedCapabilities(std::string_view text);
// True when `remembered` is about `server` and less than a day old at `now`.
bool StillFresh(const RememberedCapabilities& remembered, std::string_view server,
                std::int64_t now);

// Message sizes from one "LIST", by message number: as many entries as the server sent lines,
// never as many as it claims to hold.
struct MessageSizeList {
    std::vector<std::pair<int, std::int32_t>> byNumber;  // sorted by number
    // The size of message `number`; Pop3Client::kSizeUnknown when the answer lacked it.
    std::int32_t Of(int number) const;
};

// The unique ids of one "UIDL" (RFC 1939), by message number.
struct MessageUidList {
    bool answered = false;                              // "+OK": the server keeps ids
    std::vector<std::pair<int, std::string>> byNumber;  // ascending numbers
    // The id of message `number`; "" when the answer lacked it.
    std::string Of(int number) const;
};

class Pop3Client : public ServerEndpoint {
public:
    // Opens the connection for ConnectAndLogIn; the default makes a TCP (and TLS) connection
    // from the fields below. Tests replace it with a scripted transport.
    using Connector = std::function<std::unique_ptr<Transport>(Pop3Client& client)>;

    Pop3Client();
    ~Pop3Client();
    Pop3Client(const Pop3Client&) = delete;
    Pop3Client& operator=(const Pop3Client&) = delete;

    // Host, port, TLS, pin and time-outs: the ServerEndpoint fields (port 110 by default).
    std::string username;
    std::string password;
    bool apop = false;
    bool startTls = false;  // STLS after the greeting, then TLS (without useTls)
    // Set for an OAuth2 account: it logs in with AUTH OAUTHBEARER (or XOAUTH2) and this token
    // instead of the password, only inside TLS.
    AccessTokenSource accessToken;
    int messageCount = 0;
    // With AfterLogin::Count and PIPELINING, UIDL of this message (the last one of the previous
    // check; 0: none) goes out in STAT's flight; probedUid then holds its id when the server
    // gave one for that number.
    int uidProbe = 0;
    std::optional<std::string> probedUid;
    StatusHandler statusHandler;
    // Most requests kept in flight at once when the server accepts pipelining. The send buffer
    // bounds them too; this bound keeps a cancelled listing from waiting for many replies.
    int pipelineLimit = 512;
    // No reply takes longer than this from its command, however steadily its data comes.
    std::chrono::milliseconds longestReply{std::chrono::minutes(10)};
    // A header keeps at most kMaxHeaderBytes (the rest is read and dropped); a reply longer
    // than kMaxReplyBytes, or a whole message longer than kMaxMessageBytes, fails its command
    // and closes the session.
    static constexpr std::size_t kMaxHeaderBytes = ::kMaxHeaderBytes;
    static constexpr std::size_t kMaxReplyBytes = std::size_t{16} << 20;
    static constexpr std::size_t kMaxMessageBytes = std::size_t{64} << 20;

    void SetConnector(Connector connector) { connector_ = std::move(connector); }
    // Takes host, user name, password, port and APOP flag from the account (TLS is the
    // caller's decision).
    void SetAccount(const AccountSettings& account);

    // What follows the login.
    enum class AfterLogin : std::uint8_t {
        Nothing,
        // STAT into messageCount (and uidProbe's UIDL). The capabilities are known first
        // (remembered or asked); with PIPELINING USER and PASS go out in one flight.
        Count,
    };
    // Connects, reads the greeting, upgrades with STLS when asked (whatever the capabilities
    // say) and logs in with APOP or USER and PASS. The login is the last command of its flight:
    // Courier drops what comes with PASS. On a failure after connecting it sends QUIT (while the
    // connection is open) and closes before throwing.
    void ConnectAndLogIn(AfterLogin then = AfterLogin::Nothing);
    // Takes what an earlier session's CAPA said instead of asking (before connecting).
    void RememberCapabilities(std::vector<std::string> lines);
    // CAPA was asked in this session: the answer is worth remembering.
    bool CapabilitiesLearned() const { return capabilities_.asked && !capabilities_.remembered; }
    // A reply showed the remembered capabilities wrong: ask again next time.
    bool CapabilitiesDisagree() const { return capabilitiesDisagree_; }
    int CountMessages();
    int MessageSize(int number);
    bool FetchHeader(int number, MessageSink& message);
    // False, with nothing read, when the server answers "-ERR".
    bool FetchMessage(int number, MessageSink& message);
    bool DeleteMessage(int number);
    // The unique id of message `number` (UIDL n); none when the server refuses it or its
    // answer is not "+OK <number> <id>".
    std::optional<std::string> MessageUid(int number);
    void SendNoop();
    // Sends QUIT while connected (unless an end asked for sent it already: see
    // InterruptSignal::AskToEnd), without reading its reply, and closes.
    void QuitAndClose();
    bool IsConnected() const { return channel_.IsOpen(); }
    // Closes at once; the operation waiting on the connection then fails. Same thread only.
    void AbortConnection();
    // From any thread, also before connecting: the call waiting on the server closes the
    // connection without QUIT and throws Cancelled. Raised between replies, the next command
    // sends QUIT instead of itself and throws Cancelled. A later connect throws Cancelled.
    void Interrupt() { interrupt_->Raise(); }
    bool Interrupted() const { return interrupt_->Raised(); }
    // Makes `interrupt` this client's (before connecting): its owner may raise it without
    // holding the client, e.g. while a session is being opened for it.
    void ShareInterrupt(std::shared_ptr<InterruptSignal> interrupt);
    // The certificate that failed verification in the last connect, if that was the failure.
    const std::optional<CertificateProblem>& CertificateFailure() const {
        return certificateFailure_;
    }

    // Sends CAPA the first time in a session and keeps the answer; a "-ERR" or a reply that is
    // neither "+OK" nor "-ERR" leaves no capabilities.
    const CapabilityList& Capabilities();
    // The capabilities known so far, without asking.
    const CapabilityList& KnownCapabilities() const { return capabilities_; }
    // The sizes of messages 1 to `count` from one "LIST", as MessageSize reads them;
    // kSizeUnknown for a message that the answer lacks (every message after "-ERR").
    static constexpr std::int32_t kSizeUnknown = -2147483647 - 1;
    MessageSizeList MessageSizes(int count);

    // Pipelined requests. A queued request goes out with the next flush, at the latest when a
    // read has to wait for the server; its reply is read later, oldest first. Without
    // PIPELINING announced, one request at a time. Any other command first reads and drops
    // the replies still pending, so that it gets its own reply.
    //
    // True when requests may be sent ahead: PIPELINING announced and `pipelineLimit` above 1.
    bool Pipelining() const { return pipelineLimit > 1 && capabilities_.Has("PIPELINING"); }
    // Room for `requests` more: while none is pending, one; with PIPELINING as long as the
    // requests in flight fit into the send buffer and `pipelineLimit`.
    bool CanQueue(int requests = 1) const;
    void QueueHeader(int number);  // TOP n 0
    void QueueSize(int number);    // LIST n
    void QueueUid(int number);     // UIDL n
    void QueueDelete(int number);  // DELE n
    void QueueUidList();           // UIDL
    void QueueSizeList();          // LIST
    std::size_t PendingReplies() const { return pending_.size(); }
    // The reply to the oldest pending request, which must be a TOP: its header lines go to
    // `message` as for FetchHeader; returns the message number. A "-ERR" reads and drops the
    // replies still pending, then throws its text.
    int ReadQueuedHeader(MessageSink& message);
    // The reply to the oldest pending request, which must be a LIST n: the size as
    // MessageSize gives it; "-ERR" as for ReadQueuedHeader.
    int ReadQueuedSize();
    // The reply to the oldest pending UIDL n: the id, none for "-ERR". Throws RepliesOutOfStep
    // for an answer that is not "+OK <number> <id>".
    std::optional<std::string> ReadQueuedUid();
    // The reply to the oldest pending DELE n, "+OK" or not.
    Pop3Reply ReadQueuedDelete();
    // The reply to the oldest pending UIDL or LIST for a mailbox of `count` messages, read
    // strictly: every line "<number> <id or size>", the numbers ascending from 1 to `count`.
    // Anything else throws RepliesOutOfStep. A "-ERR" gives an unanswered list.
    MessageUidList ReadQueuedUidList(int count);
    MessageSizeList ReadQueuedSizeList(int count);
    // True when the server has sent data that no request has read yet.
    bool HasUnreadData() const { return channel_.HasUnreadInput(); }
    // Reads and drops every pending reply.
    void DropPendingReplies();

    void SendCommand(std::string_view line);
    Pop3Reply ReadReply();
    // Reads a reply and throws its error message unless it is "+OK".
    Pop3Reply ReadOkReply();
    const Pop3Reply& LastReply() const { return lastReply_; }

private:
    void Connect();
    // The commands that log the account in, in order: APOP, or USER and PASS.
    std::vector<std::string> LoginCommands(const Pop3Reply& greeting) const;
    void LogIn(const std::vector<std::string>& commands, bool together);
    // STAT, with uidProbe's UIDL in its flight where the server takes it.
    void CountAfterLogin();
    void SendFlight(const std::vector<std::string>& lines);
    // The lines go out with the next flush or read.
    void QueueFlight(const std::vector<std::string>& lines);
    void UpgradeToTls();
    void AuthenticateOAuth();
    std::string TryOAuth(OAuthMechanism mechanism, const std::string& token);
    TlsCheck ServerCheck() const { return {host, verifyPeer, pin}; }
    void Disconnect();
    void ReadHeaderLines(MessageSink& message, bool endAtEmptyLine, bool& bodyFollows);
    void ReadBodyLines(MessageSink& message);
    void BeginCountedRead();
    void EndCountedRead();
    void Report(StatusKind kind, int value, const std::string& text);
    enum class Request { Header, Size, Uid, Delete, UidList, SizeList };
    static bool IsMultiLine(Request request);
    void Queue(const std::string& line, Request request, int number);
    void SkipMultiLine();
    // The next line of the reply under way; a reply over its limit closes the session.
    std::string ReadReplyLine();
    // Closes the session and throws RepliesOutOfStep.
    [[noreturn]] void OutOfStep();
    template <typename Parse>
    bool ReadStrictList(int count, Parse parse);
    // Takes the oldest pending request off the queue and reads its reply.
    Pop3Reply ReadPending();
    // The reply to the oldest pending request; "-ERR" drops the rest, then throws.
    Pop3Reply ReadPendingOk(Request request);
    // The reply to the oldest pending request, which must be `request`.
    Pop3Reply ReadPendingOf(Request request);

    struct PendingRequest {
        Request request;
        int number;
        std::size_t bytes;  // line end included
    };

    Connector connector_;
    std::shared_ptr<InterruptSignal> interrupt_;  // outlives the channel and its transport
    LineChannel channel_;
    bool connected_ = false;  // connected and its end not yet reported
    Pop3Reply lastReply_;
    CapabilityList capabilities_;
    std::optional<std::vector<std::string>> remembered_;
    bool capabilitiesDisagree_ = false;
    std::deque<PendingRequest> pending_;
    bool quitSent_ = false;  // behind a pending DELE, at an end asked for
    std::size_t pendingBytes_ = 0;
    std::size_t replyBytes_ = 0;  // bytes of the reply under way
    std::size_t replyLimit_ = kMaxReplyBytes;
    std::optional<CertificateProblem> certificateFailure_;
};
