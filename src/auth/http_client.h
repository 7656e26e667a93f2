#pragma once
// A blocking HTTP client for the sign-in endpoints, on libcurl: HTTPS only, except plain HTTP
// to 127.0.0.1 or localhost; no redirects followed; a bounded time; an interrupt that ends the
// request at once with Cancelled.

#include <chrono>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "net/interrupt.h"

struct HttpReply {
    long status = 0;
    std::string body;
};

using FormFields = std::vector<std::pair<std::string, std::string>>;

struct HttpOptions {
    std::chrono::milliseconds timeLimit{30000};
    const InterruptSignal* interrupt = nullptr;
};

// True for an address the client may reach: https://, or http:// to 127.0.0.1 or localhost.
bool HttpAddressAllowed(std::string_view url);

// Percent-encodes everything but the unreserved characters (RFC 3986).
std::string UrlEncode(std::string_view text);
// "a=1&b=2", each part encoded.
std::string FormEncode(const FormFields& fields);

// POSTs the fields as application/x-www-form-urlencoded. Throws TarnwickError for an address
// that is not allowed and when no answer came (with the reason); any HTTP status is an answer.
HttpReply PostForm(const std::string& url, const FormFields& fields,
                   const HttpOptions& options = {});
