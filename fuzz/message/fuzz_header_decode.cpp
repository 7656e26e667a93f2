// DecodeHeaderText on any text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "message/header_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    DecodeHeaderText(text);
    DecodeQuotedPrintable(text);
    DecodeBase64(text);
    return 0;
}
