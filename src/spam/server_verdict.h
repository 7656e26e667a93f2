#pragma once
// What the receiving server already decided about a message: whether its spam filter flagged
// it (X-Spam-Flag, X-Spam-Status) and whether the sender passed DMARC, SPF and DKIM, as the
// server recorded in the Authentication-Results field (RFC 8601) it put on top of the header.
// Anyone can write such a field into a message; only the topmost one counts, and only when it
// names the expected server.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One method's result: "dmarc=fail header.from=bank.example".
struct AuthMethodResult {
    std::string method;  // lower case, without a version ("dkim/1" gives "dkim")
    std::string result;  // lower case
    std::string domain;  // lower case: header.from, header.d (else header.i), smtp.mailfrom
};

struct AuthenticationResults {
    std::string authservId;  // empty when the server wrote none
    std::vector<AuthMethodResult> results;
};

// Reads the value of one Authentication-Results field, folded lines joined: comments in
// parentheses, quoted strings, ";" between the results, blanks around "=" allowed. A field
// that starts with a result at once (no authserv-id) has an empty id. Unknown properties and
// methods are kept or skipped without error; none when the value is blank.
std::optional<AuthenticationResults> ParseAuthenticationResults(std::string_view value);

enum class AuthFailure {
    None,
    DmarcFailed,       // dmarc=fail
    NotAuthenticated,  // no DMARC result, and neither SPF nor DKIM for the sender's domain passed
};

struct ServerVerdict {
    bool serverSpam = false;  // X-Spam-Flag: YES or X-Spam-Status: Yes…
    AuthFailure authFailure = AuthFailure::None;
    std::string domain;  // the domain that failed authentication
};

// Whether two domains belong to one sender: the same domain, or one below the other.
bool RelatedDomains(std::string_view a, std::string_view b);

// What the results say about a message from `fromDomain`. Without a DMARC result the sender is
// not authenticated when SPF did not pass, no DKIM signature of a related domain passed, and at
// least one of them failed outright (spf=fail or softfail, dkim=fail, or a DKIM pass for an
// unrelated domain only).
ServerVerdict JudgeAuthentication(const AuthenticationResults& results,
                                  std::string_view fromDomain);

// Reads the verdicts from a header given as its lines (LF or CR LF ends, folded lines as lines
// of their own starting with a blank). Authentication counts from the topmost
// Authentication-Results field only, and only when `authservId` is empty or equal to that
// field's authserv-id (letter case ignored). `fromAddress` is the From field's bare address.
ServerVerdict ReadServerVerdict(std::string_view header, std::string_view fromAddress,
                                std::string_view authservId);
