// Decodes arbitrary bytes as a folder name a server sent: the name shown must be valid UTF-8
// without control characters, and encoding it must give a name that decodes to it again (what
// the check sends back names the folder the user saw).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "imap/mailbox_name.h"

namespace {

bool ShownSafely(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const auto lead = static_cast<unsigned char>(text[pos]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        if (lead < 0x20 || lead == 0x7F || (lead >= 0x80 && lead < 0xC2) || lead > 0xF4 ||
            pos + length > text.size())
            return false;
        for (std::size_t i = 1; i < length; ++i)
            if ((static_cast<unsigned char>(text[pos + i]) & 0xC0) != 0x80) return false;
        pos += length;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view wire(reinterpret_cast<const char*>(data), size);
    const std::string shown = DecodeMailboxName(wire);
    if (!ShownSafely(shown)) std::abort();
    if (DecodeMailboxName(EncodeMailboxName(shown)) != shown) std::abort();
    return 0;
}
