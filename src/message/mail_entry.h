#pragma once
// One message on the server as a list row holds it: the parsed header (after a retrieval the
// whole message), the message's id in the session, the size the server reported and the
// message's unique id when the server keeps ids.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "message/header_lines.h"
#include "net/message_id.h"
#include "net/message_sink.h"

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

class MailMessage : public MessageSink {
public:
    MessageId id;  // the message's number in a POP3 session or its UID on IMAP
    std::int32_t size = -1;
    UniqueId uniqueId;  // POP3 UIDL; "" when the server gave none

    // Parsed header.
    HeaderLines rawHeaderLines;  // as received; a folded line is a line of its own
    MailAddress from;
    std::string subject;
    std::time_t date = 0;  // local date-time; 0 when absent or unreadable
    std::vector<MailAddress> to;
    std::vector<MailAddress> cc;
    std::vector<MailAddress> bcc;  // never filled from a received header
    std::string contentType;

    // Lines the program adds itself, "Name: value".
    std::vector<std::string> extraHeaderLines;

    // After a whole-message retrieval.
    std::vector<std::string> bodyLines;
    std::vector<MailPart> parts;

    void AddExtraHeader(std::string_view name, std::string_view value);
    // The value of the first extra line of that name (letter case ignored).
    std::optional<std::string> ExtraHeader(std::string_view name) const;

    // Empties every parsed field, the header lines, the body and the parts; id and size stay.
    void Clear();

    // Number of addressees in To, Cc and Bcc together.
    std::size_t RecipientCount() const { return to.size() + cc.size() + bcc.size(); }
    // The To list as text: "name <address>" (or the address alone), joined by ", ".
    std::string ToText() const;

    // The header written in front of a saved message's text view.
    std::vector<std::string> HeaderLinesForSaving() const;

    // After a retrieval that broke off (dropped connection, cancel): parses the body lines that
    // arrived, so that the entry shows what it got. Does nothing when no body line is pending.
    void ParseReceivedBody();

    // MessageSink
    void AddHeaderLine(std::string line) override;
    void HeaderComplete() override;
    void AddBodyLine(std::string line) override;
    void BodyComplete() override;

private:
    std::vector<std::string> receivedBody_;
};
