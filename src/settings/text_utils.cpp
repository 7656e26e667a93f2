#include "settings/text_utils.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "settings/language.h"

namespace {

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

char UpperChar(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string FormatTime(const std::tm& tm, const char* format) {
    char buffer[256];
    const std::size_t n = std::strftime(buffer, sizeof buffer, format, &tm);
    return std::string(buffer, n);
}

}  // namespace

bool HasText(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return !IsBlank(c); });
}

std::string_view TrimView(std::string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

std::string Trim(std::string_view text) {
    return std::string(TrimView(text));
}

std::string UpperAscii(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), UpperChar);
    return result;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return UpperChar(x) == UpperChar(y);
           });
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        // A plain scan: find_first_of asks memchr of the two-byte set for every byte.
        std::size_t end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
        lines.push_back(text.substr(start, end - start));
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(text);
    std::string result;
    result.reserve(text.size());
    std::size_t pos = 0;
    for (std::size_t hit; (hit = text.find(from, pos)) != std::string_view::npos;
         pos = hit + from.size()) {
        result.append(text.substr(pos, hit - pos));
        result.append(to);
    }
    result.append(text.substr(pos));
    return result;
}

std::string FieldText(std::string_view text) {
    std::string field(text);
    for (char& c : field) {
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    }
    return field;
}

namespace {

// The language's form of a date ("%d.%m.%y" in Czech): day, month and year fields (%d %m %y %Y)
// between other characters; none, or any other field, leaves the C library's "%x".
std::string DateFormat() {
    const std::optional<std::string> format = FindLangText("date_format");
    if (!format || format->empty()) return "%x";
    for (std::size_t i = 0; i < format->size(); ++i) {
        if ((*format)[i] != '%') continue;
        if (i + 1 == format->size() ||
            std::string_view("dmyY").find((*format)[i + 1]) == std::string_view::npos)
            return "%x";
        ++i;
    }
    return *format;
}

}  // namespace

std::string DateTimeText(std::time_t when) {
    std::tm tm{};
    localtime_r(&when, &tm);
    const bool midnight = tm.tm_hour == 0 && tm.tm_min == 0 && tm.tm_sec == 0;
    const std::string date = DateFormat();
    return midnight ? FormatTime(tm, date.c_str()) : FormatTime(tm, (date + " %X").c_str());
}
