#pragma once
// One spam filter rule and its holder in the rule list.

#include <cstdint>
#include <string>

struct T_mail_filter {
    std::int32_t kind = 0;  // 0 subject rule, 1 sender rule
    bool content = false;   // true: contains; false: begins with
    std::string text;       // as entered or stored; normalised only when compared
};

class T_spam {
public:
    T_mail_filter filter;
};

// The five general criteria of the spam filter (section GENERAL_FILTER).
struct T_spam_criteria {
    std::int32_t maxSize = 0;        // kB; off when <= 0
    std::int32_t maxRecipients = 0;  // off when <= 0
    bool noEmptySubject = false;
    bool noEmptyDate = false;
    bool noRecipient = false;
};
