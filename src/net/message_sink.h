#pragma once
// What the POP3 client hands a fetched message to, line by line. The message entry of the
// list implements it; the client knows nothing else about messages.

#include <cstddef>
#include <string>

// The most bytes of header lines (line ends counted) a client hands over for one message; the
// lines past it are dropped.
inline constexpr std::size_t kMaxHeaderBytes = std::size_t{1} << 20;

class MessageSink {
public:
    virtual ~MessageSink() = default;

    // One header line as received, without its line end (a folded continuation line is a
    // line of its own).
    virtual void AddHeaderLine(std::string line) = 0;
    // The header is complete; the receiver parses it.
    virtual void HeaderComplete() = 0;
    // One body line, without its line end, dot-unstuffed.
    virtual void AddBodyLine(std::string line) = 0;
    // The body is complete (only called after RETR).
    virtual void BodyComplete() = 0;
};
