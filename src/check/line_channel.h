#pragma once
// Lines over a transport: commands out with CR LF, received lines in without their line end.
// A counted read reports the bytes it has taken from the input so far.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "check/transport.h"

class LineChannel {
public:
    static constexpr std::size_t kMaxLineLength = 16384;

    void Attach(std::unique_ptr<Transport> transport);
    bool IsOpen() const { return transport_ && transport_->IsOpen(); }
    // Closes the transport and forgets unread input.
    void Close();

    // Sends `line` and CR LF; throws TarnwickError("Not Connected.") without a connection.
    void SendLine(std::string_view line);
    // The next line up to LF, a CR before it removed. Throws TarnwickError: "Max line length
    // exceeded." for a longer line, "Connection Closed Gracefully." when the peer has closed
    // (after calling `onClosed`), or the transport's failure (after `onClosed` when it
    // closed the connection, as a read time-out does).
    std::string ReadLine();

    // Upgrades the connection to TLS (STARTTLS). Bytes already received and not yet read
    // would have come in plain text after the server agreed: they end the connection with
    // an error. Throws the transport's failure (after `onClosed`).
    void StartTls(const TlsCheck& check);

    // From here on, every line taken reports the bytes taken since this call.
    void BeginCount(std::function<void(std::size_t)> onRead);
    void EndCount();

    // Called when a read finds the connection ended.
    std::function<void()> onClosed;

private:
    void Fill();
    void Consume(std::size_t bytes);

    std::unique_ptr<Transport> transport_;
    std::string input_;
    std::size_t start_ = 0;  // first unread byte of input_
    std::function<void(std::size_t)> onRead_;
    std::size_t counted_ = 0;
};
