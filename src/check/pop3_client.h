#pragma once
// T_POP3: one POP3 session with one server (RFC 1939). A command is sent apart from reading
// its reply, so that replies can be read later when commands are pipelined.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "check/anti_freeze.h"
#include "check/line_channel.h"
#include "check/message_sink.h"
#include "check/pop3_reply.h"
#include "check/status.h"
#include "check/tls_check.h"
#include "check/transport.h"
#include "settings/accounts.h"

class T_POP3 {
public:
    // Opens the connection for ConnectAndLogIn; the default makes a TCP (and TLS) connection
    // from the fields below. Tests replace it with a scripted transport.
    using Connector = std::function<std::unique_ptr<Transport>(T_POP3& client)>;

    T_POP3();
    ~T_POP3();
    T_POP3(const T_POP3&) = delete;
    T_POP3& operator=(const T_POP3&) = delete;

    std::string host;
    int port = 110;
    std::string username;
    std::string password;
    bool apop = false;
    bool useTls = false;     // the TLS layer is attached: TLS from the first byte
    bool startTls = false;   // STLS after the greeting, then TLS (without useTls)
    bool verifyPeer = true;  // check the server's certificate (TLS only)
    std::string pin;         // "sha256:<hex>": the one certificate accepted as it is
    std::chrono::milliseconds connectTimeout{120000};
    std::chrono::milliseconds readTimeout;
    int messageCount = 0;
    T_statusHandler statusHandler;
    // Handled while a wait blocks (the user interface's message pump); none: waits block.
    const T_AntiFreeze* pump = nullptr;

    void SetConnector(Connector connector) { connector_ = std::move(connector); }
    // Takes host, user name, password, port and APOP flag from the account (TLS is the
    // caller's decision).
    void SetAccount(const T_pop3params& account);

    // Connects, reads the greeting and logs in with APOP or USER and PASS. On a failure after
    // connecting it sends QUIT (while the connection is open) and closes before throwing.
    void ConnectAndLogIn();
    int CountMessages();
    int MessageSize(int number);
    bool FetchHeader(int number, MessageSink& message);
    // False, with nothing read, when the server answers "-ERR".
    bool FetchMessage(int number, MessageSink& message);
    bool DeleteMessage(int number);
    void SendNoop();
    // Sends QUIT while connected, without reading its reply, and closes.
    void QuitAndClose();
    bool IsConnected() const { return channel_.IsOpen(); }
    // Closes at once; the operation waiting on the connection then fails.
    void AbortConnection();
    // The certificate that failed verification in the last connect, if that was the failure.
    const std::optional<CertificateProblem>& CertificateFailure() const {
        return certificateFailure_;
    }

    void SendCommand(std::string_view line);
    Pop3Reply ReadReply();
    // Reads a reply and throws its error message unless it is "+OK".
    Pop3Reply ReadOkReply();
    const Pop3Reply& LastReply() const { return lastReply_; }

private:
    void Connect();
    void LogIn(const Pop3Reply& greeting);
    void UpgradeToTls();
    TlsCheck ServerCheck() const { return {host, verifyPeer, pin}; }
    void Disconnect();
    void ReadHeaderLines(MessageSink& message, bool endAtEmptyLine, bool& bodyFollows);
    void ReadBodyLines(MessageSink& message);
    void BeginCountedRead();
    void EndCountedRead();
    void Report(StatusKind kind, int value, const std::string& text);

    Connector connector_;
    LineChannel channel_;
    bool connected_ = false;  // connected and its end not yet reported
    Pop3Reply lastReply_;
    std::optional<CertificateProblem> certificateFailure_;
};
