// A whole message as the POP3 client hands it over (header lines, then body lines), then
// everything the list and the message view make of it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "list/list_row.h"
#include "message/header_view.h"
#include "message/message_feed.h"
#include "message/message_text.h"

namespace {

const SpamRules kNoRules;
const SpamCriteria kNoCriteria;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto entry = std::make_unique<MailMessage>();
    FeedMessage(*entry, std::string_view(reinterpret_cast<const char*>(data), size), true);
    ContentOf(*entry);
    HeaderViewRows(*entry);
    HeaderPaneLines(*entry);
    entry->HeaderLinesForSaving();
    entry->id = MessageId(1u);
    entry->size = static_cast<std::int32_t>(size);
    MakeListRow(std::move(entry), "me@test.example", kNoRules, kNoCriteria);
    return 0;
}
