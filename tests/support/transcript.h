#pragma once
// Replays a POP3 or IMAP conversation through a fake transport, so that a test reads like the
// conversation it checks:
//
//   Transcript talk(R"(
//     S: +OK ready <1.2@host>
//     C: USER bob
//     S: +OK
//     C: PASS secret
//     S: -ERR wrong password
//     C: QUIT
//   )");
//   Pop3Client client;  client.SetConnector(talk.Connector());  ...
//   EXPECT_EQ(talk.Problems(), "");
//
// "S: " lines are sent to the client (with CR LF) as soon as every "C: " line before them has
// arrived; "C: " lines are what the client must send, in order. After the last line the server
// closes the connection. A line "S:" with nothing after it sends an empty line, "S:<raw>"
// sends the rest of the line without a line end, and the marker "<crlf>" in it stands for CR LF.
// "C: <tls handshake>" is where the client must start TLS on the connection (STARTTLS); the
// fake handshake succeeds and the script goes on in plain lines.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pop3/pop3_client.h"

// The greeting and a USER/PASS login of "bob" with password "secret", accepted: the usual
// start of a script.
inline constexpr const char* kUserLogin = R"(
    S: +OK ready
    C: USER bob
    S: +OK
    C: PASS secret
    S: +OK logged in
)";

// The same for a session that checks the mailbox: the capabilities are asked before the login
// (the server has none to announce).
inline constexpr const char* kCheckLogin = R"(
    S: +OK ready
    C: CAPA
    S: -ERR
    C: USER bob
    S: +OK
    C: PASS secret
    S: +OK logged in
)";

inline constexpr const char* kTlsHandshake = "<tls handshake>";

// One line of a script: what the client must send, or what the server sends (line end
// included).
// "S:<silence>" (scripted server only): the server says nothing more until the client leaves.
// "S:<pause MS>" (scripted server only): the server waits that many milliseconds.
// "S:<trickle MS>TEXT" (scripted server only): the server sends TEXT ("<crlf>" for CR LF, no
// line end of its own) every MS milliseconds until the client leaves.
struct ScriptStep {
    bool fromClient;
    std::string text;
    bool silence = false;
    int pauseMs = 0;
    int trickleMs = 0;
};
std::vector<ScriptStep> ParseScript(std::string_view script);

class Transcript {
public:
    // `piece` > 0 hands the server's bytes out at most that many at a time.
    explicit Transcript(std::string_view script, std::size_t piece = 0);

    // Each call connects a new fake connection to the script.
    Pop3Client::Connector Connector();
    // The same for a client that takes a plain maker of transports (ImapClient).
    std::function<std::unique_ptr<Transport>()> TransportConnector();
    // "" when the client sent every "C: " line in order and nothing else.
    std::string Problems() const;
    // Every line the client sent.
    std::vector<std::string> ClientLines() const;
    // What the client sent with each write, one entry per write, lines ended by "\n": the
    // lines of one entry went out together.
    std::vector<std::string> Flights() const;

    struct State;

private:
    std::shared_ptr<State> state_;
};
