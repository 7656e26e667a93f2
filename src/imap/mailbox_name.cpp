#include "imap/mailbox_name.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+,";
constexpr char32_t kReplacement = 0xFFFD;

bool Printable(char c) {
    return c >= 0x20 && c <= 0x7E;
}

// Base64 with "," for "/" and no padding, as modified UTF-7 writes it.
std::string ModifiedBase64(const std::u16string& units) {
    std::string encoded;
    std::uint32_t bits = 0;
    int count = 0;
    for (const char16_t unit : units) {
        for (const unsigned byte : {unsigned{unit} >> 8, unsigned{unit} & 0xFFu}) {
            bits = (bits << 8) | byte;
            count += 8;
            while (count >= 6) {
                count -= 6;
                encoded += kAlphabet[(bits >> count) & 0x3F];
            }
        }
    }
    if (count > 0) encoded += kAlphabet[(bits << (6 - count)) & 0x3F];
    return encoded;
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == ',') return 63;
    return -1;
}

// The code point of the UTF-8 sequence starting at `pos` (moved past it); U+FFFD for a byte
// that starts none (an overlong form, a surrogate, a cut sequence).
char32_t NextCodePoint(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80) return lead;
    int extra = -1;
    char32_t least = 0;
    if (lead >= 0xC2 && lead < 0xE0) extra = 1, least = 0x80;
    if (lead >= 0xE0 && lead < 0xF0) extra = 2, least = 0x800;
    if (lead >= 0xF0 && lead < 0xF5) extra = 3, least = 0x10000;
    if (extra < 0) return kReplacement;
    char32_t point = lead & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
        if (pos >= text.size() || (static_cast<unsigned char>(text[pos]) & 0xC0) != 0x80)
            return kReplacement;
        point = (point << 6) | (static_cast<unsigned char>(text[pos++]) & 0x3F);
    }
    const bool valid = point >= least && point <= 0x10FFFF && (point < 0xD800 || point > 0xDFFF);
    return valid ? point : kReplacement;
}

// Appends the code point as UTF-8; a control character as U+FFFD.
void AppendShown(std::string& out, char32_t point) {
    if (point < 0x20 || (point >= 0x7F && point < 0xA0)) point = kReplacement;
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | (point >> 6));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += static_cast<char>(0xE0 | (point >> 12));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (point >> 18));
        out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

// The code points of one shifted run's base64 (between "&" and "-"); none when it does not
// decode to whole UTF-16 units with paired surrogates and zero padding bits.
std::optional<std::u32string> DecodeRun(std::string_view base64) {
    std::vector<char16_t> units;
    std::uint32_t bits = 0;
    int count = 0;
    std::uint32_t pending = 0;  // bytes of the unit begun
    int pendingBytes = 0;
    for (const char c : base64) {
        const int value = Base64Value(c);
        if (value < 0) return std::nullopt;
        bits = (bits << 6) | static_cast<std::uint32_t>(value);
        count += 6;
        if (count < 8) continue;
        count -= 8;
        pending = (pending << 8) | ((bits >> count) & 0xFF);
        bits &= (1u << count) - 1;
        if (++pendingBytes == 2) {
            units.push_back(static_cast<char16_t>(pending));
            pending = 0;
            pendingBytes = 0;
        }
    }
    if (pendingBytes != 0 || bits != 0 || units.empty()) return std::nullopt;
    std::u32string points;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t unit = units[i];
        if (unit >= 0xD800 && unit < 0xDC00) {
            if (i + 1 == units.size() || units[i + 1] < 0xDC00 || units[i + 1] > 0xDFFF)
                return std::nullopt;
            points += 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (units[++i] - 0xDC00);
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return std::nullopt;
        } else {
            points += unit;
        }
    }
    return points;
}

}  // namespace

std::string EncodeMailboxName(std::string_view utf8) {
    std::string name;
    std::u16string run;
    const auto endRun = [&] {
        if (run.empty()) return;
        name += "&" + ModifiedBase64(run) + "-";
        run.clear();
    };
    for (std::size_t pos = 0; pos < utf8.size();) {
        const char c = utf8[pos];
        if (Printable(c)) {
            endRun();
            name += c == '&' ? "&-" : std::string(1, c);
            ++pos;
            continue;
        }
        const char32_t point = NextCodePoint(utf8, pos);
        if (point >= 0x10000) {
            run += static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10));
            run += static_cast<char16_t>(0xDC00 + ((point - 0x10000) & 0x3FF));
        } else {
            run += static_cast<char16_t>(point);
        }
    }
    endRun();
    return name;
}

std::string DecodeMailboxName(std::string_view wire) {
    std::string shown;
    for (std::size_t pos = 0; pos < wire.size();) {
        const char c = wire[pos];
        if (c == '&') {
            const std::size_t end = wire.find('-', pos + 1);
            if (end == pos + 1) {
                shown += '&';
                pos = end + 1;
                continue;
            }
            const auto points = end == std::string_view::npos
                                    ? std::nullopt
                                    : DecodeRun(wire.substr(pos + 1, end - pos - 1));
            if (points) {
                for (const char32_t point : *points) AppendShown(shown, point);
                pos = end + 1;
                continue;
            }
            shown += '&';  // as written: the rest follows as plain text
            ++pos;
            continue;
        }
        AppendShown(shown, NextCodePoint(wire, pos));
    }
    return shown;
}

std::string MailboxArgument(std::string_view utf8) {
    std::string quoted = "\"";
    for (const char c : EncodeMailboxName(utf8)) {
        if (c == '\\' || c == '"') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}
