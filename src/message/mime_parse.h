#pragma once
// The message parser behind MailMessage (GMime stays inside the .cpp): the header fields,
// body and parts of raw message lines.

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "message/header_lines.h"

struct MailAddress {
    std::string name;     // display name, decoded to UTF-8
    std::string address;  // bare address
};

struct MailPart {
    enum class Kind { Text, Attachment, Other };
    Kind kind = Kind::Other;
    std::string contentType;         // "type/subtype" with its parameters
    std::vector<std::string> lines;  // text parts: the decoded text in UTF-8
    std::string fileName;            // attachments
    std::string displayName;         // other parts
};

// The header fields a parse finds; the defaults where a header lacks them or does not parse.
struct ParsedHeader {
    MailAddress from;
    std::string subject;
    std::time_t date = 0;  // local date-time; 0 when absent or unreadable
    std::vector<MailAddress> to;
    std::vector<MailAddress> cc;
    std::string contentType = "text/plain";
};

// A whole message parsed: its header fields, and either the lines of a single text body or
// its parts.
struct ParsedMessage {
    ParsedHeader header;
    std::vector<std::string> bodyLines;
    std::vector<MailPart> parts;
};

// The header fields of raw header lines.
ParsedHeader ParseHeader(const HeaderLines& rawHeader);
// The header fields, the body lines and the parts of the raw header lines and the received
// body lines.
ParsedMessage ParseMessage(const HeaderLines& rawHeader, const std::vector<std::string>& body);

// The lines of a text (split at CR LF, CR or LF) as strings of their own.
std::vector<std::string> TextLines(std::string_view text);
