#include "message/header_decode.h"

#include <array>

#include "message/charset.h"
#include "settings/text_utils.h"

namespace {

constexpr std::string_view kBase64Error = "Invalid base64 text";

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// A Q word's text without its "?"s, an underscore read as a blank (RFC 2047 4.2), as the
// message parser reads it.
std::string QText(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        if (c != '?') result += c == '_' ? ' ' : c;
    }
    return result;
}

std::string WithoutQuestionMarks(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        if (c != '?') result += c;
    }
    return result;
}

// One encoded word taken apart: where it ends in the text, its charset, its encoding letter
// (0 when it has neither Q nor B) and the encoded text between the marker and the closing "?=".
struct EncodedWord {
    std::size_t length = 0;
    std::string_view charset;
    char encoding = 0;
    std::string_view payload;
};

// `text` starts with "=?".
EncodedWord SplitEncodedWord(std::string_view text) {
    EncodedWord word;
    const std::size_t charsetEnd = text.find('?', 2);
    if (charsetEnd != std::string_view::npos && charsetEnd + 2 < text.size() &&
        text[charsetEnd + 2] == '?') {
        const char letter = UpperAscii(text.substr(charsetEnd + 1, 1))[0];
        if (letter == 'Q' || letter == 'B') {
            word.encoding = letter;
            word.charset = text.substr(2, charsetEnd - 2);
        }
    }
    const std::size_t payloadStart = word.encoding ? std::size_t{charsetEnd + 3} : std::size_t{2};
    const std::size_t close = text.find("?=", payloadStart);
    const std::size_t payloadEnd = close == std::string_view::npos ? text.size() : close;
    word.length = close == std::string_view::npos ? text.size() : close + 2;
    word.payload = text.substr(payloadStart, payloadEnd - payloadStart);
    return word;
}

std::string PadBase64(std::string text) {
    while (text.size() % 4 != 0) text += '=';
    return text;
}

std::string ToUtf8(std::string bytes, std::string_view charset) {
    if (auto converted = CharsetToUtf8(bytes, charset)) return std::move(*converted);
    return bytes;
}

std::string DecodeWord(const EncodedWord& word, std::string_view raw) {
    if (word.encoding == 'Q') {
        return ToUtf8(DecodeQuotedPrintable(QText(word.payload)), word.charset);
    }
    if (word.encoding == 'B') {
        const std::string prepared = PadBase64(WithoutQuestionMarks(word.payload));
        if (auto bytes = DecodeBase64(prepared)) return ToUtf8(std::move(*bytes), word.charset);
        return std::string(kBase64Error) + " / " + prepared;
    }
    return std::string(raw);
}

}  // namespace

std::string DecodeQuotedPrintable(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '=') {
            result += text[i];
        } else if (i + 1 == text.size()) {
            break;  // soft line break
        } else if (i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
                   HexValue(text[i + 2]) >= 0) {
            result += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            result += '=';
        }
    }
    return result;
}

std::optional<std::string> DecodeBase64(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    std::string result;
    result.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        std::array<int, 4> v{};
        int padding = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = text[i + static_cast<std::size_t>(k)];
            if (c == '=' && last && k >= 1) {
                ++padding;
                v[static_cast<std::size_t>(k)] = 0;
            } else if (padding > 0 || (v[static_cast<std::size_t>(k)] = Base64Value(c)) < 0) {
                return std::nullopt;
            }
        }
        if (padding > 2) return std::nullopt;
        const unsigned bits = static_cast<unsigned>(v[0] << 18 | v[1] << 12 | v[2] << 6 | v[3]);
        result += static_cast<char>(bits >> 16 & 0xFF);
        if (padding < 2) result += static_cast<char>(bits >> 8 & 0xFF);
        if (padding < 1) result += static_cast<char>(bits & 0xFF);
    }
    return result;
}

std::string DecodeHeaderText(std::string_view text) {
    const std::string trimmed = Trim(text);
    std::string_view rest = trimmed;
    std::string result;
    result.reserve(rest.size());
    while (HasText(rest)) {
        const std::size_t start = rest.find("=?");
        if (start == std::string_view::npos) {
            result.append(rest);
            break;
        }
        result.append(rest.substr(0, start));
        rest.remove_prefix(start);
        const EncodedWord word = SplitEncodedWord(rest);
        result += DecodeWord(word, rest.substr(0, word.length));
        rest.remove_prefix(word.length);
    }
    return result;
}
