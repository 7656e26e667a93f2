// What the sign-in reads from outside: the token and device endpoints' JSON answers and the
// query of the request that comes back to the loopback listener. The first byte picks which.
#include <cstddef>
#include <cstdint>
#include <string>

#include "auth/loopback_listener.h"
#include "auth/oauth_token.h"
#include "auth/sign_in.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);
    try {
        switch (data[0] % 3) {
            case 0:
                ParseTokenReply({200, input});
                break;
            case 1:
                ParseDeviceReply({200, input});
                break;
            default:
                QueryParameters(input);
                break;
        }
    } catch (const TarnwickError&) {
        // a clear refusal is the expected outcome of most inputs
    }
    return 0;
}
