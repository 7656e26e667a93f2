#include "message/header_view.h"

#include "message/header_decode.h"
#include "settings/language.h"
#include "settings/text_utils.h"

namespace {

HeaderRow RowOfLine(std::string_view line) {
    if (!HasText(line)) return {};
    if (line[0] == ' ' || line[0] == '\t') return {" ", DecodeHeaderText(Trim(line))};
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) return {"?", DecodeHeaderText(Trim(line))};
    return {Trim(line.substr(0, colon)), DecodeHeaderText(Trim(line.substr(colon + 1)))};
}

void AppendReversed(const std::vector<MailAddress>& group, std::vector<std::string>& lines) {
    for (auto it = group.rbegin(); it != group.rend(); ++it) lines.push_back(RecipientText(*it));
}

}  // namespace

std::vector<HeaderRow> HeaderViewRows(const MailMessage& entry) {
    std::vector<HeaderRow> rows;
    rows.reserve(entry.rawHeaderLines.size() + entry.extraHeaderLines.size());
    for (const auto& line : entry.rawHeaderLines) rows.push_back(RowOfLine(line));
    for (const auto& line : entry.extraHeaderLines) {
        const std::size_t colon = line.find(':');
        rows.push_back({Trim(line.substr(0, colon)),
                        DecodeHeaderText(colon == std::string::npos ? std::string()
                                                                    : line.substr(colon + 1))});
    }
    return rows;
}

std::string RecipientText(const MailAddress& recipient) {
    if (!HasText(recipient.name)) return recipient.address;
    return recipient.address + " <" + DecodeHeaderText(recipient.name) + ">";
}

std::vector<std::string> HeaderPaneLines(const MailMessage& entry) {
    const std::string hyphens(47, '-');
    std::vector<std::string> lines{GetLangText("list_of_recipients"), hyphens};
    AppendReversed(entry.to, lines);
    AppendReversed(entry.cc, lines);
    AppendReversed(entry.bcc, lines);
    lines.insert(lines.end(), {hyphens, " ", GetLangText("header_start"), " "});
    lines.insert(lines.end(), entry.rawHeaderLines.begin(), entry.rawHeaderLines.end());
    return lines;
}
