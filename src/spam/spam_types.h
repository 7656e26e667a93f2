#pragma once
// One spam filter rule and its holder in the rule list.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct SpamRule {
    std::int32_t kind = 0;  // 0 subject rule, 1 sender rule
    bool content = false;   // true: contains; false: begins with
    std::string text;       // as entered or stored; normalised only when compared
};

class SpamRuleEntry {
public:
    SpamRule filter;
};

// The five general criteria of the spam filter (section GENERAL_FILTER).
struct SpamCriteria {
    std::int32_t maxSize = 0;        // kB; off when <= 0
    std::int32_t maxRecipients = 0;  // off when <= 0
    bool noEmptySubject = false;
    bool noEmptyDate = false;
    bool noRecipient = false;
};

// The rules in the order they are tested.
using SpamRules = std::vector<std::unique_ptr<SpamRuleEntry>>;

// What the verdict looks at in one message; the message list fills it from its entry.
struct SpamFacts {
    std::int64_t size = -1;          // the server's size in bytes (-1 when unknown)
    std::size_t recipientCount = 0;  // addresses in To, Cc and Bcc
    std::string toText;              // the To field as it stands
    bool emptyDate = false;          // the message had no usable date
    std::string subject;             // decoded
    std::string sender;              // as shown in the list
};
