// A whole message as the POP3 client hands it over (header lines, then body lines), then
// everything the list and the message view make of it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "list/header_view.h"
#include "list/list_row.h"
#include "list/message_text.h"

namespace {

void Feed(MessageSink& sink, std::string_view raw) {
    bool inHeader = true;
    while (!raw.empty()) {
        const std::size_t end = raw.find('\n');
        std::string line(raw.substr(0, end));
        raw.remove_prefix(end == std::string_view::npos ? raw.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (inHeader && line.empty()) {
            inHeader = false;
            sink.HeaderComplete();
        } else if (inHeader) {
            sink.AddHeaderLine(std::move(line));
        } else {
            sink.AddBodyLine(std::move(line));
        }
    }
    if (inHeader) sink.HeaderComplete();
    sink.BodyComplete();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto entry = std::make_unique<T_mail_entry>();
    Feed(*entry, std::string_view(reinterpret_cast<const char*>(data), size));
    MessageContent(*entry);
    HeaderViewRows(*entry);
    HeaderPaneLines(*entry);
    entry->HeaderLinesForSaving();
    entry->number = 1;
    entry->size = static_cast<std::int32_t>(size);
    MakeListRow(std::move(entry), "me@test.example");
    return 0;
}
