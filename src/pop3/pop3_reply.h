#pragma once
// POP3 replies: how a reply's lines are judged and what its numbers mean.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "settings/errors.h"

struct Pop3Reply {
    bool ok = false;                 // "+OK" in any letter case; false for "-ERR"
    std::string code;                // the first four characters, blanks trimmed
    std::vector<std::string> lines;  // each line from its fifth character on

    // The first text line ("" when there is none).
    std::string Text() const { return lines.empty() ? std::string() : lines.front(); }
    // Every text line followed by CR LF: the message of a rejected reply.
    std::string ErrorMessage() const;
};

// A reply whose code is neither "+OK" nor "-ERR".
class UnrecognizedReply : public TarnwickError {
public:
    using TarnwickError::TarnwickError;
};

// Reads one reply through `readLine` (one received line without its line end): blank lines
// are skipped; a first line whose fourth character is "-" continues up to a line starting with
// its first three characters and a blank. Throws UnrecognizedReply
// "Unrecognized POP3 Response Header:\n\"<line>\"" (the whole first line) for a code that is
// neither "+OK" nor "-ERR".
Pop3Reply ReadPop3Reply(const std::function<std::string()>& readLine);

// STAT: the text up to its first blank as a decimal number of at least zero; 0 for an empty
// text. Throws TarnwickError "'<part>' is not a valid integer value" otherwise (a text without
// a blank has an empty part).
int ParseMessageCount(std::string_view text);
// LIST n: the text after its first blank (all of it without a blank) as a decimal number;
// -1 when empty, below zero or not a number.
int ParseMessageSize(std::string_view text);

// One line of a "UIDL" answer, "<number> <id>": a number of at least 1 and an id of 1 to 255
// visible ASCII characters, one blank between them. None for anything else.
std::optional<std::pair<int, std::string>> ParseUidLine(std::string_view line);
// One line of a "LIST" answer read strictly, "<number> <size>", both decimal, the number at
// least 1. None for anything else.
std::optional<std::pair<int, int>> ParseSizeLine(std::string_view line);

// The APOP timestamp of a greeting text: from its first "<" up to and including the first
// ">" after it; none without them.
std::optional<std::string> ApopTimestamp(std::string_view greeting);
// MD5 of timestamp + password as 32 lower-case hexadecimal digits.
std::string ApopDigest(std::string_view timestamp, std::string_view password);

// A line as sent inside a multi-line reply, with its byte-stuffing dot removed.
std::string_view UnstuffLine(std::string_view line);
