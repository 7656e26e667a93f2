// The session part of ImapClient: connecting, the greeting, STARTTLS, logging in, and the
// tagged conversation every command goes through.
#include "imap/imap_client.h"

#include <openssl/evp.h>

#include <algorithm>

#include "net/socket_transport.h"
#include "settings/errors.h"
#include "settings/text_utils.h"

namespace {

const char* StatusWord(ImapStatus status) {
    switch (status) {
        case ImapStatus::Ok:
            return "OK ";
        case ImapStatus::No:
            return "NO ";
        case ImapStatus::Bad:
            return "BAD ";
        case ImapStatus::Bye:
            return "BYE ";
        case ImapStatus::PreAuth:
            return "PREAUTH ";
        case ImapStatus::None:
            break;
    }
    return "";
}

// A response as the server wrote it, near enough to recognise in an error message.
std::string ResponseText(const ImapResponse& response) {
    const std::string tag = response.kind == ImapResponseKind::Tagged         ? response.tag
                            : response.kind == ImapResponseKind::Continuation ? "+"
                                                                              : "*";
    return tag + " " + StatusWord(response.status) + response.text;
}

}  // namespace

ImapClient::ImapClient() : interrupt_(std::make_shared<InterruptSignal>()) {
    port = 143;
    channel_.onClosed = [this] { Disconnect(); };
    channel_.SetInterrupt(interrupt_.get());
    channel_.SetCommandsTagged(true);
    source_.readLine = [this] { return channel_.ReadLine(); };
    source_.readBytes = [this](std::size_t size) { return channel_.ReadBytes(size); };
}

ImapClient::~ImapClient() = default;

void ImapClient::ShareInterrupt(std::shared_ptr<InterruptSignal> interrupt) {
    if (!interrupt) return;
    interrupt_ = std::move(interrupt);
    channel_.SetInterrupt(interrupt_.get());
}

void ImapClient::SetAccount(const AccountSettings& account) {
    host = account.host;
    port = account.port;
    username = account.username;
    password = account.UsesOAuth() ? std::string() : account.password;  // a refresh token
    plainTextLogin = !account.ssl && !account.startTls;
    channel_.SetLogName(account.email);
}

void ImapClient::Connect() {
    channel_.SetLimit(endBy);
    interrupt_->ThrowIfRaised();
    if (connector_) {
        channel_.Attach(connector_());
    } else {
        ConnectOptions options = Options(interrupt_.get());
        options.progress = progress;
        channel_.Attach(ConnectSocket(options));
    }
    tls_ = useTls;
    preAuthenticated_ = false;
    capabilities_.clear();
    capabilitiesKnown_ = false;
    nextTag_ = 1;
    channel_.StartDeadline(readTimeout);  // for the greeting
}

void ImapClient::Disconnect() {
    channel_.Close();
}

void ImapClient::ConnectAndLogIn() {
    certificateFailure_.reset();
    try {
        Connect();
    } catch (const CertificateError& error) {
        certificateFailure_ = error.Problem();
        throw;
    }
    try {
        Greet();
        if (startTls && !useTls) UpgradeToTls();
        if (!preAuthenticated_) LogIn();
    } catch (const CertificateError& error) {
        certificateFailure_ = error.Problem();
        Disconnect();
        throw;
    } catch (...) {
        LogoutAndClose();
        throw;
    }
}

void ImapClient::Greet() {
    std::string firstLine;
    const ImapSource noting{[this, &firstLine] {
                                std::string line = channel_.ReadLine();
                                if (firstLine.empty()) firstLine = line;
                                return line;
                            },
                            source_.readBytes};
    ImapResponse greeting;
    try {
        greeting = ReadImapResponse(noting);
    } catch (const ImapProtocolError&) {
        Disconnect();  // something else answers on the port: a web server, another protocol
        throw ImapProtocolError("Unrecognized IMAP greeting (not an IMAP server?):\n\"" +
                                firstLine.substr(0, 200) + "\"");
    }
    if (greeting.kind != ImapResponseKind::Untagged ||
        (greeting.status != ImapStatus::Ok && greeting.status != ImapStatus::PreAuth &&
         greeting.status != ImapStatus::Bye))
        throw ImapProtocolError("Unrecognized IMAP greeting:\n\"" + greeting.text + "\"");
    Untagged(greeting);  // BYE throws; a CAPABILITY code is kept
    preAuthenticated_ = greeting.status == ImapStatus::PreAuth;
}

// No fallback to plain text: a server that does not offer STARTTLS ends the session before
// the password is sent. A server that greets with PREAUTH cannot start TLS any more.
void ImapClient::UpgradeToTls() {
    if (preAuthenticated_ || !HasCapability("STARTTLS"))
        throw TarnwickError("The server does not offer STARTTLS.");
    try {
        Run("STARTTLS");
    } catch (const ImapProtocolError&) {
        throw;
    } catch (const TarnwickError& error) {
        if (!IsConnected()) throw;
        throw TarnwickError(std::string("The server does not offer STARTTLS.\r\n") + error.what());
    }
    channel_.StartTls(ServerCheck());
    tls_ = true;
    // Nothing said before TLS counts inside it: an attacker could have written it.
    capabilities_.clear();
    capabilitiesKnown_ = false;
}

// The login of the account's credential in one round trip where the server allows it:
// AUTHENTICATE PLAIN with the initial response of RFC 4959, else LOGIN with quoted strings (or
// literals with LITERAL+); else AUTHENTICATE PLAIN after the server's go-ahead, else LOGIN with
// literals after it.
ImapClient::LoginCommand ImapClient::LoginCommandFor() {
    const bool plain = HasCapability("AUTH=PLAIN");
    const bool loginDisabled = HasCapability("LOGINDISABLED");
    if (!plain && loginDisabled)
        throw TarnwickError(
            "The server does not allow logging in on this connection "
            "(LOGINDISABLED).");
    const bool loginInOneGo =
        !loginDisabled &&
        (HasCapability("LITERAL+") || (QuotedString(username) && QuotedString(password)));
    if (plain && (HasCapability("SASL-IR") || !loginInOneGo)) {
        const std::string credentials = Base64(std::string(1, '\0') + username + '\0' + password);
        if (HasCapability("SASL-IR")) return {{"AUTHENTICATE PLAIN " + credentials}, false};
        return {{"AUTHENTICATE PLAIN", credentials}, true};
    }
    // Quoted where possible; else a literal, sent at once with LITERAL+ or after the server's
    // go-ahead.
    const bool literalPlus = HasCapability("LITERAL+");
    LoginCommand login{{"LOGIN "}, !literalPlus};
    for (const std::string* text : {&username, &password}) {
        if (text == &password) login.lines.back() += ' ';
        if (const auto quoted = QuotedString(*text)) {
            login.lines.back() += *quoted;
            continue;
        }
        login.lines.back() += "{" + std::to_string(text->size()) + (literalPlus ? "+}" : "}");
        login.lines.push_back(*text);
    }
    return login;
}

void ImapClient::LogIn() {
    if (accessToken) {
        AuthenticateOAuth();  // waits for its answer: a refusal may be answered and retried
        return;
    }
    if (!tls_ && !plainTextLogin)
        throw TarnwickError("The connection is not encrypted: the password was not sent.");
    const LoginCommand login = LoginCommandFor();
    capabilitiesKnown_ = false;  // they change with the login; its answer may name them
    const std::string tag = NextTag();
    channel_.StartDeadline(readTimeout);
    channel_.QueueLine(tag + " " + login.lines.front());
    for (std::size_t i = 1; i < login.lines.size(); ++i) {
        if (login.continuations) AwaitContinuation();
        channel_.QueueLine(login.lines[i]);
    }
    channel_.Flush();
    Finish(tag, {});
}

// Waits for the server's go-ahead for the rest of a command (a literal, a SASL response); its
// tagged answer instead ends the login with the server's text.
void ImapClient::AwaitContinuation() {
    for (;;) {
        ImapResponse response = Read();  // a read sends what is queued first
        if (response.kind == ImapResponseKind::Continuation) return;
        if (response.kind == ImapResponseKind::Tagged) throw TarnwickError(response.text);
        Untagged(response);
    }
}

// OAUTHBEARER (RFC 7628) when offered, else XOAUTH2. A token refused while it was the cached
// one is renewed once and tried once more.
void ImapClient::AuthenticateOAuth() {
    if (!tls_) throw TarnwickError(kOAuthNeedsTls);
    const bool bearer = HasCapability("AUTH=OAUTHBEARER");
    if (!bearer && !HasCapability("AUTH=XOAUTH2")) throw TarnwickError(kNoOAuthMechanism);
    const auto mechanism = bearer ? OAuthMechanism::OAuthBearer : OAuthMechanism::XOAuth2;
    const bool initialResponse = HasCapability("SASL-IR");
    capabilitiesKnown_ = false;
    AccessGrant grant = accessToken(false);
    std::string refusal = TryOAuth(mechanism, grant.token, initialResponse);
    if (!refusal.empty() && grant.cached) {
        grant = accessToken(true);
        refusal = TryOAuth(mechanism, grant.token, initialResponse);
    }
    if (!refusal.empty()) throw TarnwickError(refusal);
}

// One AUTHENTICATE: "" when the server took the token, else its refusal. The refusal comes as
// a challenge carrying the error, answered so that the tagged NO follows.
std::string ImapClient::TryOAuth(OAuthMechanism mechanism, const std::string& token,
                                 bool initialResponse) {
    const std::string payload = OAuthSaslPayload(mechanism, username, token);
    const std::string command = std::string("AUTHENTICATE ") + SaslMechanismName(mechanism);
    const std::string tag = SendTagged(initialResponse ? command + " " + payload : command);
    bool payloadSent = initialResponse;
    for (;;) {
        ImapResponse response = Read();
        if (response.kind == ImapResponseKind::Untagged) {
            Untagged(response);
            continue;
        }
        if (response.kind == ImapResponseKind::Continuation) {
            channel_.SendLine(payloadSent ? SaslRefusalAnswer(mechanism) : payload);
            payloadSent = true;
            continue;
        }
        if (response.tag != tag) {
            Disconnect();
            throw ImapProtocolError("Unexpected IMAP response:\n\"" + response.tag + " " +
                                    response.text + "\"");
        }
        if (response.status != ImapStatus::Ok) return HasText(response.text) ? response.text : "NO";
        const auto words = response.CodeWords();
        if (!words.empty() && SameTextAscii(words[0], "CAPABILITY")) TakeCapabilities(words, 1);
        return {};
    }
}

const std::vector<std::string>& ImapClient::Capabilities() {
    if (!capabilitiesKnown_) {
        capabilities_.clear();  // an answer without the list announces none
        Run("CAPABILITY");
        capabilitiesKnown_ = true;
    }
    return capabilities_;
}

bool ImapClient::HasCapability(std::string_view name) {
    const auto& words = Capabilities();
    return std::any_of(words.begin(), words.end(),
                       [name](const std::string& word) { return SameTextAscii(word, name); });
}

void ImapClient::TakeCapabilities(const std::vector<std::string>& words, std::size_t first) {
    capabilities_.assign(words.begin() + static_cast<std::ptrdiff_t>(first), words.end());
    capabilitiesKnown_ = true;
}

std::string ImapClient::NextTag() {
    return "a" + std::to_string(nextTag_++);
}

std::string ImapClient::SendTagged(std::string_view command) {
    std::string tag = NextTag();
    channel_.StartDeadline(readTimeout);
    channel_.SendLine(tag + " " + std::string(command));
    return tag;
}

ImapResponse ImapClient::Read() {
    try {
        return ReadImapResponse(source_, responseLimit_);
    } catch (const ImapProtocolError&) {
        Disconnect();  // out of step with the server
        throw;
    }
}

ImapResponse ImapClient::Run(std::string_view command,
                             const std::function<void(ImapResponse&)>& onUntagged) {
    return Finish(SendTagged(command), onUntagged);
}

ImapResponse ImapClient::ReadAnswer(const std::function<void(ImapResponse&)>& onUntagged) {
    for (;;) {
        ImapResponse response = Read();
        if (response.kind == ImapResponseKind::Untagged) {
            Untagged(response);
            if (onUntagged) onUntagged(response);
        } else {
            return response;
        }
    }
}

ImapResponse ImapClient::Finish(const std::string& tag,
                                const std::function<void(ImapResponse&)>& onUntagged) {
    ImapResponse response = ReadAnswer(onUntagged);
    if (response.kind == ImapResponseKind::Continuation || response.tag != tag) {
        Disconnect();
        throw ImapProtocolError("Unexpected IMAP response:\n\"" + ResponseText(response) + "\"");
    }
    if (response.status != ImapStatus::Ok) throw TarnwickError(response.text);
    const auto words = response.CodeWords();
    if (!words.empty() && SameTextAscii(words[0], "CAPABILITY")) TakeCapabilities(words, 1);
    return response;
}

// What every untagged response may tell, whatever the command: capabilities, and the end of
// the connection.
void ImapClient::Untagged(ImapResponse& response) {
    if (response.status == ImapStatus::Bye) {
        Disconnect();
        throw TarnwickError(HasText(response.text) ? response.text
                                                   : "Connection Closed Gracefully.");
    }
    if (response.status != ImapStatus::None) {
        const auto words = response.CodeWords();
        if (!words.empty() && SameTextAscii(words[0], "CAPABILITY")) TakeCapabilities(words, 1);
        return;
    }
    if (!response.data.empty() && response.data[0].IsAtom("CAPABILITY")) {
        std::vector<std::string> words;
        for (const ImapValue& value : response.data) words.push_back(value.text);
        TakeCapabilities(words, 1);
    }
}

void ImapClient::LogoutAndClose() {
    if (IsConnected()) {
        try {
            channel_.SendLine(NextTag() + " LOGOUT");
        } catch (const TarnwickError&) {
            // closed below either way
        }
    }
    Disconnect();
}

void ImapClient::AbortConnection() {
    Disconnect();
}
