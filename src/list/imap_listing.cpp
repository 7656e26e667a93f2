#include "list/imap_listing.h"

#include <algorithm>
#include <limits>

#include "imap/imap_client.h"

std::unique_ptr<MailMessage> ImapEntry(std::string_view header, std::uint32_t uid,
                                       std::int64_t size) {
    constexpr std::int64_t kLargest = std::numeric_limits<std::int32_t>::max();
    auto entry = std::make_unique<MailMessage>();
    entry->number = static_cast<std::int32_t>(std::min<std::int64_t>(uid, kLargest));
    entry->size = static_cast<std::int32_t>(std::clamp<std::int64_t>(size, -1, kLargest));
    // Header lines as the POP3 listing hands them over: without line ends, no empty lines.
    std::size_t pos = 0;
    while (pos < header.size()) {
        std::size_t lf = header.find('\n', pos);
        if (lf == std::string_view::npos) lf = header.size();
        std::size_t end = lf;
        if (end > pos && header[end - 1] == '\r') --end;
        if (end > pos) entry->AddHeaderLine(std::string(header.substr(pos, end - pos)));
        pos = lf + 1;
    }
    entry->HeaderComplete();
    return entry;
}

std::vector<MessageRow> ListImapHeaders(ImapClient& session, const std::string& folder,
                                        const std::string& accountEmail, const SpamRules& rules,
                                        const SpamCriteria& criteria,
                                        const ListingProgress& progress) {
    std::vector<MessageRow> rows;
    const OpenFolder opened = session.Examine(folder);
    if (opened.exists == 0) return rows;
    const int count = static_cast<int>(std::min<std::uint32_t>(opened.exists, 0x7FFFFFFF));
    session.FetchHeaders([&](FetchedHeader& fetched) {
        rows.push_back(MakeListRow(ImapEntry(fetched.header, fetched.uid, fetched.size),
                                   accountEmail, rules, criteria));
        return !progress || progress(static_cast<int>(rows.size()), count);
    });
    std::reverse(rows.begin(), rows.end());  // the server answers oldest first
    return rows;
}
