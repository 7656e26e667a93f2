#pragma once
// The raw header lines of a message kept in one block of text, each line followed by LF: a
// listed message holds its header in one allocation instead of one string per line. Read
// like a list of lines (std::string_view each).

#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>

class HeaderLines {
public:
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = const std::string_view*;
        using reference = std::string_view;

        const_iterator() = default;
        const_iterator(const std::string* text, std::size_t pos) : text_(text), pos_(pos) {}
        std::string_view operator*() const;
        const_iterator& operator++();
        const_iterator operator++(int) {
            const_iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const const_iterator& other) const { return pos_ == other.pos_; }

    private:
        const std::string* text_ = nullptr;
        std::size_t pos_ = 0;
    };

    HeaderLines() = default;
    HeaderLines(std::initializer_list<std::string_view> lines);

    // A line without its line end; an LF inside it would split it in two.
    void push_back(std::string_view line);
    void clear() { text_.clear(); }
    // Gives back what growing the block left unused.
    void shrink_to_fit() { text_.shrink_to_fit(); }

    bool empty() const { return text_.empty(); }
    std::size_t size() const;
    std::string_view operator[](std::size_t index) const;
    std::string_view front() const { return *begin(); }
    std::string_view back() const;
    const_iterator begin() const { return {&text_, 0}; }
    const_iterator end() const { return {&text_, text_.size()}; }

    // Every line followed by LF.
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};
