#include "message/mail_entry.h"

#include "message/mime_parse.h"
#include "settings/text_utils.h"

namespace {

std::string AddressText(const MailAddress& a) {
    return HasText(a.name) ? a.name + " <" + a.address + ">" : a.address;
}

// Header fields that describe the received body; a saved file holds the text view instead.
bool DescribesBody(std::string_view line) {
    const std::string upper = UpperAscii(line.substr(0, line.find(':')));
    return upper.starts_with("CONTENT-") || upper == "MIME-VERSION";
}

}  // namespace

void MailMessage::AddExtraHeader(std::string_view name, std::string_view value) {
    extraHeaderLines.push_back(std::string(name) + ": " + std::string(value));
}

std::optional<std::string> MailMessage::ExtraHeader(std::string_view name) const {
    for (const auto& line : extraHeaderLines) {
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos && SameTextAscii(Trim(line.substr(0, colon)), name)) {
            return Trim(line.substr(colon + 1));
        }
    }
    return std::nullopt;
}

void MailMessage::Clear() {
    rawHeaderLines.clear();
    from = {};
    subject.clear();
    date = 0;
    to.clear();
    cc.clear();
    bcc.clear();
    contentType.clear();
    extraHeaderLines.clear();
    bodyLines.clear();
    parts.clear();
    receivedBody_.clear();
}

std::string MailMessage::ToText() const {
    std::string text;
    for (const auto& a : to) {
        if (!text.empty()) text += ", ";
        text += AddressText(a);
    }
    return text;
}

std::vector<std::string> MailMessage::HeaderLinesForSaving() const {
    std::vector<std::string> lines;
    bool skipping = false;
    for (const auto& line : rawHeaderLines) {
        const bool continuation = !line.empty() && (line[0] == ' ' || line[0] == '\t');
        if (!continuation) skipping = DescribesBody(line);
        if (!skipping) lines.emplace_back(line);
    }
    lines.insert(lines.end(), extraHeaderLines.begin(), extraHeaderLines.end());
    lines.emplace_back("MIME-Version: 1.0");
    lines.emplace_back("Content-Type: text/plain; charset=UTF-8");
    lines.emplace_back("Content-Transfer-Encoding: 8bit");
    return lines;
}

void MailMessage::AddHeaderLine(std::string line) {
    rawHeaderLines.push_back(line);
}

void MailMessage::HeaderComplete() {
    rawHeaderLines.shrink_to_fit();
    ParseHeaderInto(*this);
}

void MailMessage::AddBodyLine(std::string line) {
    receivedBody_.push_back(std::move(line));
}

void MailMessage::BodyComplete() {
    ParseMessageInto(*this, receivedBody_);
    receivedBody_.clear();
    receivedBody_.shrink_to_fit();
}

void MailMessage::ParseReceivedBody() {
    if (!receivedBody_.empty()) BodyComplete();
}
