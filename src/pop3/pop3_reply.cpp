#include "pop3/pop3_reply.h"

#include <openssl/evp.h>

#include <charconv>

#include "settings/errors.h"
#include "settings/text_utils.h"

namespace {

// A number of messages or bytes: digits with an optional "+", nothing below zero.
std::optional<int> ParseDecimal(std::string_view text) {
    int value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    if (first != last && *first == '-') return std::nullopt;
    const auto [end, error] = std::from_chars(first, last, value);
    if (text.empty() || error != std::errc() || end != last) return std::nullopt;
    return value;
}

// The text after the four code characters, without the blanks that separate it from the code.
std::string TextFrom(const std::string& line) {
    const auto start = line.find_first_not_of(" \t", 4);
    return start == std::string::npos ? std::string() : line.substr(start);
}

}  // namespace

std::string Pop3Reply::ErrorMessage() const {
    std::string message;
    for (const std::string& line : lines) message += line + "\r\n";
    return message;
}

Pop3Reply ReadPop3Reply(const std::function<std::string()>& readLine) {
    std::string first;
    do {
        first = Trim(readLine());
    } while (first.empty());
    std::vector<std::string> raw{first};
    if (first.size() >= 4 && first[3] == '-') {
        const std::string end = first.substr(0, 3) + " ";
        do {
            raw.push_back(readLine());
        } while (raw.back().compare(0, end.size(), end) != 0);
    }
    Pop3Reply reply;
    reply.code = Trim(std::string_view(first).substr(0, 4));
    for (const std::string& line : raw) reply.lines.push_back(TextFrom(line));
    reply.ok = SameTextAscii(reply.code, "+OK");
    if (!reply.ok && reply.code != "-ERR")
        // The whole line: its text alone would hide what the code was.
        throw UnrecognizedReply("Unrecognized POP3 Response Header:\n\"" + first + "\"");
    return reply;
}

int ParseMessageCount(std::string_view text) {
    if (text.empty()) return 0;
    const auto blank = text.find(' ');
    const std::string_view part = blank == std::string_view::npos ? "" : text.substr(0, blank);
    if (const auto value = ParseDecimal(part)) return *value;
    throw TarnwickError("'" + std::string(part) + "' is not a valid integer value");
}

int ParseMessageSize(std::string_view text) {
    const auto blank = text.find(' ');
    const std::string_view part = blank == std::string_view::npos ? text : text.substr(blank + 1);
    return ParseDecimal(part).value_or(-1);
}

namespace {

constexpr std::size_t kLongestUid = 255;

std::optional<int> MessageNumberOf(std::string_view text) {
    const auto number = ParseDecimal(text);
    if (!number || *number < 1 || text.front() == '+') return std::nullopt;
    return number;
}

}  // namespace

std::optional<std::pair<int, std::string>> ParseUidLine(std::string_view line) {
    const auto blank = line.find(' ');
    if (blank == std::string_view::npos) return std::nullopt;
    const auto number = MessageNumberOf(line.substr(0, blank));
    const std::string_view uid = line.substr(blank + 1);
    if (!number || uid.empty() || uid.size() > kLongestUid) return std::nullopt;
    for (const char c : uid)
        if (c < 0x21 || c > 0x7E) return std::nullopt;
    return std::make_pair(*number, std::string(uid));
}

std::optional<std::pair<int, int>> ParseSizeLine(std::string_view line) {
    const auto blank = line.find(' ');
    if (blank == std::string_view::npos) return std::nullopt;
    const auto number = MessageNumberOf(line.substr(0, blank));
    const std::string_view sizeText = line.substr(blank + 1);
    const auto size = ParseDecimal(sizeText);
    if (!number || !size || sizeText.front() == '+') return std::nullopt;
    return std::make_pair(*number, *size);
}

std::optional<std::string> ApopTimestamp(std::string_view greeting) {
    const auto open = greeting.find('<');
    if (open == std::string_view::npos) return std::nullopt;
    const auto close = greeting.find('>', open);
    if (close == std::string_view::npos) return std::nullopt;
    return std::string(greeting.substr(open, close - open + 1));
}

std::string ApopDigest(std::string_view timestamp, std::string_view password) {
    const std::string input = std::string(timestamp) + std::string(password);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(input.data(), input.size(), digest, &size, EVP_md5(), nullptr) != 1)
        throw TarnwickError("MD5 is not available.");
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < size; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 0x0F];
    }
    return hex;
}

std::string_view UnstuffLine(std::string_view line) {
    return line.size() >= 2 && line[0] == '.' && line[1] == '.' ? line.substr(1) : line;
}
