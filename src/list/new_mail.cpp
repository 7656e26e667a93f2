#include "list/new_mail.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>

#include "list/list_row.h"
#include "message/header_decode.h"
#include "settings/text_utils.h"

namespace {

std::string SenderName(const MailMessage& entry) {
    const std::string name = Trim(DecodeHeaderText(entry.from.name));
    return name.empty() ? entry.from.address : name;
}

// Control characters as blanks, cut to kLongestNewMailLine bytes at a character's start.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == '\x7f') c = ' ';
    if (text.size() <= kLongestNewMailLine) return text;
    std::size_t cut = kLongestNewMailLine;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    text.resize(cut);
    return text + "…";
}

std::unique_ptr<MailMessage> EntryOf(const NewMessageHeader& header) {
    auto entry = std::make_unique<MailMessage>();
    constexpr std::int64_t kLargest = std::numeric_limits<std::int32_t>::max();
    entry->id = header.id;
    entry->size = static_cast<std::int32_t>(std::min(header.size, kLargest));
    for (const std::string& line : header.lines) entry->AddHeaderLine(line);
    entry->HeaderComplete();
    return entry;
}

}  // namespace

NamedNewMail NewMailLines(const std::vector<NewMessageHeader>& headers, const SpamAccount& account,
                          const FilterSnapshot& filter) {
    NamedNewMail named;
    std::vector<std::string>& lines = named.lines;
    for (const NewMessageHeader& header : headers) {
        if (lines.size() == kNewMailLines) break;
        const MessageRow row = MakeListRow(EntryOf(header), account, filter.rules, filter.criteria);
        if (row.spam) continue;
        const std::string sender = SenderName(*row.entry);
        const char* between = sender.empty() || row.subjectText.empty() ? "" : " — ";
        const std::string where = header.folder.empty() ? "" : header.folder + ": ";
        lines.push_back(OneLine(where + sender + between + row.subjectText));
        named.ids.push_back(header.id);
        named.folders.push_back(header.folder);
    }
    return named;
}
