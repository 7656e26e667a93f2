// The receiving server's verdicts from any header: the parser neither crashes nor reads out of
// bounds, a failure always names a domain when the From address has one, and the expected
// server's name changes nothing about the spam flags.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "spam/server_verdict.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ServerVerdict any = ReadServerVerdict(text, "me@bank.example", "");
    if (any.authFailure != AuthFailure::None && any.domain.empty()) std::abort();
    const ServerVerdict named = ReadServerVerdict(text, "", "mx.example.org");
    if (named.serverSpam != any.serverSpam) std::abort();
    if (const auto results = ParseAuthenticationResults(text))
        JudgeAuthentication(*results, "bank.example");
    return 0;
}
