// The IMAP server as Online Accounts gives it ("host", "host:port", "[v6]:port"): split
// into a host and a port within 1..65535.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "auth/online_accounts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    const auto [host, port] = SplitImapHost(input, (data[0] & 1) != 0);
    if (port < 1 || port > 65535 || host.size() > input.size()) __builtin_trap();
    return 0;
}
