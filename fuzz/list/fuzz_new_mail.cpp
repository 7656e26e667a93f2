// The lines that name new messages, from any header: one line each without control
// characters, never longer than the bound.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "list/new_mail.h"
#include "settings/text_utils.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    NewMessageHeader header{MessageId(1u), static_cast<std::int64_t>(size), {}, {}};
    for (const std::string_view line : SplitLines(text)) header.lines.emplace_back(line);
    FilterSnapshot filter;
    filter.rules.push_back(std::make_unique<SpamRuleEntry>());
    filter.rules.back()->filter = {RuleKind::Sender, true, "spam"};
    for (const std::string& line : NewMailLines({header, header}, "me@x.example", filter).lines) {
        if (line.size() > kLongestNewMailLine + 3) std::abort();
        for (const char c : line)
            if (static_cast<unsigned char>(c) < 0x20) std::abort();
    }
    return 0;
}
