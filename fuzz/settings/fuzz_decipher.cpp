// Deciphers arbitrary stored texts, and checks that any text survives enciphering.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "settings/cipher.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string plain = DecipherText(text);
    if (plain.size() > size) abort();
    const std::string stored = EncipherText(text);
    if (stored.size() != 4 * ((size + 2) / 3) || DecipherText(stored) != text) abort();
    return 0;
}
