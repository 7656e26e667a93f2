#pragma once
// How a session names a message on the server: its number in a POP3 session or its UID on
// IMAP, 32 bits unsigned (a UID may lie above the int32 range). It is made only from a
// std::uint32_t, so that no signed or wider number narrows into it unnoticed; POP3 numbers
// convert with IdOfNumber and NumberOfId, which refuse what does not fit.

#include <concepts>
#include <cstdint>
#include <string>

class MessageId {
public:
    constexpr MessageId() = default;
    constexpr explicit MessageId(std::uint32_t value) : value_(value) {}
    template <typename Other>
    requires(!std::same_as<Other, std::uint32_t>) MessageId(Other)
    = delete;

    constexpr std::uint32_t Value() const { return value_; }
    std::string Text() const { return std::to_string(value_); }
    friend constexpr auto operator<=>(MessageId, MessageId) = default;

private:
    std::uint32_t value_ = 0;  // 0: none (numbers and UIDs start at 1)
};

// A message's unique id as a POP3 server keeps it (UIDL); "" when the server keeps none.
using UniqueId = std::string;

// A POP3 message number as an id, and back. Throws TarnwickError for a number below 1, and for
// an id above the int range.
MessageId IdOfNumber(int number);
int NumberOfId(MessageId id);
