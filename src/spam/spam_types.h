#pragma once
// One spam filter rule and its holder in the rule list.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "settings/accounts.h"
#include "spam/server_verdict.h"

// What a rule looks at; the numbers are the ones the settings file has always implied.
enum class RuleKind : std::int32_t { Subject = 0, Sender = 1 };

struct SpamRule {
    RuleKind kind = RuleKind::Subject;
    bool content = false;  // true: contains; false: begins with
    std::string text;      // as entered or stored; normalised only when compared
};

// A rule in the rule list. Its id names it for as long as the program runs (a window keeps
// the id, never the address); a copy keeps the id of its original.
class SpamRuleEntry {
public:
    SpamRuleEntry();
    std::uint64_t Id() const { return id_; }

    SpamRule filter;

private:
    std::uint64_t id_;
};

// The rule of that id, or null.
SpamRuleEntry* FindRule(const std::vector<std::unique_ptr<SpamRuleEntry>>& rules, std::uint64_t id);

// The general criteria of the spam filter (section GENERAL_FILTER): the five of the message
// itself, and two that take over the receiving server's verdicts.
struct SpamCriteria {
    std::int32_t maxSize = 0;        // kB; off when <= 0
    std::int32_t maxRecipients = 0;  // off when <= 0
    bool noEmptySubject = false;
    bool noEmptyDate = false;
    bool noRecipient = false;
    bool serverSpam = true;       // the server's spam filter flagged it
    bool unauthenticated = true;  // the server found the sender not authenticated
};

// The account a verdict is for: the address the "no recipient" criterion looks for, and the
// authserv-id the receiving server writes into Authentication-Results (empty: not checked).
struct SpamAccount {
    SpamAccount(std::string address, std::string serverId = {})
        : email(std::move(address)), authservId(std::move(serverId)) {}
    SpamAccount(const char* address) : email(address) {}
    SpamAccount(const AccountSettings& account)
        : email(account.email), authservId(account.authservId) {}
    std::string email;
    std::string authservId;
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
    ServerVerdict server = {};       // what the receiving server said about it
};

// The rules and criteria as they were at one moment, for work on another thread.
struct FilterSnapshot {
    SpamRules rules;
    SpamCriteria criteria;
};
// A deep copy (the ids stay).
FilterSnapshot CopyFilter(const SpamRules& rules, const SpamCriteria& criteria);
