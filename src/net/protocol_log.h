#pragma once
// The protocol log: the dialogue of every session with a mail server, one line per command or
// reply, for finding out why a server refuses. It goes to standard error when asked for
// (tarnwick-check --verbose) and is appended to the file named by the environment variable
// TARNWICK_LOG. Secrets never reach it: DialogueMask rewrites every line before it is written.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

// Rewrites the lines of one connection's dialogue for the log: passwords (PASS, APOP's digest,
// LOGIN's password whether quoted, an atom or a literal), the payloads of AUTH and AUTHENTICATE
// whatever the mechanism, and every SASL response the client sends after a continuation become
// "***". A POP3 message (RETR, TOP) or an IMAP literal the server sends is shortened to its first
// line and its size. Knows POP3 and IMAP by their commands; one object per connection.
class DialogueMask {
public:
    static constexpr const char* kHidden = "***";

    // The client's line as the log shows it.
    std::string Client(std::string_view line);
    // The server's line as the log shows it; none while a message's lines are being counted
    // (the message then appears as one line at its end).
    std::optional<std::string> Server(std::string_view line);
    // A counted literal from the server: its first line and its size.
    static std::string Literal(std::string_view bytes);

private:
    enum class LoginArgument : std::uint8_t { None, User, Password };
    enum class Pop3Reply : std::uint8_t { Single, Multi, Message };

    std::string ClientCommand(std::string_view line);
    std::string ImapLogin(std::string_view line, std::size_t at);
    std::string ContinueLogin(std::string_view line);
    std::optional<std::string> MessageLine(std::string_view line);

    bool sasl_ = false;                              // an AUTH/AUTHENTICATE exchange is under way
    LoginArgument loginNext_ = LoginArgument::None;  // LOGIN argument that follows
    std::size_t literalLeft_ = 0;                    // bytes of a LOGIN literal still to come
    bool literalIsPassword_ = false;
    std::deque<Pop3Reply> pop3Pending_;  // POP3 commands sent and not answered yet
    bool inMessage_ = false;
    bool messageExpected_ = false;
    std::string firstLine_;
    std::size_t messageBytes_ = 0;
};

// The process's protocol log. Thread-safe: lines of sessions on several threads never mix.
namespace protocol_log {

// Whether a log is on: standard error was asked for, or TARNWICK_LOG names a file.
bool Enabled();
// Also writes the log to standard error (tarnwick-check --verbose).
void WriteToStandardError();
// Writes one line: the time (to the millisecond), the account, `marker` ("C:", "S:" or "--"
// for a note about the connection) and the text.
void Write(std::string_view account, std::string_view marker, std::string_view text);

}  // namespace protocol_log
