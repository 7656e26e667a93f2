// BodyToText on any text, as a main body and as a numbered part.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "message/message_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    LinkList links;
    BodyToText(0, "text/html", text, links);
    BodyToText(1, "text/plain", text, links);
    LinkFromTag(text);
    return 0;
}
