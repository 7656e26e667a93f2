#include "net/message_id.h"

#include <climits>

#include "settings/errors.h"

MessageId IdOfNumber(int number) {
    if (number < 1) throw TarnwickError("Invalid message number " + std::to_string(number) + ".");
    return MessageId(static_cast<std::uint32_t>(number));
}

int NumberOfId(MessageId id) {
    if (id.Value() > static_cast<std::uint32_t>(INT_MAX))
        throw TarnwickError("Invalid message number " + id.Text() + ".");
    return static_cast<int>(id.Value());
}
