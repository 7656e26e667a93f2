#include "imap/imap_response.h"

#include "settings/text_utils.h"

namespace {

constexpr std::size_t kMaxLiteralDigits = 19;  // fits 64 bits

ImapStatus StatusOf(std::string_view word) {
    if (SameTextAscii(word, "OK")) return ImapStatus::Ok;
    if (SameTextAscii(word, "NO")) return ImapStatus::No;
    if (SameTextAscii(word, "BAD")) return ImapStatus::Bad;
    if (SameTextAscii(word, "BYE")) return ImapStatus::Bye;
    if (SameTextAscii(word, "PREAUTH")) return ImapStatus::PreAuth;
    return ImapStatus::None;
}

[[noreturn]] void Malformed(std::string_view what, std::string_view line) {
    throw ImapProtocolError("Unrecognized IMAP response (" + std::string(what) + "):\n\"" +
                            std::string(line.substr(0, 200)) + "\"");
}

[[noreturn]] void TooLarge(std::string_view what) {
    throw ImapProtocolError("The server's response " + std::string(what) + ".");
}

// The data of an untagged response: values over as many lines as its literals take, within
// `maxBytes` (the first line counted already).
class DataParser {
public:
    DataParser(const ImapSource& source, std::string line, std::size_t pos, std::size_t maxBytes)
        : source_(source),
          line_(std::move(line)),
          pos_(pos),
          bytes_(line_.size() + 2),
          maxBytes_(maxBytes) {}

    std::vector<ImapValue> Values() { return Sequence(0, false); }

private:
    std::vector<ImapValue> Sequence(int depth, bool inList) {
        std::vector<ImapValue> values;
        for (;;) {
            while (pos_ < line_.size() && line_[pos_] == ' ') ++pos_;
            if (pos_ == line_.size()) {
                if (inList) Malformed("a list is not closed", line_);
                return values;
            }
            const char c = line_[pos_];
            if (c == ')') {
                if (!inList) Malformed("a list is closed that was not opened", line_);
                ++pos_;
                return values;
            }
            values.push_back(Value(c, depth));
        }
    }

    ImapValue Value(char c, int depth) {
        if (++values_ > kMaxResponseValues)
            TooLarge("holds more than " + std::to_string(kMaxResponseValues) + " values");
        ImapValue value;
        if (c == '(') {
            if (depth + 1 > kMaxListDepth) Malformed("lists nested too deep", line_);
            ++pos_;
            value.kind = ImapValue::Kind::List;
            value.items = Sequence(depth + 1, true);
        } else if (c == '"') {
            value.kind = ImapValue::Kind::String;
            value.text = Quoted();
        } else if (c == '{') {
            value.kind = ImapValue::Kind::String;
            value.text = Literal();
        } else {
            value.text = Atom();
            if (SameTextAscii(value.text, "NIL")) value.kind = ImapValue::Kind::Nil;
        }
        return value;
    }

    std::string Quoted() {
        std::string text;
        for (++pos_; pos_ < line_.size(); ++pos_) {
            char c = line_[pos_];
            if (c == '"') {
                ++pos_;
                return text;
            }
            if (c == '\\' && pos_ + 1 < line_.size()) c = line_[++pos_];
            text += c;
        }
        Malformed("a quoted string is not closed", line_);
    }

    // "{n}" (or "{n+}") at the end of the line, then n bytes, then the line goes on.
    std::string Literal() {
        const std::size_t close = line_.find('}', pos_);
        if (close == std::string::npos || close + 1 != line_.size())
            Malformed("a literal does not end its line", line_);
        std::string_view digits(line_.data() + pos_ + 1, close - pos_ - 1);
        if (!digits.empty() && digits.back() == '+') digits.remove_suffix(1);
        if (digits.empty() || digits.size() > kMaxLiteralDigits) Malformed("bad literal", line_);
        std::uint64_t size = 0;
        for (const char d : digits) {
            if (d < '0' || d > '9') Malformed("bad literal", line_);
            size = size * 10 + static_cast<std::uint64_t>(d - '0');
        }
        Count(size);
        std::string bytes = source_.readBytes(static_cast<std::size_t>(size));
        line_ = source_.readLine();
        Count(line_.size() + 2);
        pos_ = 0;
        return bytes;
    }

    // Up to a blank, a parenthesis or a quote outside brackets: BODY[HEADER.FIELDS (A B)]<0>
    // is one atom.
    std::string Atom() {
        const std::size_t start = pos_;
        int brackets = 0;
        for (; pos_ < line_.size(); ++pos_) {
            const char c = line_[pos_];
            if (c == '[') ++brackets;
            if (c == ']' && brackets > 0) --brackets;
            if (brackets == 0 && (c == ' ' || c == '(' || c == ')' || c == '"')) break;
        }
        if (brackets > 0) Malformed("brackets are not closed", line_);
        return line_.substr(start, pos_ - start);
    }

    // Takes `size` more bytes of the response; past the limit the response fails before they
    // are read.
    void Count(std::uint64_t size) {
        if (size > maxBytes_ - bytes_)
            TooLarge("is longer than " + std::to_string(maxBytes_ >> 20) + " MB");
        bytes_ += static_cast<std::size_t>(size);
    }

    const ImapSource& source_;
    std::string line_;
    std::size_t pos_;
    std::size_t bytes_;
    std::size_t maxBytes_;
    std::size_t values_ = 0;
};

// The status word's text: an optional "[code]", then free text.
void ReadStatusText(ImapResponse& response, std::string_view rest) {
    response.text = std::string(rest);
    if (rest.starts_with('[')) {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos) return;  // no code, only text
        response.code = std::string(rest.substr(1, close - 1));
    }
}

}  // namespace

bool ImapValue::IsAtom(std::string_view name) const {
    return kind == Kind::Atom && SameTextAscii(text, name);
}

std::optional<std::uint32_t> ImapValue::Number() const {
    if (kind != Kind::Atom || text.empty() || text.size() > 10) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > 0xFFFFFFFFu) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

const ImapValue* ImapValue::Find(std::string_view name) const {
    for (std::size_t i = 0; i + 1 < items.size(); i += 2)
        if (items[i].IsAtom(name)) return &items[i + 1];
    return nullptr;
}

std::vector<std::string> ImapResponse::CodeWords() const {
    std::vector<std::string> words;
    std::size_t pos = 0;
    while (pos < code.size()) {
        const std::size_t blank = code.find(' ', pos);
        const std::size_t end = blank == std::string::npos ? code.size() : blank;
        if (end > pos) words.push_back(code.substr(pos, end - pos));
        pos = end + 1;
    }
    return words;
}

bool ImapResponse::Is(std::string_view name) const {
    return (!data.empty() && data[0].IsAtom(name)) || (data.size() > 1 && data[1].IsAtom(name));
}

ImapResponse ReadImapResponse(const ImapSource& source, std::size_t maxBytes) {
    std::string line = source.readLine();
    ImapResponse response;
    if (line.starts_with('+')) {
        response.kind = ImapResponseKind::Continuation;
        response.text = line.substr(line.size() > 1 && line[1] == ' ' ? 2 : 1);
        return response;
    }
    const std::size_t tagEnd = line.find(' ');
    if (tagEnd == 0 || tagEnd == std::string::npos) Malformed("no tag", line);
    response.tag = line.substr(0, tagEnd);
    response.kind = response.tag == "*" ? ImapResponseKind::Untagged : ImapResponseKind::Tagged;
    const std::size_t wordStart = tagEnd + 1;
    const std::size_t wordEnd = std::min(line.find(' ', wordStart), line.size());
    response.status = StatusOf(std::string_view(line).substr(wordStart, wordEnd - wordStart));
    if (response.kind == ImapResponseKind::Tagged &&
        (response.status == ImapStatus::None || response.status == ImapStatus::PreAuth ||
         response.status == ImapStatus::Bye))
        Malformed("a tagged response without OK, NO or BAD", line);
    if (response.status != ImapStatus::None) {
        ReadStatusText(response, std::string_view(line).substr(std::min(wordEnd + 1, line.size())));
        return response;
    }
    response.data = DataParser(source, std::move(line), wordStart, maxBytes).Values();
    if (response.data.empty()) Malformed("no data", "*");
    return response;
}

std::optional<std::string> QuotedString(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0 || c == '\r' || c == '\n' || byte >= 0x80) return std::nullopt;
        if (c == '\\' || c == '"') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}
