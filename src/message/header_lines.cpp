#include "message/header_lines.h"

std::string_view HeaderLines::const_iterator::operator*() const {
    const std::size_t lf = text_->find('\n', pos_);
    return std::string_view(*text_).substr(pos_, lf - pos_);
}

HeaderLines::const_iterator& HeaderLines::const_iterator::operator++() {
    pos_ = text_->find('\n', pos_) + 1;
    return *this;
}

HeaderLines::HeaderLines(std::initializer_list<std::string_view> lines) {
    for (const std::string_view line : lines) push_back(line);
}

void HeaderLines::push_back(std::string_view line) {
    text_.append(line).push_back('\n');
}

std::size_t HeaderLines::size() const {
    std::size_t count = 0;
    for (const char c : text_) count += c == '\n' ? 1 : 0;
    return count;
}

std::string_view HeaderLines::operator[](std::size_t index) const {
    auto it = begin();
    for (; index > 0 && it != end(); --index) ++it;
    return it == end() ? std::string_view() : *it;
}

std::string_view HeaderLines::back() const {
    if (text_.size() < 2) return {};  // no line, or one empty line
    const std::size_t start = text_.rfind('\n', text_.size() - 2);
    const std::size_t from = start == std::string::npos ? 0 : start + 1;
    return std::string_view(text_).substr(from, text_.size() - 1 - from);
}
