#include "message/message_text.h"

#include <algorithm>

#include "message/header_decode.h"
#include "message/mime_parse.h"
#include "settings/language.h"
#include "settings/text_utils.h"

namespace {

constexpr std::string_view kHttp = "HTTP://";

std::string ReplaceAllNoCase(const std::string& text, std::string_view upperFrom,
                             std::string_view to) {
    const std::string upper = UpperAscii(text);
    std::string result;
    result.reserve(text.size());
    std::size_t pos = 0;
    for (std::size_t hit; (hit = upper.find(upperFrom, pos)) != std::string::npos;
         pos = hit + upperFrom.size()) {
        result.append(text, pos, hit - pos);
        result.append(to);
    }
    result.append(text, pos);
    return result;
}

bool OpensAnchor(std::string_view tag) {
    return tag.size() > 15 && (tag[1] == 'a' || tag[1] == 'A') && tag[2] == ' ';
}

// Finds the link of every tag in one pass. A tag's link starts at its first "http://" and ends
// before the first double quote, else the first single quote, else the end of the tag, which
// is its ">" or, in broken HTML, the next "<". The next ">", "<", "http://" and quotes are
// found once for all the tags before them, so hostile text stays linear.
class TagScanner {
public:
    explicit TagScanner(std::string_view text) : text_(text), upper_(UpperAscii(text)) {}

    std::string LinkAt(std::size_t pos) {
        if (!OpensAnchor(text_.substr(pos))) return {};
        const std::size_t close = Next(close_, pos, ">");
        if (close == kNone) return {};
        const std::size_t end = std::min(close, Next(open_, pos + 1, "<"));
        const std::size_t http = Next(http_, pos, kHttp);
        if (http == kNone || http >= end) return {};
        std::size_t stop = Next(doubleQuote_, http, "\"");
        if (stop >= end) stop = Next(singleQuote_, http, "'");
        return std::string(text_.substr(http, std::min(stop, end) - http));
    }

private:
    static constexpr std::size_t kNone = std::string_view::npos;
    static constexpr std::size_t kNotYet = kNone - 1;

    // The first `what` at or after pos; `cache` keeps the answer for the next, later tag.
    std::size_t Next(std::size_t& cache, std::size_t pos, std::string_view what) const {
        if (cache == kNotYet || (cache != kNone && cache < pos)) cache = upper_.find(what, pos);
        return cache;
    }

    std::string_view text_;
    std::string upper_;
    std::size_t close_ = kNotYet;
    std::size_t open_ = kNotYet;
    std::size_t http_ = kNotYet;
    std::size_t doubleQuote_ = kNotYet;
    std::size_t singleQuote_ = kNotYet;
};

// Every tag becomes a run of full stops of its length; links are collected on the way.
void DotTags(std::string& text, LinkList& links) {
    TagScanner scanner(text);
    bool inTag = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '<') {
            inTag = true;
            const std::string link = scanner.LinkAt(i);
            if (HasText(link)) links.Add(link);
        }
        if (text[i] == '>') {
            text[i] = '.';
            inTag = false;
        }
        if (inTag) text[i] = '.';
    }
}

std::vector<std::string> HtmlToLines(std::string_view html, LinkList& links) {
    const std::size_t body = UpperAscii(html).find("<BODY");
    std::string text(html.substr(body + 1));
    const std::size_t close = text.find('>');
    if (close != std::string::npos) text.erase(0, close + 1);
    text = ReplaceAllNoCase(text, "<BR>", "\r\n");
    DotTags(text, links);
    text = ReplaceAllNoCase(text, "&NBSP;", " ");
    std::vector<std::string> lines = TextLines(text);
    for (auto& line : lines) line = Trim(line);
    std::erase_if(lines, [](const std::string& line) { return IsFillerLine(line); });
    return lines;
}

// Every web address in a plain text: from "http://" or "https://" (letter case ignored) up to
// white space, a quote or an angle bracket, without the punctuation that ends a sentence.
void AddPlainLinks(std::string_view text, LinkList& links) {
    const std::string upper = UpperAscii(text);
    constexpr std::string_view kStops = " \t\r\n\"'<>";
    constexpr std::string_view kTrailing = ".,;:!?)]";
    for (std::size_t pos = upper.find("HTTP"); pos != std::string::npos;
         pos = upper.find("HTTP", pos + 1)) {
        const std::string_view rest = std::string_view(upper).substr(pos);
        const std::size_t scheme = rest.starts_with("HTTPS://") ? 8
                                   : rest.starts_with(kHttp)    ? 7
                                                                : 0;
        if (scheme == 0) continue;
        std::size_t end = std::min(text.find_first_of(kStops, pos), text.size());
        while (end > pos + scheme && kTrailing.find(text[end - 1]) != std::string_view::npos) --end;
        if (end > pos + scheme) links.Add(std::string(text.substr(pos, end - pos)));
        pos = end - 1;
    }
}

// The lines with a line break between each two, so that empty lines at either end stay.
std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += "\r\n";
        text += lines[i];
    }
    return text;
}

// The lines of a plain text; unlike TextLines, a final line break ends an empty last line.
std::vector<std::string> PlainLines(std::string_view text) {
    std::vector<std::string> lines = TextLines(text);
    if (!text.empty() && (text.back() == '\n' || text.back() == '\r')) lines.emplace_back();
    return lines;
}

void AppendSeparator(std::vector<std::string>& pane) {
    pane.push_back(RuleLine());
    pane.emplace_back(" ");
}

}  // namespace

void LinkList::Add(const std::string& link) {
    if (seen_.insert(UpperAscii(link)).second) links_.push_back(link);
}

std::string RuleLine() {
    return std::string(32, '_');
}

bool IsFillerLine(std::string_view line) {
    return std::all_of(line.begin(), line.end(),
                       [](char c) { return c == '\r' || c == '\n' || c == ' ' || c == '.'; });
}

std::string LinkFromTag(std::string_view tag) {
    return TagScanner(tag).LinkAt(0);
}

std::vector<std::string> BodyToText(int partNumber, std::string_view contentType,
                                    std::string_view text, LinkList& links) {
    std::vector<std::string> lines;
    if (partNumber > 0) {
        lines = {" ", GetLangText("multipart_no") + ": " + std::to_string(partNumber),
                 std::string(contentType), RuleLine(), " "};
    }
    const bool html = UpperAscii(text).find("<BODY") != std::string::npos;
    if (!html) AddPlainLinks(text, links);
    std::vector<std::string> body = html ? HtmlToLines(text, links) : PlainLines(text);
    lines.insert(lines.end(), std::make_move_iterator(body.begin()),
                 std::make_move_iterator(body.end()));
    return lines;
}

MessageContent ContentOf(const MailMessage& entry) {
    MessageContent content;
    LinkList links;
    const std::vector<std::string> body =
        BodyToText(0, entry.contentType, Joined(entry.bodyLines), links);
    std::vector<std::string> textParts;
    int textPartNumber = 0;
    for (const MailPart& part : entry.parts) {
        switch (part.kind) {
            case MailPart::Kind::Attachment: {
                const std::string name = DecodeHeaderText(part.fileName);
                content.partRows.push_back(
                    {GetLangText("attachment"), name + " (" + part.contentType + ")"});
                content.attachments.push_back(name);
                break;
            }
            case MailPart::Kind::Text: {
                content.partRows.push_back({GetLangText("mail_text"), part.contentType});
                auto lines =
                    BodyToText(++textPartNumber, part.contentType, Joined(part.lines), links);
                textParts.insert(textParts.end(), lines.begin(), lines.end());
                break;
            }
            case MailPart::Kind::Other:
                content.partRows.push_back({part.displayName, part.contentType});
                break;
        }
    }
    content.links = links.Links();

    auto& pane = content.lines;
    pane = {" ", GetLangText("message_content"), " "};
    pane.push_back(GetLangText("att_count") + ": " + std::to_string(content.attachments.size()));
    if (!content.links.empty()) {
        pane.push_back(GetLangText("link_count") + ": " + std::to_string(content.links.size()) +
                       " " + GetLangText("list_is_on_end"));
    }
    if (!content.attachments.empty()) {
        AppendSeparator(pane);
        pane.push_back(GetLangText("has_attachments"));
        for (const auto& name : content.attachments) pane.push_back("   - " + name);
    }
    AppendSeparator(pane);
    if (HasText(Joined(body))) {
        pane.insert(pane.end(), body.begin(), body.end());
    } else {
        pane.push_back(GetLangText("has_no_body"));
    }
    AppendSeparator(pane);
    if (textParts.empty()) {
        pane.push_back(GetLangText("has_no_html"));
    } else {
        pane.insert(pane.end(), textParts.begin(), textParts.end());
    }
    AppendSeparator(pane);
    if (content.links.empty()) {
        pane.push_back(GetLangText("has_no_links"));
    } else {
        pane.push_back(GetLangText("has_links"));
        pane.insert(pane.end(), content.links.begin(), content.links.end());
    }
    pane.push_back(RuleLine());
    return content;
}
