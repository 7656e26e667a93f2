#include "pop3/pop3_client.h"

#include <algorithm>

#include "net/socket_transport.h"
#include "settings/errors.h"
#include "settings/text_utils.h"

namespace {

std::string WithNumber(std::string_view command, int number) {
    return std::string(command) + std::to_string(number);
}

bool IsTerminator(const std::string& line) {
    return line == ".";
}

}  // namespace

Pop3Client::Pop3Client() : interrupt_(std::make_shared<InterruptSignal>()) {
    port = 110;
    channel_.onClosed = [this] { Disconnect(); };
    channel_.SetInterrupt(interrupt_.get());
}

void Pop3Client::ShareInterrupt(std::shared_ptr<InterruptSignal> interrupt) {
    if (!interrupt) return;
    interrupt_ = std::move(interrupt);
    channel_.SetInterrupt(interrupt_.get());
}

Pop3Client::~Pop3Client() = default;

void Pop3Client::SetAccount(const AccountSettings& account) {
    host = account.host;
    username = account.username;
    password = account.UsesOAuth() ? std::string() : account.password;  // a refresh token
    port = account.port;
    apop = account.secureLogin;
    channel_.SetLogName(account.email);
}

void Pop3Client::Report(StatusKind kind, int value, const std::string& text) {
    if (statusHandler) statusHandler(*this, kind, value, text);
}

void Pop3Client::Connect() {
    channel_.SetLimit(endBy);
    interrupt_->ThrowIfRaised();
    channel_.SetLongestReply(longestReply);
    if (connector_) {
        channel_.Attach(connector_(*this));
    } else {
        ConnectOptions options = Options(interrupt_.get());
        options.progress = [this](const std::string& text) {
            Report(StatusKind::Progress, 0, text);
        };
        channel_.Attach(ConnectSocket(options));
    }
    capabilities_ = {};
    if (remembered_) capabilities_ = {true, true, *remembered_};
    capabilitiesDisagree_ = false;
    connected_ = true;
    Report(StatusKind::Connect, 0, "connect");
}

void Pop3Client::Disconnect() {
    quitSent_ = false;
    if (!connected_) return;
    connected_ = false;
    pending_.clear();
    pendingBytes_ = 0;
    Report(StatusKind::Progress, 0, "Disconnecting.");
    channel_.Close();
    Report(StatusKind::Disconnect, 0, "disconnect");
    Report(StatusKind::Progress, 0, "Disconnected.");
}

void Pop3Client::RememberCapabilities(std::vector<std::string> lines) {
    remembered_ = std::move(lines);
}

void Pop3Client::ConnectAndLogIn(AfterLogin then) {
    certificateFailure_.reset();
    try {
        Connect();
    } catch (const CertificateError& error) {
        certificateFailure_ = error.Problem();
        throw;
    }
    try {
        const Pop3Reply greeting = ReadOkReply();
        if (startTls && !useTls) UpgradeToTls();
        if (accessToken) {
            AuthenticateOAuth();  // waits for its answers: a refusal may be answered and retried
        } else {
            const std::vector<std::string> login = LoginCommands(greeting);
            if (then == AfterLogin::Count) Capabilities();
            LogIn(login, then == AfterLogin::Count && Pipelining());
        }
    } catch (const CertificateError& error) {
        certificateFailure_ = error.Problem();
        Disconnect();
        throw;
    } catch (...) {
        if (IsConnected()) {
            try {
                SendCommand("QUIT");
            } catch (const TarnwickError&) {
                // the login error is the one to report
            }
        }
        Disconnect();
        throw;
    }
    // A count that fails leaves the session logged in.
    if (then == AfterLogin::Count) CountAfterLogin();
}

void Pop3Client::CountAfterLogin() {
    probedUid.reset();
    if (uidProbe <= 0 || !Pipelining() || !capabilities_.Has("UIDL")) {
        messageCount = CountMessages();
        return;
    }
    QueueFlight({"STAT"});
    QueueUid(uidProbe);
    const Pop3Reply stat = ReadReply();  // sends the UIDL first
    probedUid = ReadQueuedUid();
    lastReply_ = stat;
    if (!stat.ok) throw TarnwickError(stat.ErrorMessage());
    messageCount = ParseMessageCount(stat.Text());
}

// STARTTLS (RFC 2595): no fallback to plain text, so a refusal ends the session before the
// user name is sent.
void Pop3Client::UpgradeToTls() {
    SendCommand("STLS");
    if (!ReadReply().ok) throw TarnwickError("The server does not offer STARTTLS.");
    channel_.StartTls(ServerCheck());
}

std::vector<std::string> Pop3Client::LoginCommands(const Pop3Reply& greeting) const {
    if (apop) {
        const auto timestamp = ApopTimestamp(greeting.Text());
        if (!timestamp) throw TarnwickError("Server do not support APOP (no timestamp)");
        return {"APOP " + username + " " + ApopDigest(*timestamp, password)};
    }
    return {"USER " + username, "PASS " + password};
}

// The login one command after another, or USER and PASS in one flight (`together`); a refusal
// throws the server's text either way.
void Pop3Client::LogIn(const std::vector<std::string>& commands, bool together) {
    if (!together) {
        for (const std::string& command : commands) {
            SendCommand(command);
            ReadOkReply();
        }
        return;
    }
    SendFlight(commands);
    try {
        for (std::size_t i = 0; i < commands.size(); ++i) ReadOkReply();
    } catch (const UnrecognizedReply&) {
        capabilitiesDisagree_ = capabilities_.remembered;
        throw;
    }
}

void Pop3Client::SendFlight(const std::vector<std::string>& lines) {
    QueueFlight(lines);
    channel_.Flush();
}

void Pop3Client::QueueFlight(const std::vector<std::string>& lines) {
    if (interrupt_->Raised()) {
        QuitAndClose();
        throw Cancelled();
    }
    DropPendingReplies();
    channel_.StartDeadline(readTimeout);
    for (const std::string& line : lines) channel_.QueueLine(line);
}

// AUTH (RFC 5034) with OAUTHBEARER when the server names it among its SASL mechanisms, else
// XOAUTH2. A token refused while it was the cached one is renewed once and tried once more.
void Pop3Client::AuthenticateOAuth() {
    if (!useTls && !startTls) throw TarnwickError(kOAuthNeedsTls);
    const auto offers = [this](std::string_view name) {
        for (const std::string& line : Capabilities().lines) {
            std::string_view rest(line);
            if (rest.size() < 5 || !SameTextAscii(rest.substr(0, 5), "SASL ")) continue;
            while (!rest.empty()) {
                const std::size_t space = rest.find(' ');
                if (SameTextAscii(rest.substr(0, space), name)) return true;
                rest.remove_prefix(space == std::string_view::npos ? rest.size() : space + 1);
            }
        }
        return false;
    };
    const bool bearer = offers("OAUTHBEARER");
    if (!bearer && !offers("XOAUTH2")) throw TarnwickError(kNoOAuthMechanism);
    const auto mechanism = bearer ? OAuthMechanism::OAuthBearer : OAuthMechanism::XOAuth2;
    AccessGrant grant = accessToken(false);
    std::string refusal = TryOAuth(mechanism, grant.token);
    if (!refusal.empty() && grant.cached) {
        grant = accessToken(true);
        refusal = TryOAuth(mechanism, grant.token);
    }
    if (!refusal.empty()) throw TarnwickError(refusal);
}

// One AUTH: "" when the server took the token, else its refusal. The initial response goes with
// the command while the line stays within 255 octets, else after the server's "+".
std::string Pop3Client::TryOAuth(OAuthMechanism mechanism, const std::string& token) {
    constexpr std::size_t kMaxCommandLine = 255;
    const std::string payload = OAuthSaslPayload(mechanism, username, token);
    const std::string command = std::string("AUTH ") + SaslMechanismName(mechanism);
    const bool initialResponse = command.size() + 1 + payload.size() <= kMaxCommandLine;
    SendCommand(initialResponse ? command + " " + payload : command);
    bool payloadSent = initialResponse;
    for (;;) {
        const std::string line = channel_.ReadLine();
        if (line.starts_with("+ ") || line == "+") {
            channel_.StartDeadline(readTimeout);
            channel_.SendLine(payloadSent ? SaslRefusalAnswer(mechanism) : payload);
            payloadSent = true;
            continue;
        }
        lastReply_ = ReadPop3Reply([&line] { return line; });
        if (lastReply_.ok) return {};
        return HasText(lastReply_.Text()) ? lastReply_.Text() : std::string("-ERR");
    }
}

void Pop3Client::SendCommand(std::string_view line) {
    // Interrupted between replies: the session ends with QUIT, so that what the server has
    // answered (a DELE) takes effect.
    if (interrupt_->Raised()) {
        QuitAndClose();
        throw Cancelled();
    }
    DropPendingReplies();
    channel_.StartDeadline(readTimeout);
    channel_.SendLine(line);
}

// The time-out counts from the command, or from here when the reply is read later (replies of
// commands sent together).
Pop3Reply Pop3Client::ReadReply() {
    channel_.StartDeadline(readTimeout);
    replyBytes_ = 0;
    replyLimit_ = kMaxReplyBytes;
    lastReply_ = ReadPop3Reply([this] { return ReadReplyLine(); });
    return lastReply_;
}

std::string Pop3Client::ReadReplyLine() {
    std::string line = channel_.ReadLine();
    replyBytes_ += line.size() + 2;
    if (replyBytes_ > replyLimit_) {
        Disconnect();  // the rest of the reply is unread: nothing after it would be in step
        throw TarnwickError("The server's reply is longer than " +
                            std::to_string(replyLimit_ >> 20) + " MB.");
    }
    return line;
}

Pop3Reply Pop3Client::ReadOkReply() {
    Pop3Reply reply = ReadReply();
    if (!reply.ok) throw TarnwickError(reply.ErrorMessage());
    return reply;
}

int Pop3Client::CountMessages() {
    SendCommand("STAT");
    return ParseMessageCount(ReadOkReply().Text());
}

int Pop3Client::MessageSize(int number) {
    SendCommand(WithNumber("LIST ", number));
    return ParseMessageSize(ReadOkReply().Text());
}

bool Pop3Client::DeleteMessage(int number) {
    SendCommand(WithNumber("DELE ", number));
    ReadOkReply();
    return true;
}

std::optional<std::string> Pop3Client::MessageUid(int number) {
    SendCommand(WithNumber("UIDL ", number));
    const Pop3Reply reply = ReadReply();
    if (!reply.ok) {
        // Remembered with UIDL, the server has stopped keeping ids.
        if (capabilities_.remembered && capabilities_.Has("UIDL")) capabilitiesDisagree_ = true;
        return std::nullopt;
    }
    const auto line = ParseUidLine(reply.Text());
    if (!line || line->first != number) return std::nullopt;
    return line->second;
}

void Pop3Client::SendNoop() {
    SendCommand("NOOP");
    ReadOkReply();
}

bool Pop3Client::FetchHeader(int number, MessageSink& message) {
    SendCommand(WithNumber("TOP ", number) + " 0");
    ReadOkReply();
    bool bodyFollows = false;
    ReadHeaderLines(message, false, bodyFollows);
    return true;
}

bool Pop3Client::FetchMessage(int number, MessageSink& message) {
    SendCommand(WithNumber("RETR ", number));
    if (!ReadReply().ok) return false;
    replyLimit_ = kMaxMessageBytes;
    bool bodyFollows = false;
    ReadHeaderLines(message, true, bodyFollows);
    if (bodyFollows) ReadBodyLines(message);
    message.BodyComplete();
    return true;
}

// Header lines up to "." alone, or with `endAtEmptyLine` up to the first empty line (then
// `bodyFollows`). Empty lines are not header lines; lines past kMaxHeaderBytes are dropped.
void Pop3Client::ReadHeaderLines(MessageSink& message, bool endAtEmptyLine, bool& bodyFollows) {
    BeginCountedRead();
    std::size_t kept = 0;
    try {
        for (;;) {
            const std::string line = ReadReplyLine();
            if (IsTerminator(line)) break;
            if (line.empty()) {
                if (!endAtEmptyLine) continue;
                bodyFollows = true;
                break;
            }
            kept += line.size() + 2;
            if (kept <= kMaxHeaderBytes) message.AddHeaderLine(std::string(UnstuffLine(line)));
        }
    } catch (...) {
        channel_.EndCount();
        throw;
    }
    EndCountedRead();
    message.HeaderComplete();
}

void Pop3Client::ReadBodyLines(MessageSink& message) {
    BeginCountedRead();
    try {
        for (std::string line = ReadReplyLine(); !IsTerminator(line); line = ReadReplyLine())
            message.AddBodyLine(std::string(UnstuffLine(line)));
    } catch (...) {
        channel_.EndCount();
        throw;
    }
    EndCountedRead();
}

void Pop3Client::BeginCountedRead() {
    Report(StatusKind::Begin, 0, "begin");
    channel_.ExtendDeadlineWithData();
    channel_.BeginCount(
        [this](std::size_t bytes) { Report(StatusKind::Read, static_cast<int>(bytes), "read"); });
}

void Pop3Client::EndCountedRead() {
    channel_.EndCount();
    Report(StatusKind::End, 0, "end");
}

void Pop3Client::QuitAndClose() {
    if (IsConnected() && !quitSent_) {
        try {
            channel_.SendLine("QUIT");  // behind any pending request; no reply is read
        } catch (const TarnwickError&) {
            // the connection is closed below either way
        }
    }
    Disconnect();
}

void Pop3Client::AbortConnection() {
    Disconnect();
}
