#pragma once
// Lines over a transport: commands out with CR LF, received lines in without their line end.
// A counted read reports the bytes it has taken from the input so far. Every reply has a
// deadline of its own, so that a server sending a byte now and then cannot hold it forever.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "net/protocol_log.h"
#include "net/transport.h"

class InterruptSignal;

class LineChannel {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kMaxLineLength = 16384;
    // While data is let extend the deadline, every kilobyte received moves it this far on.
    static constexpr std::chrono::seconds kTimePerKilobyte{10};

    void Attach(std::unique_ptr<Transport> transport);
    bool IsOpen() const { return transport_ && transport_->IsOpen(); }
    // Closes the transport and forgets unread input.
    void Close();

    // Sends what is queued, then `line` and CR LF; throws TarnwickError("Not Connected.")
    // without a connection.
    void SendLine(std::string_view line);
    // Keeps `line` and CR LF to be sent with the next Flush, SendLine, or before a read has to
    // wait for the peer, so that requests sent ahead go out together.
    void QueueLine(std::string_view line);
    void Flush();
    std::size_t SendRoom() const {
        return transport_ ? transport_->SendRoom() : Transport::kDefaultSendRoom;
    }
    // The next line up to LF, a CR before it removed. Throws TarnwickError: "Max line length
    // exceeded." for a longer line, "Connection Closed Gracefully." when the peer has closed
    // (after calling `onClosed`), the transport's failure (after `onClosed` when it closed the
    // connection), or TimedOut naming the command that went unanswered ("The server did not
    // answer STATUS within 60 s"), also in the protocol log.
    std::string ReadLine();
    // The next `size` bytes exactly, line ends and all (a counted literal); the same failures
    // as ReadLine.
    std::string ReadBytes(std::size_t size);

    // Waits to send and receive give up `timeout` from now (never after the limit), whatever
    // arrives meanwhile; received data no longer extends it.
    void StartDeadline(std::chrono::milliseconds timeout);
    // From now on every kilobyte received moves the deadline kTimePerKilobyte on (never past
    // the limit): a long reply may take longer while it keeps coming at a sane rate. The next
    // StartDeadline ends it.
    void ExtendDeadlineWithData();
    // However long data keeps coming, a reply's deadline never moves past this from its
    // StartDeadline.
    void SetLongestReply(std::chrono::milliseconds longest) { longestReply_ = longest; }
    // Waits until input can be read or `until` passes: false then, the connection still open.
    // The interrupt ends it as it ends a read.
    bool WaitForInput(Clock::time_point until);
    // True when received bytes wait to be read.
    bool HasUnreadInput() const { return start_ < input_.size(); }
    // The time after which no wait goes on, whatever the deadlines; none by default.
    void SetLimit(std::optional<Clock::time_point> limit) { limit_ = limit; }
    // Upgrades the connection to TLS (STARTTLS). Bytes already received and not yet read
    // would have come in plain text after the server agreed: they end the connection with
    // an error. Throws the transport's failure (after `onClosed`).
    void StartTls(const TlsCheck& check);

    // From here on, every line taken reports the bytes taken since this call.
    void BeginCount(std::function<void(std::size_t)> onRead);
    void EndCount();

    // Once `interrupt` is raised, a read closes the connection and throws Cancelled, whatever
    // the transport (a transport of its own may end its wait at once). Sending goes on while
    // it need not wait, so that a session can still say QUIT.
    void SetInterrupt(const InterruptSignal* interrupt) { interrupt_ = interrupt; }

    // The account whose dialogue this is: with the protocol log on, every line sent and
    // received from the next Attach on is written to it under this name, secrets masked.
    void SetLogName(std::string name) { logName_ = std::move(name); }

    // IMAP: a command line begins with its tag, and the command's name follows it.
    void SetCommandsTagged(bool tagged) { tagged_ = tagged; }

    // Called when a read finds the connection ended.
    std::function<void()> onClosed;

private:
    void Fill();
    void ThrowIfInterrupted();
    void Consume(std::size_t bytes);
    void Credit(std::size_t received);
    void ApplyDeadline(Clock::time_point deadline);
    void LogTls();
    void LogServer(std::string_view line);
    [[noreturn]] void ThrowTimedOut();

    std::unique_ptr<Transport> transport_;
    const InterruptSignal* interrupt_ = nullptr;
    std::string input_;
    std::unique_ptr<char[]> chunk_;  // what one Receive brings
    std::string output_;             // queued lines not sent yet
    std::size_t start_ = 0;          // first unread byte of input_
    std::function<void(std::size_t)> onRead_;
    std::size_t counted_ = 0;
    Clock::time_point deadline_{};
    Clock::time_point ceiling_ = Clock::time_point::max();  // of the reply under way
    std::chrono::milliseconds longestReply_{std::chrono::minutes(10)};
    std::optional<Clock::time_point> limit_;
    bool dataExtends_ = false;
    std::size_t credit_ = 0;    // bytes received toward the next extension
    std::string awaited_;       // the first command of the last flight, as the log shows it
    bool flightStarts_ = true;  // the next line queued begins a flight
    bool tagged_ = false;
    Clock::time_point started_{};  // the last StartDeadline
    bool cutByLimit_ = false;      // the limit came before that time-out
    std::string logName_;
    bool logging_ = false;  // the protocol log is on for this connection
    DialogueMask mask_;
};
